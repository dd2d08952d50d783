// A file read or written whole through the platform: the profile files the program keeps in
// memory (the setup description, the uninstall log).
#pragma once

#include <string>

#include "platform/platform.h"

namespace corvid {

// The bytes of a file; false when it cannot be opened or read to its end.
bool ReadWholeFile(Platform& p, const std::string& path, std::string& bytes);

// Writes the bytes as a new file under tempPath (beside path) and then puts it in place of path,
// so that path holds either its old bytes or all the new ones. False when any step is refused;
// the temporary file is gone again then.
bool ReplaceWholeFile(Platform& p, const std::string& path, const std::string& tempPath,
                      const std::string& bytes);

// Writes the bytes over the file itself and cuts it after them; false when refused or when the
// path is a link. For when there is no room for a second copy beside it: the file is then
// rewritten as the system's profile call rewrites its files.
bool OverwriteWholeFile(Platform& p, const std::string& path, const std::string& bytes);

} // namespace corvid
