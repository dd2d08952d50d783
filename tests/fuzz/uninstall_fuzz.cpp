// libFuzzer target: any text as the uninstall log of C:\Tools, removed on a platform where every
// file exists and every removal succeeds. Whatever the log says, nothing outside the destination
// and the Windows directory is chosen for removal, nor the shared uninstaller, nor a name that
// climbs out of its folder or names a device.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/host_platform.h"
#include "setupinf/profile.h"
#include "uninstall/removal.h"
#include "uninstall_log/log_reader.h"

using namespace corvid;

namespace {

const char kLog[] = "C:\\Tools\\setup\\uninst.log";

bool BadName(const std::string& name) {
    bool onlyDots = true;
    for (char c : name) onlyDots = onlyDots && (c == '.' || c == ' ');
    return onlyDots || name.find_first_of(":*?\"<>|/") != std::string::npos;
}

// A path the removal may touch: below C:\Tools or C:\WINDOWS (or, for folders the setup made,
// a parent of C:\Tools), every name a plain one.
void Check(const std::string& path, bool folder) {
    const std::string f = FoldCase(path);
    const bool inTools = f.rfind("c:\\tools\\", 0) == 0 || (folder && f == "c:\\tools");
    const bool inWindows = f.rfind("c:\\windows\\", 0) == 0;
    if (!inTools && !inWindows) std::abort();
    if (f == "c:\\windows\\uncorvid.exe") std::abort();
    size_t p = 3;
    while (p <= f.size()) {
        size_t e = f.find('\\', p);
        if (e == std::string::npos) e = f.size();
        if (BadName(f.substr(p, e - p))) std::abort();
        p = e + 1;
    }
}

class RecordingPlatform : public HostPlatform {
public:
    explicit RecordingPlatform(std::string logHost) : logHost_(std::move(logHost)) {}
    std::string WindowsDirectory() override { return "C:\\WINDOWS"; }
    std::string ModulePath() override { return "C:\\WINDOWS\\uncorvid.exe"; }
    bool FileExists(const std::string& p) override { return !IsLog(p) || !logGone; }
    bool DirectoryExists(const std::string&) override { return false; }
    bool DeleteFile(const std::string& p) override {
        if (IsLog(p)) {
            logGone = true;
            return true;
        }
        Check(p, false);
        return true;
    }
    bool RemoveDir(const std::string& p) override {
        if (FoldCase(p) != "c:\\tools\\setup") Check(p, true);
        return true;
    }
    bool ListDirectory(const std::string&, std::vector<std::string>& n) override {
        n.clear();
        return true;
    }
    bool SetFileAttributes(const std::string& p, uint32_t) override {
        Check(p, false);
        return true;
    }
    // Only the log can be opened: it is read whole through the platform.
    std::unique_ptr<Stream> OpenFile(const std::string& p, OpenMode mode) override {
        if (!IsLog(p) || logGone || mode != OpenMode::ReadShared) return nullptr;
        return HostPlatform::OpenFile(logHost_, mode);
    }
    PathInfo QueryPath(const std::string& p) override {
        PathInfo i;
        i.exists = true;
        i.link = FoldCase(p).find("link") != std::string::npos;
        return i;
    }
    bool SameFile(const std::string& a, const std::string& b) override {
        return FoldCase(a) == FoldCase(b);
    }
    bool FileNumber(const std::string& path, uint64_t& number) override {
        number = std::hash<std::string>()(FoldCase(path));
        return true;
    }
    std::string LongPathName(const std::string& p) override { return p; }
    // The log is the fuzzer's file (an INI entry may name it); INI files are only looked at.
    bool ProfileSectionNames(const std::string& file, std::vector<std::string>& n) override {
        n.clear();
        return IsLog(file) ? ProfileSectionNamesFile(logHost_, n) : true;
    }
    bool ProfileKeyNames(const std::string& file, const std::string& section,
                         std::vector<std::string>& n) override {
        if (IsLog(file)) return ProfileKeyNamesFile(logHost_, section, n);
        n = {"k"};
        return true;
    }
    bool DeleteProfileKey(const std::string& file, const std::string&,
                          const std::string&) override {
        if (file.find_first_of("\\/:") != std::string::npos) Check(file, false);
        return true;
    }
    bool DeleteProfileSection(const std::string& file, const std::string&) override {
        if (file.find_first_of("\\/:") != std::string::npos) Check(file, false);
        return true;
    }
    bool logGone = false;

private:
    static bool IsLog(const std::string& p) { return FoldCase(p) == FoldCase(kLog); }
    std::string logHost_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One name per process with a write time per input (see the profile target: a new name per
    // input slows the whole machine's path look-ups).
    static long counter = 0;
    const std::string host = "/tmp/corvid-uninstall-fuzz-" + std::to_string(getpid()) + ".log";
    std::ofstream(host, std::ios::binary | std::ios::trunc)
        << std::string(reinterpret_cast<const char*>(data), size);
    const struct timespec stamp[2] = {{++counter, 0}, {counter, 0}};
    if (utimensat(AT_FDCWD, host.c_str(), stamp, 0) != 0) std::abort();
    RecordingPlatform p(host);
    UninstallLogData log;
    // Every input is a log the uninstaller can read: the removal rules are what is tried.
    if (!ReadUninstallLog(p, kLog, log)) std::abort();
    {
        Remover remover(p, log, kLog);
        remover.retryRounds = 0;
        remover.Run();
    }
    std::remove(host.c_str());
    return 0;
}
