// The file and disk part of the platform over the C++ standard library, for the command-line
// tools (native and Windows). On hosts other than Windows, "\" in paths stands for "/".
// The user-interface, profile, registry and process operations do nothing.
#pragma once

#include "platform/platform.h"

namespace corvid {

class HostPlatform : public Platform {
public:
    // The host path of a program path.
    static std::string HostPath(const std::string& path);

    std::string ModulePath() override { return std::string(); }
    std::string WindowsDirectory() override { return std::string(); }
    char CurrentDrive() override;
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    bool CreateDir(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<Stream> OpenFile(const std::string& path, OpenMode mode) override;
    bool SetFileAttributes(const std::string& path, uint32_t attributes) override;
    // Free bytes of the drive; on hosts without drive letters, of the current directory's
    // file system.
    int64_t DiskFree(char drive) override;

    std::string ProfileString(const std::string&, const std::string&, const std::string&,
                              const std::string& deflt) override {
        return deflt;
    }
    bool WriteProfileString(const std::string&, const std::string&, const std::string&,
                            const std::string&) override {
        return false;
    }
    bool RegReadString(RegRoot, const std::string&, const std::string&, std::string&) override {
        return false;
    }
    bool RegWriteString(RegRoot, const std::string&, const std::string&,
                        const std::string&) override {
        return false;
    }
    unsigned WinExec(const std::string&, int) override { return 0; }
    bool DdeExecute(const std::string&, const std::string&, const std::string&) override {
        return false;
    }
    bool ExitWindows(unsigned) override { return false; }
    int MessageBox(const std::string&, const std::string&, unsigned) override { return mb::IdOk; }
    int ScreenWidth() override { return 0; }
    int ScreenHeight() override { return 0; }
    void SetHourglass(bool) override {}
    bool ProcessMessages() override { return terminated_; }
    void Terminate() override { terminated_ = true; }
    bool Terminated() override { return terminated_; }
    int ShowModal(Form&) override { return 0; }
    void AttachForm(Form&) override {}
    void RunMessageLoop(Form&) override {}
    void Yield() override {}
    uint32_t TickCount() override;

private:
    bool terminated_ = false;
};

// Converts an MS-DOS date and time (local time) to seconds since 1970 and back; 0 / false when
// the value is not a valid date.
bool DosDateTimeToUnix(uint32_t dosDateTime, int64_t& seconds);
uint32_t UnixToDosDateTime(int64_t seconds);

} // namespace corvid
