// The seam between the program and the operating system. Every file, disk, profile, registry,
// process, DDE, message-box, screen, cursor, message-pump, yield, clock and restart operation goes
// through this interface. The real implementation lives in src/win32/, the fake in tests/.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvid {

class Form;

// A run-time failure of the kind the program's general error handler shows with its message
// (file, stream, INI and registry errors).
class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Byte stream over an open file. Reads and writes return the count actually transferred.
class Stream {
public:
    virtual ~Stream() = default;
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    // Origin: 0 from the start, 1 from the current position, 2 from the end. Returns the new
    // position.
    virtual int64_t Seek(int64_t offset, int origin) = 0;
    virtual int64_t Size() = 0;
    // MS-DOS packed date (high 16 bits) and time (low 16 bits), local time.
    virtual bool SetDosDateTime(uint32_t dosDateTime) = 0;
    // Cuts the file at the current position (appending to start-up files); false when refused
    // or when the stream cannot be cut.
    virtual bool Truncate() { return false; }
    // Hands what was written to the system, for files read while they are still being written
    // (a text log). Streams that do not buffer have nothing to do.
    virtual void Flush() {}
};

// What tells whether a file changed since it was read: its size and last write time, the time
// in the file system's full resolution (two writes within one second differ).
struct FileStamp {
    int64_t size = -1;
    uint64_t writeTime = 0;
    bool operator==(const FileStamp& o) const { return size == o.size && writeTime == o.writeTime; }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

enum class OpenMode {
    ReadShared,    // read only, others may read
    ReadExclusive, // read only, nobody else may open it
    Create,        // create or truncate, read and write
    CreateNew,     // create, read and write; fails when anything is there (a link included)
    ReadWrite,     // existing file, read and write
};

// What the system says of a path without following its last name.
struct PathInfo {
    bool exists = false;
    bool directory = false;
    bool link = false; // a reparse point (junction or symbolic link): its name leads elsewhere
};

// Registry roots the program uses.
enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

// The root's name as the registry editor writes it ("HKEY_LOCAL_MACHINE").
inline const char* RegRootName(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case RegRoot::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RegRoot::LocalMachine:
        break;
    }
    return "HKEY_LOCAL_MACHINE";
}

// One value of a registry key as a listing gives it.
struct RegValueInfo {
    std::string name; // empty: the key's default value
    std::string data; // string values only; empty for other types
    bool isString = false;
};

constexpr int SW_SHOWNORMAL_ = 1;      // WinExec show mode for a normal window
constexpr int SW_SHOWMINNOACTIVE_ = 7; // minimised, without activating it
constexpr unsigned EWX_LOGOFF_ = 0;    // ExitWindows: log the user off
constexpr unsigned EWX_REBOOT_ = 2;    // ExitWindows: restart the computer

// Message-box style flags and answers, as the Windows API numbers them.
namespace mb {
constexpr unsigned Ok = 0x0, OkCancel = 0x1, YesNo = 0x4;
constexpr unsigned IconStop = 0x10, IconQuestion = 0x20, IconWarning = 0x30, IconInfo = 0x40;
constexpr int IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7;
} // namespace mb

class Platform {
public:
    virtual ~Platform() = default;

    // --- files and disks
    // Paths are Windows paths, compared without regard to case. The program's own file, the
    // Windows directory and the drives are where every other path starts from.
    virtual std::string ModulePath() = 0;       // full path of the running program file
    virtual std::string WindowsDirectory() = 0; // without trailing backslash
    virtual char CurrentDrive() = 0;            // upper-case letter of the current drive
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool DirectoryExists(const std::string& path) = 0;
    // Creates one directory; false when it could not be made (also when it exists).
    virtual bool CreateDir(const std::string& path) = 0;
    // Removes one empty directory; false when it is not there, not empty or cannot be removed.
    virtual bool RemoveDir(const std::string& path) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool CopyFile(const std::string& from, const std::string& to) = 0; // overwrites
    // Puts a file in place of another in one step, so that a reader sees the old or the new file,
    // never a part; the other need not exist. False when refused (also when the other is
    // read-only); then both stay as they were.
    virtual bool MoveFileOver(const std::string& from, const std::string& to) = 0;
    // The stamp of a file; false when there is no file of that name (a directory is none).
    virtual bool StampFile(const std::string& path, FileStamp& stamp) = 0;
    // Opens a file; nullptr on failure.
    virtual std::unique_ptr<Stream> OpenFile(const std::string& path, OpenMode mode) = 0;
    virtual bool SetFileAttributes(const std::string& path, uint32_t attributes) = 0;
    // Free bytes on a drive given by its letter ('C'); -1 when the query fails.
    virtual int64_t DiskFree(char drive) = 0;
    // The letters of the drives present, upper case, in alphabetical order.
    virtual std::string DriveLetters() = 0;
    // The current directory of a drive ("C:\\Tools"), its root ("C:\\") when it has none.
    virtual std::string DriveDirectory(char drive) = 0;
    // The names of the subdirectories of a directory, sorted without regard to case; false when
    // the directory cannot be read.
    virtual bool ListDirectories(const std::string& dir, std::vector<std::string>& names) = 0;
    // Names of a directory's entries, without "." and ".."; false when it is not a directory.
    virtual bool ListDirectory(const std::string& path, std::vector<std::string>& names) = 0;
    // The path itself, not where a link at its end leads.
    virtual PathInfo QueryPath(const std::string& path) = 0;
    // Whether two paths name the same existing file or folder however they are spelt (short
    // names, trailing dots, a share of a local drive, links); false when either is missing.
    virtual bool SameFile(const std::string& a, const std::string& b) = 0;
    // The file's or folder's number on its volume, the same whatever name reaches it; false when
    // it is missing. Files with one number may still lie on two volumes: SameFile decides. A
    // cheap first test where many names are compared with the same few files.
    virtual bool FileNumber(const std::string& path, uint64_t& number) = 0;
    // The path with the short (8.3) names of its existing parts replaced by their long names;
    // the path unchanged when it does not exist.
    virtual std::string LongPathName(const std::string& path) = 0;

    // --- private profile (INI) files
    // The system's profile calls: single values read and written, and the listing and removal
    // the uninstaller needs.
    // Reads one value with the system's rules: buffer of 1024 bytes, default when missing.
    virtual std::string ProfileString(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& deflt) = 0;
    virtual bool WriteProfileString(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& value) = 0;
    // Section names of a profile file, or the key names of one of its sections, in file order;
    // false when the file cannot be read.
    virtual bool ProfileSectionNames(const std::string& file, std::vector<std::string>& names) = 0;
    virtual bool ProfileKeyNames(const std::string& file, const std::string& section,
                                 std::vector<std::string>& names) = 0;
    // Removes one key of a section, or a whole section, as the system's profile call does when
    // given no value or no key. Removing what is not there succeeds.
    virtual bool DeleteProfileKey(const std::string& file, const std::string& section,
                                  const std::string& key) = 0;
    virtual bool DeleteProfileSection(const std::string& file, const std::string& section) = 0;

    // --- registry
    // Keys are paths below one of the roots (a leading "\\" is ignored); values are strings.
    virtual bool RegReadString(RegRoot root, const std::string& key, const std::string& name,
                               std::string& value) = 0;
    virtual bool RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                                const std::string& value) = 0;
    // Creates a registry key and its missing parents (an empty key opens the root itself); false
    // when refused.
    virtual bool RegCreateKey(RegRoot root, const std::string& key) = 0;
    // The direct sub-keys and the values of a key; false when the key does not exist.
    virtual bool RegListKey(RegRoot root, const std::string& key, std::vector<std::string>& subkeys,
                            std::vector<RegValueInfo>& values) = 0;
    virtual bool RegDeleteValue(RegRoot root, const std::string& key, const std::string& name) = 0;
    // Removes a key that has no sub-keys (its values go with it).
    virtual bool RegDeleteKey(RegRoot root, const std::string& key) = 0;

    // --- processes and DDE
    // Other programs the setup starts or talks to: the uninstaller, the registry editor, the
    // text viewers, the product, and the program manager over DDE.
    virtual unsigned WinExec(const std::string& commandLine, int show) = 0;
    // Starts a command line and waits for the program to end, for callers that need its result
    // (a silent installation removing an earlier one); false when it could not be started.
    virtual bool RunAndWait(const std::string& commandLine, int show, uint32_t& exitCode) = 0;
    // Restarting asks for the process's shutdown privilege first; false when refused.
    virtual bool ExitWindows(unsigned how) = 0;
    // One execute transaction in a conversation of its own.
    virtual bool DdeExecute(const std::string& service, const std::string& topic,
                            const std::string& command) = 0;
    // Opens the one DDE client conversation, closing an open one first; an empty topic connects
    // to any topic of the service. False when no server answers.
    virtual bool DdeOpen(const std::string& service, const std::string& topic) = 0;
    // Sends the text with its terminating null as one execute transaction in text format on the
    // open conversation; false when there is none or the server refused the command.
    virtual bool DdeSend(const std::string& text) = 0;
    virtual void DdeClose() = 0;

    // --- windows and messages
    // The user interface, the message loop and its pause points, and the waits and clock that
    // go with them.
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    virtual void SetHourglass(bool on) = 0;
    // The title of the current foreground window, at most maxChars characters.
    virtual std::string ForegroundWindowTitle(int maxChars) = 0;
    // Brings the application's last active window back to the foreground.
    virtual void BringToFront() = 0;
    // Gives a newly created form its real window (hidden until the model says visible). The
    // fake does nothing: forms are only models there.
    virtual void AttachForm(Form& form) = 0;
    // Shows a form modally: runs a nested message loop until the form's modalResult is set
    // (Form::CloseModal) or the application is asked to end; hides it again and returns
    // modalResult (0 when ended by termination).
    virtual int ShowModal(Form& form) = 0;
    // The application's message loop: shows the main form and runs until Terminate().
    virtual void RunMessageLoop(Form& mainForm) = 0;
    // Lets waiting window messages run; returns true once the application was asked to end.
    virtual bool ProcessMessages() = 0;
    // True when input (a key, a click) or a message posted or sent from elsewhere waits for this
    // thread; paints and timers do not count. One look costs about as much as a message.
    virtual bool InputWaiting() = 0;
    // Asks the application to end (the quit message).
    virtual void Terminate() = 0;
    virtual bool Terminated() = 0;
    // Sleeps until a window message arrives or the time is up (waits that poll the screen).
    virtual void WaitForMessage(uint32_t ms) = 0;
    // Yields the rest of the time slice.
    virtual void Yield() = 0;
    // Waits, without letting messages run.
    virtual void Sleep(uint32_t milliseconds) = 0;
    virtual uint32_t TickCount() = 0;
    // The local date and time as "2026-12-09 15:04:05", for the lines of a text log.
    virtual std::string LocalTime() = 0;
};

} // namespace corvid
