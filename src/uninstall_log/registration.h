// How an installation hands its log to the uninstaller: the shared uninstaller in the Windows
// directory, the log's place in the destination, the command line that joins them and the
// uninstall registration that holds it. A later setup reads the destination back out of the
// registered command line, so its shape is fixed.
#pragma once

#include <string>

namespace corvid::uninstall_log {

// The uninstaller, installed once into the Windows directory and shared by every product.
constexpr char kUninstallerFileName[] = "uncorvid.exe";
std::string UninstallerPath(const std::string& windowsDirectory);

// destination + "\setup\uninst.log"; LogPathTail() is what follows the destination.
std::string LogPathTail();
std::string LogPath(const std::string& destination);

// uninstallerPath, a blank and the log path, unquoted even when it holds blanks. The setup adds
// the option after a terminated installation, which makes the uninstaller run without a window.
constexpr char kSilentOption[] = "/silent";
std::string UninstallCommandLine(const std::string& uninstallerPath,
                                 const std::string& destination);
std::string SilentUninstallCommandLine(const std::string& uninstallerPath,
                                       const std::string& destination);

// The uninstall registrations' key below HKEY_LOCAL_MACHINE, and one product's key below it as
// the setup writes and reads it, values "UninstallString", "DisplayName" and "version".
constexpr char kRegistrationsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
std::string RegistrationKey(const std::string& productName);

} // namespace corvid::uninstall_log
