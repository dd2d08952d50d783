// The real platform: the Windows API behind every operation of the platform interface.
#pragma once

#include "platform/platform.h"
#include "win32/view.h"
#include "win32/win.h"

namespace corvid {

class Win32Platform : public Platform {
public:
    explicit Win32Platform(HINSTANCE instance);

    // --- files and disks
    std::string ModulePath() override;
    std::string WindowsDirectory() override;
    char CurrentDrive() override;
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    bool CreateDir(const std::string& path) override;
    bool RemoveDir(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to) override;
    bool MoveFileOver(const std::string& from, const std::string& to) override;
    bool StampFile(const std::string& path, FileStamp& stamp) override;
    std::unique_ptr<Stream> OpenFile(const std::string& path, OpenMode mode) override;
    bool SetFileAttributes(const std::string& path, uint32_t attributes) override;
    int64_t DiskFree(char drive) override;
    std::string DriveLetters() override;
    std::string DriveDirectory(char drive) override;
    bool ListDirectories(const std::string& dir, std::vector<std::string>& names) override;
    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override;
    PathInfo QueryPath(const std::string& path) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    bool FileNumber(const std::string& path, uint64_t& number) override;
    std::string LongPathName(const std::string& path) override;

    // --- private profile (INI) files
    std::string ProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& deflt) override;
    bool WriteProfileString(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value) override;
    bool ProfileSectionNames(const std::string& file, std::vector<std::string>& names) override;
    bool ProfileKeyNames(const std::string& file, const std::string& section,
                         std::vector<std::string>& names) override;
    bool DeleteProfileKey(const std::string& file, const std::string& section,
                          const std::string& key) override;
    bool DeleteProfileSection(const std::string& file, const std::string& section) override;

    // --- registry
    bool RegReadString(RegRoot root, const std::string& key, const std::string& name,
                       std::string& value) override;
    bool RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                        const std::string& value) override;
    bool RegCreateKey(RegRoot root, const std::string& key) override;
    bool RegListKey(RegRoot root, const std::string& key, std::vector<std::string>& subkeys,
                    std::vector<RegValueInfo>& values) override;
    bool RegDeleteValue(RegRoot root, const std::string& key, const std::string& name) override;
    bool RegDeleteKey(RegRoot root, const std::string& key) override;

    // --- processes and DDE
    unsigned WinExec(const std::string& commandLine, int show) override;
    bool ExitWindows(unsigned how) override;
    bool RunAndWait(const std::string& commandLine, int show, uint32_t& exitCode) override;
    bool DdeExecute(const std::string& service, const std::string& topic,
                    const std::string& command) override;
    bool DdeOpen(const std::string& service, const std::string& topic) override;
    bool DdeSend(const std::string& text) override;
    void DdeClose() override;

    // --- windows and messages
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    int ScreenWidth() override;
    int ScreenHeight() override;
    void SetHourglass(bool on) override;
    std::string ForegroundWindowTitle(int maxChars) override;
    void BringToFront() override;
    void AttachForm(Form& form) override;
    int ShowModal(Form& form) override;
    void RunMessageLoop(Form& mainForm) override;
    bool ProcessMessages() override;
    bool InputWaiting() override;
    void Terminate() override;
    bool Terminated() override;
    void WaitForMessage(uint32_t ms) override;
    void Yield() override;
    void Sleep(uint32_t milliseconds) override;
    uint32_t TickCount() override;
    std::string LocalTime() override;

    View& view() { return view_; }

private:
    void Dispatch(MSG& msg);
    // Waits for the next message and dispatches it; false when the loop must end: at the quit
    // message (which ends the application) or when the queue fails.
    bool DispatchNext();

    View view_;
    bool terminated_ = false;
    DWORD ddeInstance_ = 0; // the DDE conversation of DdeOpen
    HCONV ddeConversation_ = nullptr;
};

} // namespace corvid
