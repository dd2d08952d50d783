// The file and disk part of the platform over the C++ standard library, for the command-line
// tools (native and Windows). On hosts other than Windows, "\" in paths stands for "/".
// The user-interface, profile, registry and process operations do nothing.
#pragma once

#include <cstdio>

#include "platform/platform.h"

namespace corvid {

// A stream over an open C file; closes it when destroyed.
class HostStream : public Stream {
public:
    HostStream(std::FILE* f, std::string hostPath) : f_(f), hostPath_(std::move(hostPath)) {}
    ~HostStream() override;
    HostStream(const HostStream&) = delete;
    HostStream& operator=(const HostStream&) = delete;
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t Size() override;
    // The time is applied once the file is closed, so that no later flush changes it.
    bool SetDosDateTime(uint32_t dosDateTime) override;
    bool Truncate() override;
    void Flush() override;

private:
    std::FILE* f_;
    std::string hostPath_;
    bool hasTime_ = false;
    int64_t time_ = 0;
};

class HostPlatform : public Platform {
public:
    // The host path of a program path.
    static std::string HostPath(const std::string& path);
    // The host path the file operations use for a program path; HostPath unless a platform
    // keeps its files elsewhere.
    virtual std::string MapPath(const std::string& path) const { return HostPath(path); }

    // --- files and disks: the host's own; no program file and no Windows directory
    std::string ModulePath() override { return std::string(); }
    std::string WindowsDirectory() override { return std::string(); }
    char CurrentDrive() override;
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    bool CreateDir(const std::string& path) override;
    bool RemoveDir(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool MoveFileOver(const std::string& from, const std::string& to) override;
    bool StampFile(const std::string& path, FileStamp& stamp) override;
    bool CopyFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<Stream> OpenFile(const std::string& path, OpenMode mode) override;
    bool SetFileAttributes(const std::string& path, uint32_t attributes) override;
    // Free bytes of the drive; on hosts without drive letters, of the current directory's
    // file system.
    int64_t DiskFree(char drive) override;
    // Drives: the current drive only, on hosts without drive letters.
    std::string DriveLetters() override;
    std::string DriveDirectory(char drive) override;
    bool ListDirectories(const std::string& dir, std::vector<std::string>& names) override;
    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override;
    PathInfo QueryPath(const std::string& path) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    bool FileNumber(const std::string& path, uint64_t& number) override;
    // The host has no short names.
    std::string LongPathName(const std::string& path) override { return path; }

    // --- private profile (INI) files: untouched here
    std::string ProfileString(const std::string&, const std::string&, const std::string&,
                              const std::string& deflt) override {
        return deflt;
    }
    bool WriteProfileString(const std::string&, const std::string&, const std::string&,
                            const std::string&) override {
        return false;
    }
    bool ProfileSectionNames(const std::string&, std::vector<std::string>& names) override {
        names.clear();
        return false;
    }
    bool ProfileKeyNames(const std::string&, const std::string&,
                         std::vector<std::string>& names) override {
        names.clear();
        return false;
    }
    bool DeleteProfileKey(const std::string&, const std::string&, const std::string&) override {
        return false;
    }
    bool DeleteProfileSection(const std::string&, const std::string&) override { return false; }

    // --- registry: untouched here
    bool RegReadString(RegRoot, const std::string&, const std::string&, std::string&) override {
        return false;
    }
    bool RegWriteString(RegRoot, const std::string&, const std::string&,
                        const std::string&) override {
        return false;
    }
    bool RegCreateKey(RegRoot, const std::string&) override { return false; }
    bool RegListKey(RegRoot, const std::string&, std::vector<std::string>&,
                    std::vector<RegValueInfo>&) override {
        return false;
    }
    bool RegDeleteValue(RegRoot, const std::string&, const std::string&) override { return false; }
    bool RegDeleteKey(RegRoot, const std::string&) override { return false; }

    // --- processes and DDE: nothing starts and nothing answers
    unsigned WinExec(const std::string&, int) override { return 0; }
    bool ExitWindows(unsigned) override { return false; }
    bool RunAndWait(const std::string&, int, uint32_t&) override { return false; }
    std::string LocalTime() override;
    bool DdeExecute(const std::string&, const std::string&, const std::string&) override {
        return false;
    }
    bool DdeOpen(const std::string&, const std::string&) override { return false; }
    bool DdeSend(const std::string&) override { return false; }
    void DdeClose() override {}

    // --- windows and messages: no screen and nothing in front; the clock and sleep are real
    int MessageBox(const std::string&, const std::string&, unsigned) override { return mb::IdOk; }
    int ScreenWidth() override { return 0; }
    int ScreenHeight() override { return 0; }
    void SetHourglass(bool) override {}
    std::string ForegroundWindowTitle(int) override { return std::string(); }
    void BringToFront() override {}
    void AttachForm(Form&) override {}
    int ShowModal(Form&) override { return 0; }
    void RunMessageLoop(Form&) override {}
    bool ProcessMessages() override { return terminated_; }
    bool InputWaiting() override { return false; }
    void Terminate() override { terminated_ = true; }
    bool Terminated() override { return terminated_; }
    void WaitForMessage(uint32_t) override {}
    void Yield() override {}
    void Sleep(uint32_t milliseconds) override;
    uint32_t TickCount() override;

protected:
    // Makes the stream for a file opened as `path`; a platform that watches its streams returns
    // its own kind of HostStream.
    virtual std::unique_ptr<Stream> NewStream(std::FILE* f, const std::string& path,
                                              const std::string& hostPath);

private:
    bool terminated_ = false;
};

// Converts an MS-DOS date and time (local time) to seconds since 1970 and back; 0 / false when
// the value is not a valid date.
bool DosDateTimeToUnix(uint32_t dosDateTime, int64_t& seconds);
uint32_t UnixToDosDateTime(int64_t seconds);

} // namespace corvid
