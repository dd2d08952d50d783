#include "install/uninstall_log.h"

#include "uninstall/paths.h"
#include "uninstall_log/log_format.h"

namespace corvid {

void LogHeader(RunState& run) {
    const SetupDescription& d = *run.workDescription;
    run.log.Readme(run.readmeTarget);
    run.log.Banner(d.ReadString("software", "name", "[unknown]"));
    if (run.createdFolders.empty()) return;
    const std::vector<std::string> made = std::move(run.createdFolders);
    run.createdFolders.clear();
    LogCreatedFolders(run, made);
}

void LogCreatedFolders(RunState& run, const std::vector<std::string>& made) {
    WinPath dest, folder;
    std::string why;
    const bool destKnown = ParseAbsolutePath(run.destination, dest, why);
    bool added = false;
    for (const std::string& f : made) {
        // The destination and what lies in it go with the destination.
        if (destKnown && ParseAbsolutePath(f, folder, why) &&
            (SamePath(folder, dest) || IsBelow(folder, dest)))
            continue;
        run.createdFolders.push_back(f);
        run.log.CreatedFolder(static_cast<int32_t>(run.createdFolders.size()), f);
        added = true;
    }
    if (added) run.log.CreatedFoldersTotal(static_cast<int32_t>(run.createdFolders.size()));
}

void LogCounters(RunState& run) {
    const SetupDescription& d = *run.workDescription;
    run.log.FilesTotal(0);
    run.log.DirectoriesTotal(0);
    run.log.ExtensionsTotal(0);
    run.log.ProductVersion(d.ReadString("corvid", "versionname", "_"),
                           d.ReadString("corvid", "version", "_"));
    for (int n : uninstall_log::kCopiedTexts)
        run.log.UninstallerText(n, d.ReadString("language", uninstall_log::TextKey(n), ""));
    run.log.Product(d.ReadString("software", "name", "_"), run.destination,
                    d.ReadBool("uninst", "ask", false));
}

void LogFinalFileTotal(RunState& run) {
    run.log.FilesTotal(int64_t{run.fileCount} + 1);
    // The count of files below the Windows directory goes with each of them as it is logged.
    if (run.directoryCount > 0) run.log.DirectoriesTotal(run.directoryCount);
    if (run.extensionCount > 0) run.log.ExtensionsTotal(run.extensionCount);
}

} // namespace corvid
