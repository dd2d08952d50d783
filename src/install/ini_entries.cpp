// Entries written into up to four INI files named by the setup description.
#include "install/file_transfer.h"
#include "install/integration.h"
#include "platform/paths.h"
#include "setupinf/schema.h"
#include "state/context.h"

namespace corvid {

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
            path = run.windowsDirectory + rest;
            const size_t cut = rest.find_last_of('\\');
            const std::string dir =
                run.windowsDirectory + (cut == std::string::npos ? "" : rest.substr(0, cut + 1));
            ForceDirectories(p, dir);
            const std::string backup = w.ReadString(section, "bkp", "");
            if (!backup.empty()) p.CopyFile(path, dir + "\\" + backup);
        } else {
            path = name;
            const size_t cut = name.find_last_of('\\');
            if (cut != std::string::npos) ForceDirectories(p, name.substr(0, cut));
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
