// What the setup description can hold: file names, directory values and their code page.
#pragma once

#include <filesystem>
#include <string>

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

// The longest part after "%SystemRoot%" that the file transfer takes over.
constexpr size_t kSystemRootRestMax = 30;
constexpr char kSystemRoot[] = "%SystemRoot%";

// True when a directory value names a directory below the Windows directory.
bool IsSystemRootValue(const std::string& value);

// Why a directory value (as [directories] d<k>_<i> holds it) is not one the setup handles, or
// empty: it must be "\" + names + "\" or "%SystemRoot%" + that, with no "%" elsewhere (the setup
// skips such rows), and below the Windows directory at most 30 characters after "%SystemRoot%".
std::string DirectoryValueProblem(const std::string& value);

// The longest value the setup reads back whole.
constexpr size_t kValueMax = 1023;

} // namespace corvid::pack
