#include "app/program.h"

#include <exception>

#include "app/main.h"
#include "app/trailer.h"
#include "install/abort_dialog.h"
#include "install/complete.h"
#include "install/progress_window.h"
#include "state/context.h"
#include "wizard/dialog.h"
#include "wizard/folder.h"

namespace corvid {

Program::Program(Context& c) : ctx(c) {}

Program::~Program() {
    ctx.main = nullptr;
    ctx.trailer = nullptr;
    ctx.abbruch = nullptr;
    ctx.leader = nullptr;
    ctx.copying = nullptr;
    ctx.complete = nullptr;
    ctx.dlgFolder = nullptr;
}

namespace {

// Creates a window, links it into the context as what the others see of it, attaches it to the
// platform and runs its creation.
template <typename Window, typename Face, typename... Args>
Window& Make(Platform& platform, std::unique_ptr<Window>& slot, Face*& link, Args&... args) {
    slot = std::make_unique<Window>(args...);
    link = slot.get();
    platform.AttachForm(*slot);
    slot->FormCreate();
    return *slot;
}

} // namespace

int Program::Run() {
    Platform& platform = ctx.platform;
    try {
        Make(platform, main, ctx.main, ctx);
        if (ctx.stop) {
            main->FormDestroy();
            return 0;
        }
        Make(platform, trailer, ctx.trailer, ctx, *main).Show();
        Make(platform, abbruch, ctx.abbruch, ctx);
        Make(platform, leader, ctx.leader, ctx);
        if (!platform.Terminated()) leader->Show();
        Make(platform, copying, ctx.copying, ctx);
        Make(platform, complete, ctx.complete, ctx);
        Make(platform, dlgFolder, ctx.dlgFolder, ctx);
    } catch (const std::exception& e) {
        ctx.ShowError(e.what());
        return 0;
    }

    if (!platform.Terminated()) platform.RunMessageLoop(*main);
    // Forms go in the reverse order of their creation.
    copying->FormDestroy();
    main->FormDestroy();
    return 0;
}

int RunProgram(Platform& platform) {
    Context ctx(platform);
    Program program(ctx);
    return program.Run();
}

} // namespace corvid
