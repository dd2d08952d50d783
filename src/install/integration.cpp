// Helpers that several system-integration phases share.
#include "install/integration.h"

#include "uninstall_log/registration.h"

namespace corvid {
namespace integration {

std::string PathOf(const RunState& run, const schema::Place& place) {
    return (place.belowWindows ? run.windowsDirectory : run.destination) + place.rest;
}

std::string UninstallCommand(const RunState& run) {
    return uninstall_log::UninstallCommandLine(run.uninstallerPath, run.destination);
}

} // namespace integration
} // namespace corvid
