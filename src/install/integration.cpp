// Helpers that several system-integration phases share.
#include "install/integration.h"

#include "setupinf/profile.h"
#include "uninstall/paths.h"
#include "uninstall_log/registration.h"

namespace corvid {
namespace integration {

std::string PathOf(const RunState& run, const schema::Place& place) {
    return (place.belowWindows ? run.windowsDirectory : run.destination) + place.rest;
}

namespace {

std::string CheckedPath(Platform& p, RunState& run, const schema::Place& place,
                        const std::string& item, bool lookAtPlace, bool* exists) {
    // The uninstaller's own rule for the names it may remove: what it would refuse to take away
    // is never written.
    const char* where = place.belowWindows ? "the Windows directory" : "the destination";
    std::vector<std::string> parts;
    std::string why;
    if (!ParseRelativePath(place.rest, parts, why))
        throw RuntimeError("The setup description places " + item + " at " + place.rest +
                           " outside " + where + ": " + why + ".");
    std::string path = place.belowWindows ? run.windowsDirectory : run.destination;
    for (size_t i = 0; i < parts.size(); ++i) {
        path += "\\" + parts[i];
        const bool folder = i + 1 < parts.size();
        if (folder && run.checkedFolders.count(FoldCase(path))) continue;
        if (!folder && !lookAtPlace) break;
        const PathInfo info = p.QueryPath(path);
        if (!info.link) {
            if (folder && info.exists && info.directory) run.checkedFolders.insert(FoldCase(path));
            if (!folder && exists) *exists = info.exists && !info.directory; // as FileExists
            continue;
        }
        throw RuntimeError("The way to " + item +
                           " leads through a link (junction or symbolic "
                           "link) at " +
                           path + ", out of " + where + ".");
    }
    return PathOf(run, place);
}

} // namespace

std::string WritablePath(Platform& p, RunState& run, const schema::Place& place,
                         const std::string& item, bool* exists) {
    return CheckedPath(p, run, place, item, true, exists);
}

std::string WritableFolderPath(Platform& p, RunState& run, const schema::Place& place,
                               const std::string& item) {
    return CheckedPath(p, run, place, item, false, nullptr);
}

void NoteMadeFolders(RunState& run, const std::vector<std::string>& made) {
    for (const std::string& f : made) run.checkedFolders.insert(FoldCase(f));
}

std::string UninstallCommand(const RunState& run) {
    return uninstall_log::UninstallCommandLine(run.uninstallerPath, run.destination);
}

} // namespace integration
} // namespace corvid
