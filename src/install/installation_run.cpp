#include "install/installation_run.h"

#include "archive/compress.h"
#include "install/complete.h"
#include "install/file_transfer.h"
#include "install/integration.h"
#include "install/progress_window.h"
#include "install/uninstall_log.h"
#include "platform/paths.h"
#include "setupinf/schema.h"
#include "state/context.h"
#include "uninstall_log/log_format.h"
#include "uninstall_log/registration.h"

namespace corvid {

void RunInstallation(Context& ctx, Tcopying& window) {
    Platform& p = ctx.platform;
    const LanguageTexts& l = ctx.language;

    // 1. Only the first activation installs.
    if (!ctx.installPending) return;
    ctx.installPending = false;
    ctx.abortRequested = false;
    ctx.run = std::make_unique<RunState>(p);
    RunState& run = *ctx.run;
    run.destination = ctx.choices.targetDirectory;
    while (!run.destination.empty() && run.destination.back() == '\\') run.destination.pop_back();

    // The read-me's place, from the original description, is checked before anything is
    // written: a description that puts it outside the destination then leaves nothing to undo
    // (the log that would let the uninstaller clean up does not exist yet).
    const std::string readmeDir = ctx.description->ReadString("software", "readmedir", "");
    const std::string readme = schema::Read(*ctx.description, schema::kReadme);
    run.readmeTarget = integration::WritablePath(
        p, run, schema::Place{false, readmeDir + "\\" + readme}, "the read-me file");

    // 2. Below the wizard's place, then show it.
    window.MoveDown();
    p.ProcessMessages();

    // 3. From here on the disk changes; a terminate undoes it.
    ctx.installStarted = true;
    ctx.Note("installation into " + run.destination);

    // 4. The work folder and the uninstaller's place.
    run.setupFolder = run.destination + "\\" + uninstall_log::kSetupFolderName;
    std::vector<std::string> made;
    ForceDirectories(p, run.setupFolder, &made);
    run.windowsDirectory = p.WindowsDirectory();
    LogCreatedFolders(run, made); // the destination's parents, logged once the log is open
    run.uninstallerPath = uninstall_log::UninstallerPath(run.windowsDirectory);
    run.currentTarget = run.uninstallerPath;

    // 5. The working copy of the description, read by everything that follows.
    const std::string workPath = run.setupFolder + "\\setup.tmp";
    const bool workCopied =
        ClearWorkFilePlace(p, workPath) && p.CopyFile(ctx.sourceFolder + "setup.inf", workPath);
    run.workDescription = std::make_unique<SetupDescription>(p, workPath);
    const SetupDescription& work = *run.workDescription;

    // 6.
    window.SetCaption(work.ReadString("software", "name", "_"));

    // 7. The read-me copy, to the place checked above.
    ForceDirectories(p, run.destination + readmeDir);
    // A terminate deletes the copy only when this run wrote it: the name may be somebody else's.
    if (p.CopyFile(ctx.sourceFolder +
                       work.ReadString(schema::kReadme.section, schema::kReadme.key, "n_o"),
                   run.readmeTarget))
        ctx.readmeCopyPath = run.readmeTarget;

    // 8.
    run.compressTmp = run.setupFolder + "\\compress.tmp";
    if (!ClearWorkFilePlace(p, run.compressTmp))
        throw RuntimeError(FileCreateErrorText(run.compressTmp));

    // 9. The uninstall log.
    run.log.Open(uninstall_log::LogPath(run.destination), schema::Read(work, schema::kUninstaller));
    LogHeader(run);
    // Without the working copy every key would read as its default: an empty "successful" run.
    // (Checked once the log holds its header, so a log that cannot be written is named first.)
    if (!workCopied) throw RuntimeError(FileCreateErrorText(workPath));

    // 10.
    run.registryRoot = RegRoot::LocalMachine;

    // 11. The uninstaller goes with the log.
    ctx.Note("phase: the uninstaller and the registry file");
    if (run.log.Kept()) InstallUninstaller(ctx, run, window, *window.C);

    // 12.
    ImportRegistryFile(ctx, run);

    // 13, 14. The counters and the uninstaller's header.
    LogCounters(run);

    // 15. The cd setup type installs nothing: the product runs from the medium.
    // /noicons: no program group, whatever the description's items say.
    const bool group = !ctx.options.noIcons;
    if (ctx.choices.typeCd) {
        ctx.Note("phase: the program group of the product on its medium");
        run.log.FilesTotal(0);
        run.log.DirectoriesTotal(0);
        window.ShowActivity(l[23]);
        run.log.ExtensionsTotal(0);
        window.SetUpper(0);
        window.ShowActivity(l[22]);
        window.Pause();
        if (group) BuildMediumGroupLines(ctx, run, window);
        window.SetUpper(100);
        window.SetLower(99);
        window.Pause();
        if (group) SendGroupLines(ctx, run);
    } else {
        // 16, 17. Directories.
        ctx.Note("phase: directories");
        window.ShowActivity(l[19]);
        const int32_t directories = CreateComponentDirectories(ctx, run, window);
        run.log.DirectoriesTotal(directories);

        // 18, 19. Files, when the description says there is a medium.
        ctx.Note("phase: files");
        window.ShowActivity(l[14]);
        if (schema::FilePhaseOn(work)) {
            TransferComponentFiles(ctx, run, window, *window.C);
            window.SetUpper(100);
        }
        run.log.FilesTotal(run.fileCount);
        run.log.SystemFilesTotal(run.systemFileCount);

        // 20. Associations; they log their own total.
        ctx.Note("phase: file types");
        MakeAssociations(ctx, run, window);

        // 21.
        window.SetLower(98);
        window.Pause();

        // 22. The program group.
        window.SetUpper(0);
        ctx.Note(group ? "phase: the program group" : "phase: no program group (/noicons)");
        if (group) {
            BuildGroupLines(ctx, run, window);
            SendGroupLines(ctx, run);
        }
    }

    // 23 - 26. The system's files, INI files, registry and the uninstall registration.
    ctx.Note("phase: start-up files, INI and registry entries, the uninstall registration");
    EditStartupFiles(ctx, run);
    WriteIniEntries(ctx, run);
    WriteRegistryEntries(ctx, run, window);
    if (work.ReadBool("software", "CP", true)) RegisterUninstall(ctx, run);

    // 27. The log is kept in memory; it reaches the file whole before the completion dialog.
    run.log.Flush();

    // 28, 29.
    ctx.Note("installation complete");
    window.ShowFinished();
    OpenCompletionDialog(ctx);
}

} // namespace corvid
