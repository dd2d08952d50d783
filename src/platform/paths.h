// Windows path rules that several layers share: the drive part of a path, and making a
// directory with every missing one above it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvid {

// The drive of a path as written, "D:", or the server and share of a network path,
// "\\server\share" (all of it when it names no share); empty for a path without either.
std::string DriveOf(const std::string& path);

// Creates a directory and every missing one above it; a trailing "\" is ignored. Goes on past a
// level that cannot be made, and returns whether the directory is there at the end. The folders
// it made are added to created, outermost first.
bool ForceDirectories(Platform& platform, const std::string& path,
                      std::vector<std::string>* created = nullptr);

// Clears the place where the program is about to create one of its own work files: a file
// there goes (the new one replaces it anyway). False, with nothing done, when a link (junction or
// symbolic link) stands there: creating the file would write wherever it leads, and removing it
// is not safe everywhere (some systems remove the target instead).
bool ClearWorkFilePlace(Platform& platform, const std::string& path);

} // namespace corvid
