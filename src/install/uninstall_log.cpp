#include "install/uninstall_log.h"

#include "uninstall_log/log_format.h"

namespace corvid {

void LogHeader(RunState& run) {
    const SetupDescription& d = *run.workDescription;
    run.log.Readme(run.readmeTarget);
    run.log.Banner(d.ReadString("software", "name", "[unknown]"));
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
}

} // namespace corvid
