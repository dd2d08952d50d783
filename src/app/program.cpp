#include "app/program.h"

#include <exception>

#include "app/context.h"
#include "app/main.h"
#include "app/trailer.h"
#include "install/abort_dialog.h"
#include "install/complete.h"
#include "install/progress_window.h"
#include "wizard/dialog.h"
#include "wizard/folder.h"

namespace corvid {

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

        auto copying = std::make_unique<Tcopying>(ctx);
        platform.AttachForm(*copying);
        copying->FormCreate();
        ctx.copying = std::move(copying);
        auto complete = std::make_unique<Tcomplete>(ctx);
        platform.AttachForm(*complete);
        complete->FormCreate();
        ctx.complete = std::move(complete);
        auto folder = std::make_unique<Tdlg_folder>(ctx);
        platform.AttachForm(*folder);
        folder->FormCreate();
        ctx.dlgFolder = std::move(folder);
    } catch (const std::exception& e) {
        ctx.ShowError(e.what());
        return 0;
    }

    if (!platform.Terminated()) platform.RunMessageLoop(*ctx.main);
    // Forms go in the reverse order of their creation.
    if (ctx.copying && ctx.copying->onDestroy) ctx.copying->onDestroy();
    ctx.main->FormDestroy();
    return 0;
}

} // namespace corvid
