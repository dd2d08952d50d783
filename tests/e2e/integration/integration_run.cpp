// Runs the system-integration phases of one installation and then its completion dialog, on the
// real platform, as the installation run does after its file phase:
//   integration-run.exe SOURCEFOLDER DESTINATION GROUP COMPONENTS [RESULTFILE]
// SOURCEFOLDER holds setup.inf (and zsys.re_); DESTINATION is the installation directory; GROUP
// the program group chosen; COMPONENTS the selected component numbers ("13" selects 1 and 3).
// setup.inf is copied to DESTINATION\setup\setup.tmp and read from there, as the run does. A
// failure is written to RESULTFILE (default DESTINATION\integration-run.txt) with its message;
// otherwise "ok" and the association count once the phases are done, and, once the completion
// dialog has ended the program, "group window found" or "group window not found".
#include <cstdio>
#include <string>

#include "app/context.h"
#include "install/complete.h"
#include "install/integration.h"
#include "win32/platform_win32.h"

using namespace corvid;

namespace {

// The run's labels and gauges are not shown here; its pause points let messages run.
class NoProgress : public RunProgress {
public:
    explicit NoProgress(Platform& p) : platform_(p) {}
    void ShowActivity(const std::string&) override {}
    void SetUpper(int32_t) override {}
    void SetLower(int32_t) override {}
    void Pause() override {
        if (platform_.ProcessMessages()) throw RunTerminated();
    }

private:
    Platform& platform_;
};

void Result(const std::string& file, const std::string& text) {
    if (FILE* f = std::fopen(file.c_str(), "ab")) {
        std::fputs((text + "\r\n").c_str(), f);
        std::fclose(f);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 5) return 2;
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    Win32Platform platform(instance);
    Context ctx(platform);
    ctx.sourceFolder = __argv[1];
    if (ctx.sourceFolder.back() != '\\') ctx.sourceFolder += '\\';
    ctx.choices.targetDirectory = __argv[2];
    ctx.choices.programGroup = __argv[3];
    for (const char* c = __argv[4]; *c; ++c)
        if (*c >= '1' && *c <= '7') ctx.choices.components[*c - '0'] = true;
    const std::string result =
        __argc > 5 ? std::string(__argv[5]) : ctx.choices.targetDirectory + "\\integration-run.txt";

    ctx.description = std::make_unique<SetupDescription>(platform, ctx.sourceFolder + "setup.inf");
    ctx.language.Load(*ctx.description);
    ctx.startup.setupVersion = ctx.description->ReadInteger("vercheck", "version", 0);

    ctx.run = std::make_unique<RunState>(platform);
    RunState& run = *ctx.run;
    run.destination = ctx.choices.targetDirectory;
    run.windowsDirectory = platform.WindowsDirectory();
    run.setupFolder = run.destination + "\\setup";
    run.logPath = run.setupFolder + "\\uninst.log";
    run.uninstallerPath = run.windowsDirectory + "\\uncorvid.exe";
    integration::MakeDirectories(platform, run.setupFolder);
    platform.CopyFile(ctx.sourceFolder + "setup.inf", run.setupFolder + "\\setup.tmp");
    run.workDescription =
        std::make_unique<SetupDescription>(platform, run.setupFolder + "\\setup.tmp");
    run.uniyes = run.workDescription->ReadBool("software", "uniyes", true);
    const std::string readmeDir = ctx.description->ReadString("software", "readmedir", "");
    const std::string readme = ctx.description->ReadString("software", "readme", "");
    run.readmeTarget = run.destination + readmeDir + "\\" + readme;
    ctx.readmeCopyPath = run.readmeTarget;
    integration::MakeDirectories(platform, run.destination + readmeDir);
    platform.CopyFile(ctx.sourceFolder +
                          run.workDescription->ReadString("software", "readme", "n_o"),
                      run.readmeTarget);

    auto complete = std::make_unique<Tcomplete>(ctx);
    platform.AttachForm(*complete);
    complete->FormCreate();
    ctx.complete = std::move(complete);

    NoProgress progress(platform);
    try {
        ImportRegistryFile(ctx, run);
        const int32_t associations = MakeAssociations(ctx, run, progress);
        BuildGroupLines(ctx, run, progress);
        SendGroupLines(ctx, run);
        EditStartupFiles(ctx, run);
        WriteIniEntries(ctx, run);
        WriteRegistryEntries(ctx, run);
        RegisterUninstall(ctx, run);
        Result(result, "ok " + std::to_string(associations));
    } catch (const RuntimeError& e) {
        Result(result, std::string("error ") + e.what());
        return 1;
    } catch (const RunTerminated&) {
        Result(result, "terminated");
        return 1;
    }
    OpenCompletionDialog(ctx);
    // Still set when the completion dialog found the group's window in front.
    Result(result, std::string("group window ") + (ctx.groupItemsAdded ? "found" : "not found"));
    return 0;
}
