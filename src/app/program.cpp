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

int Program::Run() {
    Platform& platform = ctx.platform;
    try {
        main = std::make_unique<Tmain>(ctx);
        ctx.main = main.get();
        platform.AttachForm(*main);
        main->FormCreate();
        if (ctx.stop) {
            main->FormDestroy();
            return 0;
        }

        trailer = std::make_unique<Ttrailer>(ctx, *main);
        ctx.trailer = trailer.get();
        platform.AttachForm(*trailer);
        trailer->FormCreate();
        trailer->Show();

        abbruch = std::make_unique<Tabbruch>(ctx);
        ctx.abbruch = abbruch.get();
        platform.AttachForm(*abbruch);
        abbruch->FormCreate();

        leader = std::make_unique<Tleader>(ctx);
        ctx.leader = leader.get();
        platform.AttachForm(*leader);
        leader->FormCreate();
        if (!platform.Terminated()) leader->Show();

        copying = std::make_unique<Tcopying>(ctx);
        ctx.copying = copying.get();
        platform.AttachForm(*copying);
        copying->FormCreate();

        complete = std::make_unique<Tcomplete>(ctx);
        ctx.complete = complete.get();
        platform.AttachForm(*complete);
        complete->FormCreate();

        dlgFolder = std::make_unique<Tdlg_folder>(ctx);
        ctx.dlgFolder = dlgFolder.get();
        platform.AttachForm(*dlgFolder);
        dlgFolder->FormCreate();
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
