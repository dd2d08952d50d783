// Entries written into up to four INI files named by the setup description.
#include "install/file_transfer.h"
#include "install/integration.h"
#include "install/uninstall_log.h"
#include "platform/paths.h"
#include "setupinf/schema.h"
#include "state/context.h"
#include "uninstall/paths.h"

namespace corvid {

namespace {

// A name without a folder is a file in the Windows directory; any other must be a full path
// below the destination or the Windows directory, the only places the setup writes to. Elsewhere
// the setup cannot write, and says so with the run-time's message for a refused write.
void CheckIniName(const RunState& run, const std::string& name) {
    if (name.find_first_of("\\/:") == std::string::npos) return;
    WinPath file, dest, windows;
    std::string why;
    if (ParseAbsolutePath(name, file, why) &&
        ((ParseAbsolutePath(run.destination, dest, why) && IsBelow(file, dest)) ||
         (ParseAbsolutePath(run.windowsDirectory, windows, why) && IsBelow(file, windows))))
        return;
    throw RuntimeError("Kann nicht nach " + name + " schreiben");
}

} // namespace

void WriteIniEntries(Context& ctx, RunState& run) {
    Platform& p = ctx.platform;
    const SetupDescription& w = *run.workDescription;
    for (int n = 1; n <= 4; ++n) {
        const std::string section = "ini_" + std::to_string(n);
        const std::string name = w.ReadString(section, "name", "");
        if (name.empty()) continue;
        std::string path;
        if (schema::HasSystemRoot(name)) {
            const std::string rest = schema::SystemRootRest(name);
            path = integration::WritablePath(p, run, schema::Place{true, rest}, name);
            const size_t cut = rest.find_last_of('\\');
            const std::string dir =
                run.windowsDirectory + (cut == std::string::npos ? "" : rest.substr(0, cut + 1));
            std::vector<std::string> made;
            ForceDirectories(p, dir, &made);
            LogCreatedFolders(run, made);
            const std::string backup = w.ReadString(section, "bkp", "");
            if (!backup.empty()) p.CopyFile(path, dir + "\\" + backup);
        } else {
            CheckIniName(run, name);
            path = name;
            const size_t cut = name.find_last_of('\\');
            std::vector<std::string> made;
            if (cut != std::string::npos) ForceDirectories(p, name.substr(0, cut), &made);
            LogCreatedFolders(run, made);
            run.log.IniFileName(n, name);
        }
        for (int m = 0; m <= 9; ++m) {
            const std::string sm = std::to_string(m);
            const std::string iniSection = w.ReadString(section, "s" + sm, "");
            if (iniSection.empty()) continue;
            const std::string key = w.ReadString(section, "k" + sm, "");
            const std::string value = w.ReadString(section, "v" + sm, "");
            if (!p.WriteProfileString(path, iniSection, key, value))
                throw RuntimeError("Kann nicht nach " + path + " schreiben");
            run.log.IniEntry(n, m, iniSection, key, value);
        }
    }
}

} // namespace corvid
