#include "app/program.h"

#include <exception>
#include <string>

#include "app/main.h"
#include "app/option_parser.h"
#include "app/trailer.h"
#include "app/unattended.h"
#include "app/unattended_platform.h"
#include "install/abort_dialog.h"
#include "install/complete.h"
#include "install/progress_window.h"
#include "setupinf/profile.h"
#include "state/context.h"
#include "state/run_state.h"
#include "uninstall_log/log_format.h"
#include "uninstall_log/registration.h"
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
    const SetupOptions& options = ctx.options;
    try {
        Make(platform, main, ctx.main, ctx);
        if (ctx.stop) {
            // Without a description the setup could not start; with one, it was told to end.
            const int code = ctx.description ? kExitNotInstalled : kExitCannotStart;
            main->FormDestroy();
            return options.given ? code : 0;
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
        return options.given ? kExitCannotStart : 0;
    }

    if (options.given) {
        std::string error;
        if (!PresetWizard(ctx, *leader, error)) {
            ctx.Note(error);
            if (!options.Quiet())
                platform.MessageBox(error + "\r\r" + SetupOptionList(), "Setup",
                                    mb::Ok | mb::IconStop);
            main->FormDestroy();
            return kExitCannotStart;
        }
        ctx.onInstallationStart = [this] { ChoicesTaken(); };
    }
    if (!platform.Terminated()) {
        if (options.Quiet())
            DriveWizard(ctx, *leader);
        else
            platform.RunMessageLoop(*main);
    }
    // Forms go in the reverse order of their creation.
    copying->FormDestroy();
    main->FormDestroy();
    return options.given ? ExitCodeOf(ctx) : 0;
}

void Program::ChoicesTaken() {
    const InstallChoices& c = ctx.choices;
    ctx.Note("choices: destination " + c.targetDirectory + ", setup type " + ChosenType(ctx) +
             ", components " + ChosenComponents(ctx) + ", program group " +
             (ctx.options.noIcons ? std::string("none (/noicons)") : c.programGroup));
    if (ctx.options.saveInf.empty()) return;
    if (SaveAnswerFile(ctx, ctx.options.saveInf))
        ctx.Note("choices saved to " + ctx.options.saveInf);
    else
        ctx.Note("the choices could not be saved to " + ctx.options.saveInf);
}

namespace {

// Work files that come and go during the run; the log names the product's files.
bool WorkFile(const std::string& path) {
    const std::string folded = FoldCase(path);
    auto endsWith = [&](const std::string& tail) {
        return folded.size() >= tail.size() &&
               folded.compare(folded.size() - tail.size(), tail.size(), tail) == 0;
    };
    return folded == FoldCase(kTempPicture) || endsWith("\\setup\\setup.tmp") ||
           endsWith("\\setup\\compress.tmp") || endsWith(FoldCase(uninstall_log::LogPathTail())) ||
           endsWith(FoldCase(uninstall_log::NewLogPath(uninstall_log::LogPathTail())));
}

} // namespace

int RunProgram(Platform& platform, const std::string& arguments) {
    SetupOptions options;
    std::string error;
    const bool parsed = ParseSetupOptions(arguments, options, error);
    if (parsed && !options.given) {
        Context ctx(platform);
        Program program(ctx);
        return program.Run();
    }
    if (!parsed) {
        if (!options.Quiet())
            platform.MessageBox(error + "\r\r" + SetupOptionList(), "Setup", mb::Ok | mb::IconStop);
        return kExitCannotStart;
    }
    if (options.help) {
        platform.MessageBox(SetupOptionList(), "Setup", mb::Ok | mb::IconInfo);
        return kExitInstalled;
    }
    TextLog log(platform);
    if (!options.log.empty() && !log.Open(options.log)) {
        if (!options.Quiet())
            platform.MessageBox("The log file cannot be created:\r" + options.log, "Setup",
                                mb::Ok | mb::IconStop);
        return kExitCannotStart;
    }
    log.Line("setup started with the options: " + arguments);
    if (!options.loadInf.empty() && !LoadAnswerFile(platform, options, error)) {
        log.Line(error);
        if (!options.Quiet()) platform.MessageBox(error, "Setup", mb::Ok | mb::IconStop);
        log.Line("exit code " + std::to_string(kExitCannotStart));
        return kExitCannotStart;
    }
    UnattendedPlatform unattended(platform, log);
    unattended.unlogged = WorkFile;
    Context ctx(unattended);
    unattended.ctx = &ctx;
    ctx.options = options;
    ctx.log = &log;
    int code;
    {
        Program program(ctx);
        code = program.Run();
    }
    const std::string logPath = ctx.run ? ctx.run->log.Path() : std::string();
    if (!logPath.empty() && platform.FileExists(logPath)) {
        auto s = platform.OpenFile(logPath, OpenMode::ReadShared);
        log.Line("uninstall log " + logPath + " (" + (s ? std::to_string(s->Size()) : "?") +
                 " bytes)");
    }
    log.Line("exit code " + std::to_string(code));
    return code;
}

} // namespace corvid
