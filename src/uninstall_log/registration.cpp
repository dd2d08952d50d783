#include "uninstall_log/registration.h"

#include "uninstall_log/log_format.h"

namespace corvid::uninstall_log {

std::string UninstallerPath(const std::string& windowsDirectory) {
    return windowsDirectory + "\\" + kUninstallerFileName;
}

std::string LogPathTail() {
    return std::string("\\") + kSetupFolderName + "\\" + kFileName;
}

std::string LogPath(const std::string& destination) {
    return destination + LogPathTail();
}

std::string UninstallCommandLine(const std::string& uninstallerPath,
                                 const std::string& destination) {
    return uninstallerPath + " " + LogPath(destination);
}

std::string SilentUninstallCommandLine(const std::string& uninstallerPath,
                                       const std::string& destination) {
    return UninstallCommandLine(uninstallerPath, destination) + " " + kSilentOption;
}

std::string RegistrationKey(const std::string& productName) {
    return std::string("\\") + kRegistrationsKey + "\\" + productName;
}

} // namespace corvid::uninstall_log
