// Helpers that several system-integration phases share.
#include "install/integration.h"

#include "setupinf/profile.h"
#include "uninstall_log/registration.h"

namespace corvid {
namespace integration {

bool HasSystemRoot(const std::string& path) {
    return FoldCase(path).find(FoldCase(kSystemRoot)) != std::string::npos;
}

std::string BelowWindows(const RunState& run, const std::string& value) {
    const size_t skip = std::string(kSystemRoot).size();
    return run.windowsDirectory + (value.size() > skip ? value.substr(skip) : std::string());
}

std::string UninstallCommand(const RunState& run) {
    return uninstall_log::UninstallCommandLine(run.uninstallerPath, run.destination);
}

std::string InstalledFilePath(const RunState& run, const std::string& o, const std::string& j) {
    const SetupDescription& w = *run.workDescription;
    const std::string section = "Option_" + o;
    const std::string name = w.ReadString(section, "f" + j, "");
    const int32_t index = w.ReadInteger(section, "d" + j, 0);
    if (index == 0) return run.destination + "\\" + name;
    const std::string dir =
        w.ReadString("directories", "d" + o + "_" + std::to_string(index), "\\");
    if (HasSystemRoot(dir)) return BelowWindows(run, dir) + name;
    return run.destination + dir + name;
}

} // namespace integration
} // namespace corvid
