#include "platform/paths.h"

namespace corvid {

std::string DriveOf(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const size_t server = path.find('\\', 2);
        if (server == std::string::npos) return path;
        return path.substr(0, path.find('\\', server + 1));
    }
    return std::string();
}

bool ForceDirectories(Platform& platform, const std::string& path,
                      std::vector<std::string>* created) {
    std::string dir = path;
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    // "X:" and "\" end the climb: they are there or cannot be made.
    if (dir.size() <= 2 || platform.DirectoryExists(dir)) return true;
    const size_t cut = dir.find_last_of('\\');
    if (cut != std::string::npos && cut > 0)
        ForceDirectories(platform, dir.substr(0, cut), created);
    if (platform.CreateDir(dir)) {
        if (created) created->push_back(dir);
        return true;
    }
    return platform.DirectoryExists(dir);
}

bool ClearWorkFilePlace(Platform& platform, const std::string& path) {
    const PathInfo info = platform.QueryPath(path);
    if (info.link) return false;
    if (info.exists && !info.directory) platform.DeleteFile(path);
    return true;
}

} // namespace corvid
