// Windows paths as the uninstaller checks them before it removes anything: taken apart into a
// root (a drive or a network share) and names, with every name checked, so that a path from the
// log can be compared with the destination and the Windows directory name by name.
#pragma once

#include <string>
#include <vector>

namespace corvid {

struct WinPath {
    std::string root;               // "C:" or "\\server\share"
    std::vector<std::string> parts; // the folders and the file below the root

    bool IsRoot() const { return parts.empty(); }
    // root + "\" + the names joined by "\"; root + "\" for the root itself.
    std::string Text() const;
    WinPath Child(const std::vector<std::string>& names) const;
    WinPath Parent() const; // the root stays the root
};

// An absolute path: "X:\..." or "\\server\share\...". False, with the reason for the report,
// for anything else (relative or drive-relative paths, device paths) and for a bad name.
bool ParseAbsolutePath(const std::string& text, WinPath& out, std::string& why);

// A path relative to a folder, as the log writes it ("\bin\tool.exe"). Refused: absolute paths
// (a drive letter, a share), names that climb out ("..") or that are no file names. "." and empty
// names are skipped; no names at all means the folder itself.
bool ParseRelativePath(const std::string& text, std::vector<std::string>& parts, std::string& why);

// Names compare as Windows compares them, without regard to case.
bool SamePath(const WinPath& a, const WinPath& b);
// inner lies strictly below outer.
bool IsBelow(const WinPath& inner, const WinPath& outer);

} // namespace corvid
