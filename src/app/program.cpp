#include "app/program.h"

#include <exception>

#include "app/context.h"
#include "app/main.h"
#include "app/trailer.h"
#include "install/abbruch.h"
#include "install/complete.h"
#include "wizard/dialog.h"

namespace corvid {

namespace {

// A form that later parts of the program fill in; for now only its window exists.
std::unique_ptr<Form> PlainForm(const char* name, const char* caption, int w, int h) {
    auto f = std::make_unique<Form>(name);
    f->caption = caption;
    f->clientWidth = w;
    f->clientHeight = h;
    f->position_centered = true;
    return f;
}

} // namespace

int RunProgram(Platform& platform) {
    Context ctx(platform);
    return RunProgram(ctx);
}

int RunProgram(Context& ctx) {
    Platform& platform = ctx.platform;
    try {
        ctx.main = std::make_unique<Tmain>(ctx);
        platform.AttachForm(*ctx.main);
        ctx.main->FormCreate();
        if (ctx.stop) {
            ctx.main->FormDestroy();
            return 0;
        }

        ctx.trailer = std::make_unique<Ttrailer>(ctx);
        platform.AttachForm(*ctx.trailer);
        ctx.trailer->FormCreate();
        ctx.trailer->Show();

        ctx.abbruch = std::make_unique<Tabbruch>(ctx);
        platform.AttachForm(*ctx.abbruch);
        ctx.abbruch->FormCreate();

        ctx.leader = std::make_unique<Tleader>(ctx);
        platform.AttachForm(*ctx.leader);
        ctx.leader->FormCreate();
        if (!platform.Terminated()) ctx.leader->Show();

        ctx.copying = PlainForm("Tcopying", "Setup", 420, 200);
        platform.AttachForm(*ctx.copying);
        auto complete = std::make_unique<Tcomplete>(ctx);
        platform.AttachForm(*complete);
        complete->FormCreate();
        ctx.complete = std::move(complete);
        ctx.dlgFolder = PlainForm("Tdlg_folder", ctx.language[9].c_str(), 300, 300);
        platform.AttachForm(*ctx.dlgFolder);
    } catch (const std::exception& e) {
        ctx.ShowError(e.what());
        return 0;
    }

    if (!platform.Terminated()) platform.RunMessageLoop(*ctx.main);
    ctx.main->FormDestroy();
    return 0;
}

} // namespace corvid
