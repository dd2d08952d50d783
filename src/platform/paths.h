// Windows path rules that several layers share: the drive part of a path, and making a
// directory with every missing one above it.
#pragma once

#include <string>

#include "platform/platform.h"

namespace corvid {

// The drive of a path as written, "D:", or the server and share of a network path,
// "\\server\share" (all of it when it names no share); empty for a path without either.
std::string DriveOf(const std::string& path);

// Creates a directory and every missing one above it; a trailing "\" is ignored. Goes on past a
// level that cannot be made, and returns whether the directory is there at the end.
bool ForceDirectories(Platform& platform, const std::string& path);

} // namespace corvid
