#include "install/uninstall_log.h"

namespace corvid {

const char* const kLogBanner = "corvid setup 2.20 uninstall log - needed to remove this product";

void LogHeader(RunState& run) {
    const SetupDescription& d = *run.workDescription;
    run.Log("readme", "file", run.readmeTarget);
    run.Log("important!", "c", kLogBanner);
    run.Log("important!", "i1",
            "This file is needed to uninstall " + d.ReadString("software", "name", "[unknown]"));
}

void LogCounters(RunState& run) {
    const SetupDescription& d = *run.workDescription;
    run.Log("files", "total", 0);
    run.Log("directories", "total", 0);
    run.Log("extensions", "total", 0);
    run.Log("uninstall", "versionname", d.ReadString("corvid", "versionname", "_"));
    run.Log("uninstall", "version", d.ReadString("corvid", "version", "_"));
    for (const char* key : {"l11", "l15", "l10", "l55", "l56", "l57", "l58", "l59", "l60", "l61"})
        run.Log("language", key, d.ReadString("language", key, ""));
    run.Log("uninstall", "name", d.ReadString("software", "name", "_"));
    run.Log("uninstall", "language", "");
    run.Log("uninstall", "directory", run.destination);
    run.Log("uninstall", "ask", d.ReadBool("uninst", "ask", false) ? "1" : "0");
}

void LogFinalFileTotal(RunState& run) {
    run.Log("files", "total", int64_t{run.fileCount} + 1);
}

} // namespace corvid
