// What the setup description can hold: file names, directory values and their code page.
#pragma once

#include <filesystem>
#include <string>

#include "setupinf/profile.h"

namespace corvid::pack {

// Host paths are kept as UTF-8 text (on Windows too, where the narrow file-system text would not
// come back to the same file) and made into file-system paths only to touch files.
std::filesystem::path FsPath(const std::string& utf8);
std::string PathText(const std::filesystem::path& path);

// A host file name (UTF-8) in the setup's code page (Windows-1252). False when the name has a
// character the code page lacks.
bool HostNameToAnsi(const std::string& host, std::string& ansi);
// Setup text for the terminal: UTF-8 except on Windows.
std::string ShowAnsi(const std::string& ansi);

// Why a file name cannot be one the setup installs, or empty when it can: characters Windows
// refuses, blanks the description's reader would strip, device names, "[leer]" (which ends a
// component's list).
std::string FileNameProblem(const std::string& name);

// True when "%SystemRoot%" begins a value, as descriptions write it: the setup takes any value
// holding it for one below the Windows directory and drops its first 12 characters, whatever
// they are.
bool SystemRootLeads(const std::string& value);

// Why a directory value (as [directories] d<k>_<i> holds it) is not one the setup handles, or
// empty: it must be "\" + names + "\" or "%SystemRoot%" + that, with no "%" elsewhere (the setup
// skips such rows).
std::string DirectoryValueProblem(const std::string& value);

// The longest value the setup reads back whole.
constexpr size_t kValueMax = kProfileBufferSize - 1;

} // namespace corvid::pack
