// The platform used by unit tests: drive letters map to temporary directories (names compared
// without regard to case, as on Windows), the registry lives in memory, process starts and DDE
// texts are recorded, message boxes and modal forms are answered by the test. The file operations
// are the host platform's, over the mapped paths.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "forms/form.h"
#include "platform/host_platform.h"

namespace corvid {

class FakePlatform : public HostPlatform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // --- test set-up and inspection
    // Host path for a Windows path (the file need not exist). Components that exist are matched
    // without regard to case.
    std::string HostPath(const std::string& windowsPath) const;
    std::string MapPath(const std::string& path) const override { return HostPath(path); }
    void WriteFile(const std::string& windowsPath, const std::string& bytes);
    std::string ReadFile(const std::string& windowsPath) const;
    std::string root; // host directory holding one folder per drive letter
    // A junction or symbolic link at linkPath that leads to target (both Windows paths).
    void MakeLink(const std::string& linkPath, const std::string& target);
    // Short (8.3) names: the folded full path with a short last name ("C:\WINDOWS\UNCORV~1.EXE")
    // to that name's long form ("uncorvid.exe"). File operations accept both, as the system does.
    std::map<std::string, std::string> shortNames;
    std::string LongPathName(const std::string& path) override;
    // Reads of a file (its folded Windows path) fail once they reach this offset: a bad sector or
    // a medium taken out.
    std::map<std::string, int64_t> failingReads;
    // Looks at a path (QueryPath), by its folded Windows path.
    std::map<std::string, int> pathLooks;
    PathInfo QueryPath(const std::string& path) override;

    // --- files and disks: the host platform's, over the mapped paths, and these
    std::string modulePath = "D:\\setup.exe";
    std::string windowsDirectory = "C:\\WINDOWS";
    std::map<char, int64_t> diskFree; // default: 1 GB
    std::string ModulePath() override { return modulePath; }
    std::string WindowsDirectory() override { return windowsDirectory; }
    char CurrentDrive() override { return 'C'; }
    bool SetFileAttributes(const std::string& path, uint32_t attributes) override;
    std::map<std::string, uint32_t> attributes; // folded Windows path -> attributes set
    std::map<std::string, uint32_t> dosTimes;   // folded Windows path -> date and time set
    int64_t DiskFree(char drive) override;
    // Drives are the one-letter folders of root; a drive's current directory is its root unless
    // driveDirectory says otherwise.
    std::string DriveLetters() override;
    std::string DriveDirectory(char drive) override;
    std::map<char, std::string> driveDirectory;

    // --- private profile (INI) files: our own reader and editor over the mapped files
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

    // --- registry: in memory
    std::map<std::string, std::string> registry; // "ROOT\key\name" (folded) -> value
    static std::string RegPath(RegRoot root, const std::string& key, const std::string& name);
    std::set<std::string> registryKeys; // "ROOT\key" (folded) of every key made
    // Keys (RegPath(root, key, "") without the final "\") that the system refuses to create,
    // and value names it refuses to set.
    std::set<std::string> refusedKeys, refusedValues;
    // A key exists when it is in registryKeys, holds a value in `registry` or has a sub-key.
    bool RegKeyExists(RegRoot root, const std::string& key) const;
    bool RegReadString(RegRoot root, const std::string& key, const std::string& name,
                       std::string& value) override;
    bool RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                        const std::string& value) override;
    bool RegCreateKey(RegRoot root, const std::string& key) override;
    bool RegListKey(RegRoot root, const std::string& key, std::vector<std::string>& subkeys,
                    std::vector<RegValueInfo>& values) override;
    bool RegDeleteValue(RegRoot root, const std::string& key, const std::string& name) override;
    bool RegDeleteKey(RegRoot root, const std::string& key) override;

    // --- processes and DDE: recorded
    std::vector<std::string> processStarts;
    std::vector<int> processShowModes;
    // The start result of a command line; by default 33 (started).
    std::function<unsigned(const std::string&)> startResult;
    unsigned WinExec(const std::string& commandLine, int show) override;
    bool ExitWindows(unsigned how) override;
    // Programs run and waited for: recorded in waitedRuns; their exit code from waitedResult,
    // by default 0.
    std::vector<std::string> waitedRuns;
    std::function<uint32_t(const std::string&)> waitedResult;
    bool RunAndWait(const std::string& commandLine, int show, uint32_t& exitCode) override;
    std::vector<unsigned> exitWindowsCalls;
    bool exitWindowsRefused = false;
    std::vector<std::string> ddeCommands;
    bool DdeExecute(const std::string& service, const std::string& topic,
                    const std::string& command) override;
    // The program manager's DDE conversation. Which service and topic answer a connect; by
    // default "Progman" with the topic "Progman".
    std::function<bool(const std::string& service, const std::string& topic)> ddeAnswers;
    std::vector<std::string> ddeConnects; // "service|topic" of every attempt
    bool ddeConnected = false;
    int ddeCloses = 0;
    // ddeCommands (above) receives the text of every execute transaction.
    bool DdeOpen(const std::string& service, const std::string& topic) override;
    bool DdeSend(const std::string& text) override;
    void DdeClose() override;

    // --- windows and messages: answered by the test
    struct MessageBoxCall {
        std::string text, caption;
        unsigned flags;
    };
    std::vector<MessageBoxCall> messageBoxes;
    // Answers message boxes; by default OK/Yes (the first button).
    std::function<int(const MessageBoxCall&)> answerMessageBox;
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    int screenWidth = 800, screenHeight = 600;
    int hourglassOn = 0;
    int ScreenWidth() override { return screenWidth; }
    int ScreenHeight() override { return screenHeight; }
    void SetHourglass(bool on) override { hourglassOn += on ? 1 : -1; }
    // The foreground window's title; by default none.
    std::function<std::string()> foregroundTitle;
    std::vector<int> foregroundTitleLengths; // maxChars of every query
    int bringToFrontCalls = 0;
    std::string ForegroundWindowTitle(int maxChars) override;
    void BringToFront() override { ++bringToFrontCalls; }
    void AttachForm(Form& form) override { attachedForms.push_back(form.name); }
    std::vector<std::string> attachedForms;
    // Runs while a form is shown modally, after its activation; by default it closes the form
    // at once.
    std::function<int(Form&)> modalHandler;
    std::vector<std::string> modalForms;
    int ShowModal(Form& form) override;
    void RunMessageLoop(Form& mainForm) override;
    std::function<void()> messageLoop; // what the user does once the loop runs
    int processMessagesCalls = 0;
    std::function<void()> onProcessMessages; // runs at every pause point
    bool terminated = false;
    bool ProcessMessages() override;
    bool inputWaiting = false; // cleared by the next pump
    int inputLooks = 0;
    bool InputWaiting() override {
        ++inputLooks;
        return inputWaiting;
    }
    void Terminate() override { terminated = true; }
    bool Terminated() override { return terminated; }
    void WaitForMessage(uint32_t) override {}
    void Yield() override {}
    void Sleep(uint32_t milliseconds) override { slept += milliseconds; }
    uint64_t slept = 0;
    uint32_t tick = 0;
    uint32_t TickCount() override { return tick; }

protected:
    std::string ExpandShortNames(const std::string& path) const;
    // Streams record the date and time set on them in dosTimes instead of applying it.
    std::unique_ptr<Stream> NewStream(std::FILE* f, const std::string& path,
                                      const std::string& hostPath) override;
};

} // namespace corvid
