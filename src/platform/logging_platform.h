// A platform that hands every operation to another one and writes each change it makes to the
// machine into a text log: directories, files with their size, registry and INI entries, program
// manager commands, programs started, message boxes with the answer given. The setup and the
// uninstaller put it over the real platform when they are asked for a log.
#pragma once

#include <functional>

#include "platform/platform.h"
#include "platform/text_log.h"

namespace corvid {

class LoggingPlatform : public Platform {
public:
    LoggingPlatform(Platform& inner, TextLog& log) : inner_(inner), log_(log) {}

    // Files the log leaves out (work files that come and go); by default none.
    std::function<bool(const std::string& path)> unlogged;

    Platform& inner() { return inner_; }
    TextLog& log() { return log_; }

    // --- files and disks
    std::string ModulePath() override { return inner_.ModulePath(); }
    std::string WindowsDirectory() override { return inner_.WindowsDirectory(); }
    char CurrentDrive() override { return inner_.CurrentDrive(); }
    bool FileExists(const std::string& path) override { return inner_.FileExists(path); }
    bool DirectoryExists(const std::string& path) override { return inner_.DirectoryExists(path); }
    bool CreateDir(const std::string& path) override;
    bool RemoveDir(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<Stream> OpenFile(const std::string& path, OpenMode mode) override;
    bool SetFileAttributes(const std::string& path, uint32_t attributes) override {
        return inner_.SetFileAttributes(path, attributes);
    }
    int64_t DiskFree(char drive) override { return inner_.DiskFree(drive); }
    std::string DriveLetters() override { return inner_.DriveLetters(); }
    std::string DriveDirectory(char drive) override { return inner_.DriveDirectory(drive); }
    bool ListDirectories(const std::string& dir, std::vector<std::string>& names) override {
        return inner_.ListDirectories(dir, names);
    }
    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        return inner_.ListDirectory(path, names);
    }
    bool MoveFileOver(const std::string& from, const std::string& to) override;
    bool StampFile(const std::string& path, FileStamp& stamp) override {
        return inner_.StampFile(path, stamp);
    }
    PathInfo QueryPath(const std::string& path) override { return inner_.QueryPath(path); }
    bool SameFile(const std::string& a, const std::string& b) override {
        return inner_.SameFile(a, b);
    }
    bool FileNumber(const std::string& path, uint64_t& number) override {
        return inner_.FileNumber(path, number);
    }
    std::string LongPathName(const std::string& path) override { return inner_.LongPathName(path); }

    // --- private profile (INI) files
    std::string ProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& deflt) override {
        return inner_.ProfileString(file, section, key, deflt);
    }
    bool WriteProfileString(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value) override;
    bool ProfileSectionNames(const std::string& file, std::vector<std::string>& names) override {
        return inner_.ProfileSectionNames(file, names);
    }
    bool ProfileKeyNames(const std::string& file, const std::string& section,
                         std::vector<std::string>& names) override {
        return inner_.ProfileKeyNames(file, section, names);
    }
    bool DeleteProfileKey(const std::string& file, const std::string& section,
                          const std::string& key) override;
    bool DeleteProfileSection(const std::string& file, const std::string& section) override;

    // --- registry
    bool RegReadString(RegRoot root, const std::string& key, const std::string& name,
                       std::string& value) override {
        return inner_.RegReadString(root, key, name, value);
    }
    bool RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                        const std::string& value) override;
    bool RegCreateKey(RegRoot root, const std::string& key) override;
    bool RegListKey(RegRoot root, const std::string& key, std::vector<std::string>& subkeys,
                    std::vector<RegValueInfo>& values) override {
        return inner_.RegListKey(root, key, subkeys, values);
    }
    bool RegDeleteValue(RegRoot root, const std::string& key, const std::string& name) override;
    bool RegDeleteKey(RegRoot root, const std::string& key) override;

    // --- processes and DDE
    unsigned WinExec(const std::string& commandLine, int show) override;
    bool RunAndWait(const std::string& commandLine, int show, uint32_t& exitCode) override;
    bool ExitWindows(unsigned how) override;
    bool DdeExecute(const std::string& service, const std::string& topic,
                    const std::string& command) override;
    bool DdeOpen(const std::string& service, const std::string& topic) override {
        return inner_.DdeOpen(service, topic);
    }
    bool DdeSend(const std::string& text) override;
    void DdeClose() override { inner_.DdeClose(); }

    // --- windows and messages
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    int ScreenWidth() override { return inner_.ScreenWidth(); }
    int ScreenHeight() override { return inner_.ScreenHeight(); }
    void SetHourglass(bool on) override { inner_.SetHourglass(on); }
    std::string ForegroundWindowTitle(int maxChars) override {
        return inner_.ForegroundWindowTitle(maxChars);
    }
    void BringToFront() override { inner_.BringToFront(); }
    void AttachForm(Form& form) override { inner_.AttachForm(form); }
    int ShowModal(Form& form) override { return inner_.ShowModal(form); }
    void RunMessageLoop(Form& mainForm) override { inner_.RunMessageLoop(mainForm); }
    bool ProcessMessages() override { return inner_.ProcessMessages(); }
    bool InputWaiting() override { return inner_.InputWaiting(); }
    void Terminate() override { inner_.Terminate(); }
    bool Terminated() override { return inner_.Terminated(); }
    void WaitForMessage(uint32_t ms) override { inner_.WaitForMessage(ms); }
    void Yield() override { inner_.Yield(); }
    void Sleep(uint32_t milliseconds) override { inner_.Sleep(milliseconds); }
    uint32_t TickCount() override { return inner_.TickCount(); }
    std::string LocalTime() override { return inner_.LocalTime(); }

    // A message box's line: its caption, text, buttons and the answer, also for answers given
    // without showing the box.
    void LogMessage(const std::string& text, const std::string& caption, unsigned flags, int answer,
                    bool shown);

private:
    bool Logged(const std::string& path) const { return !unlogged || !unlogged(path); }
    std::string ProfilePath(const std::string& file);
    Platform& inner_;
    TextLog& log_;
};

} // namespace corvid
