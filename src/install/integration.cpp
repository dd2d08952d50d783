// Helpers that several system-integration phases share.
#include "install/integration.h"

namespace corvid {
namespace integration {

std::string PathOf(const RunState& run, const schema::Place& place) {
    return (place.belowWindows ? run.windowsDirectory : run.destination) + place.rest;
}

std::string UninstallCommand(const RunState& run) {
    return run.windowsDirectory + "\\uncorvid.exe " + run.destination + "\\setup\\uninst.log";
}

} // namespace integration
} // namespace corvid
