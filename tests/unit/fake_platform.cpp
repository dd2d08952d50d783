#include "fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "forms/form.h"
#include "setupinf/profile.h"

namespace fs = std::filesystem;

namespace corvid {

namespace {

class FakeStream : public HostStream {
public:
    FakeStream(std::FILE* f, std::string hostPath, FakePlatform& p, std::string path)
        : HostStream(f, std::move(hostPath)), platform_(p), path_(std::move(path)) {}
    int32_t Read(void* buffer, int32_t count) override {
        const auto failing = platform_.failingReads.find(FoldCase(path_));
        if (failing == platform_.failingReads.end()) return HostStream::Read(buffer, count);
        const int64_t at = Seek(0, 1);
        if (at >= failing->second) return -1;
        return HostStream::Read(
            buffer, static_cast<int32_t>(std::min<int64_t>(count, failing->second - at)));
    }
    bool SetDosDateTime(uint32_t dosDateTime) override {
        platform_.dosTimes[FoldCase(path_)] = dosDateTime;
        return true;
    }

private:
    FakePlatform& platform_;
    std::string path_;
};

} // namespace

FakePlatform::FakePlatform() {
    char tmpl[] = "/tmp/corvid-fake-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("cannot make a temporary directory");
    root = tmpl;
    for (char d : std::string("CD")) fs::create_directories(root + "/" + d);
}

FakePlatform::~FakePlatform() {
    std::error_code ec;
    fs::remove_all(root, ec);
}

std::string FakePlatform::LongPathName(const std::string& path) {
    return ExpandShortNames(path);
}

std::string FakePlatform::ExpandShortNames(const std::string& path) const {
    if (shortNames.empty() || path.size() < 2 || path[1] != ':') return path;
    std::string out = path.substr(0, 2);
    std::stringstream ss(path.substr(2));
    std::string part;
    bool first = true;
    while (std::getline(ss, part, '\\')) {
        if (!first) out += "\\";
        first = false;
        const auto it = shortNames.find(FoldCase(out + part));
        out += it == shortNames.end() ? part : it->second;
    }
    return out;
}

PathInfo FakePlatform::QueryPath(const std::string& path) {
    ++pathLooks[FoldCase(path)];
    return HostPlatform::QueryPath(path);
}

void FakePlatform::MakeLink(const std::string& linkPath, const std::string& target) {
    const std::string host = HostPath(linkPath);
    fs::create_directories(fs::path(host).parent_path());
    fs::create_symlink(HostPath(target), host);
}

std::string FakePlatform::HostPath(const std::string& windowsPath) const {
    std::string p = ExpandShortNames(windowsPath);
    for (char& c : p)
        if (c == '/') c = '\\';
    if (p.size() < 2 || p[1] != ':') p = std::string(1, 'C') + ":" + p;
    std::string host =
        root + "/" + static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
    std::stringstream ss(p.substr(2));
    std::string part;
    while (std::getline(ss, part, '\\')) {
        if (part.empty() || part == ".") continue;
        // The system drops trailing dots and blanks from a name.
        if (part != "..")
            while (part.size() > 1 && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        std::string match = part;
        std::error_code ec;
        // The name as written is the common case; only a miss looks for it in another case.
        if (!fs::exists(host + "/" + part, ec) && fs::is_directory(host, ec)) {
            for (const auto& e : fs::directory_iterator(host, ec)) {
                std::string name = e.path().filename().string();
                if (FoldCase(name) == FoldCase(part)) {
                    match = name;
                    break;
                }
            }
        }
        host += "/" + match;
    }
    return host;
}

void FakePlatform::WriteFile(const std::string& windowsPath, const std::string& bytes) {
    std::string host = HostPath(windowsPath);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
}

std::string FakePlatform::ReadFile(const std::string& windowsPath) const {
    std::ifstream in(HostPath(windowsPath), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::unique_ptr<Stream> FakePlatform::NewStream(std::FILE* f, const std::string& path,
                                                const std::string& hostPath) {
    return std::make_unique<FakeStream>(f, hostPath, *this, path);
}

bool FakePlatform::SetFileAttributes(const std::string& path, uint32_t attr) {
    if (!FileExists(path) && !DirectoryExists(path)) return false;
    attributes[FoldCase(path)] = attr;
    return true;
}

int64_t FakePlatform::DiskFree(char drive) {
    auto it = diskFree.find(static_cast<char>(std::toupper(static_cast<unsigned char>(drive))));
    return it == diskFree.end() ? 1000000000 : it->second;
}

std::string FakePlatform::DriveLetters() {
    std::string letters;
    for (char d = 'A'; d <= 'Z'; ++d)
        if (fs::is_directory(root + "/" + d)) letters += d;
    return letters;
}

std::string FakePlatform::DriveDirectory(char drive) {
    const char d = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
    auto it = driveDirectory.find(d);
    return it == driveDirectory.end() ? std::string(1, d) + ":\\" : it->second;
}

// A profile name without a directory is a file in the Windows directory, as for the system.
static std::string ProfilePath(const FakePlatform& p, const std::string& file) {
    if (file.find_first_of("\\/:") == std::string::npos)
        return p.HostPath(p.windowsDirectory + "\\" + file);
    return p.HostPath(file);
}

std::string FakePlatform::ProfileString(const std::string& file, const std::string& section,
                                        const std::string& key, const std::string& deflt) {
    return ReadProfileString(ProfilePath(*this, file), section, key, deflt);
}

bool FakePlatform::WriteProfileString(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& value) {
    return WriteProfileStringFile(ProfilePath(*this, file), section, key, value);
}

std::string FakePlatform::RegPath(RegRoot root, const std::string& key, const std::string& name) {
    std::string k = key;
    while (!k.empty() && k[0] == '\\') k.erase(0, 1);
    while (!k.empty() && k.back() == '\\') k.pop_back();
    const char* r = root == RegRoot::ClassesRoot   ? "HKCR"
                    : root == RegRoot::CurrentUser ? "HKCU"
                                                   : "HKLM";
    return FoldCase(std::string(r) + "\\" + k + "\\" + name);
}

bool FakePlatform::RegReadString(RegRoot root, const std::string& key, const std::string& name,
                                 std::string& value) {
    auto it = registry.find(RegPath(root, key, name));
    if (it == registry.end()) return false;
    value = it->second;
    return true;
}

bool FakePlatform::RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                                  const std::string& value) {
    if (!RegCreateKey(root, key) || refusedValues.count(name)) return false;
    registry[RegPath(root, key, name)] = value;
    return true;
}

bool FakePlatform::RegCreateKey(RegRoot root, const std::string& key) {
    std::string path = RegPath(root, key, "");
    while (!path.empty() && path.back() == '\\') path.pop_back();
    if (refusedKeys.count(path)) return false;
    registryKeys.insert(path);
    return true;
}

unsigned FakePlatform::WinExec(const std::string& commandLine, int show) {
    processStarts.push_back(commandLine);
    processShowModes.push_back(show);
    return startResult ? startResult(commandLine) : 33;
}

bool FakePlatform::DdeExecute(const std::string&, const std::string&, const std::string& command) {
    ddeCommands.push_back(command);
    return true;
}

bool FakePlatform::RunAndWait(const std::string& commandLine, int, uint32_t& exitCode) {
    waitedRuns.push_back(commandLine);
    exitCode = waitedResult ? waitedResult(commandLine) : 0;
    return true;
}

bool FakePlatform::ExitWindows(unsigned how) {
    exitWindowsCalls.push_back(how);
    return !exitWindowsRefused;
}

bool FakePlatform::DdeOpen(const std::string& service, const std::string& topic) {
    DdeClose();
    ddeConnects.push_back(service + "|" + topic);
    ddeConnected = ddeAnswers ? ddeAnswers(service, topic)
                              : FoldCase(service) == "progman" && FoldCase(topic) == "progman";
    return ddeConnected;
}

bool FakePlatform::DdeSend(const std::string& text) {
    if (!ddeConnected) return false;
    ddeCommands.push_back(text);
    return true;
}

void FakePlatform::DdeClose() {
    if (!ddeConnected) return;
    ddeConnected = false;
    ++ddeCloses;
}

std::string FakePlatform::ForegroundWindowTitle(int maxChars) {
    foregroundTitleLengths.push_back(maxChars);
    std::string t = foregroundTitle ? foregroundTitle() : std::string();
    return t.substr(0, static_cast<size_t>(maxChars));
}

int FakePlatform::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    messageBoxes.push_back({text, caption, flags});
    if (answerMessageBox) return answerMessageBox(messageBoxes.back());
    return (flags & 0xF) == mb::YesNo ? mb::IdYes : mb::IdOk;
}

bool FakePlatform::ProcessMessages() {
    ++processMessagesCalls;
    inputWaiting = false;
    if (onProcessMessages) onProcessMessages();
    return terminated;
}

int FakePlatform::ShowModal(Form& form) {
    modalForms.push_back(form.name);
    // Showing a window activates it, as on Windows: the progress window's run starts there.
    if (form.onActivate) form.onActivate();
    if (modalHandler) return modalHandler(form);
    return 0;
}

void FakePlatform::RunMessageLoop(Form& mainForm) {
    mainForm.Show();
    if (mainForm.onActivate) mainForm.onActivate();
    if (messageLoop) messageLoop();
}

// ---------------------------------------------------------------- uninstaller: listing and removal

namespace {

// "HKLM\a\b" (folded) for a key, as RegPath writes it without the value name.
std::string KeyId(RegRoot root, const std::string& key) {
    std::string id = FakePlatform::RegPath(root, key, "");
    id.pop_back();
    return id;
}

bool Below(const std::string& path, const std::string& keyId) {
    return path.size() > keyId.size() + 1 && path.compare(0, keyId.size(), keyId) == 0 &&
           path[keyId.size()] == '\\';
}

} // namespace

bool FakePlatform::RegKeyExists(RegRoot root, const std::string& key) const {
    const std::string id = KeyId(root, key);
    if (id.find('\\') == std::string::npos) return true; // a root
    for (const auto& v : registry)
        if (Below(v.first, id) || v.first == id + "\\") return true;
    for (const std::string& k : registryKeys)
        if (k == id || Below(k, id)) return true;
    return false;
}

bool FakePlatform::ProfileSectionNames(const std::string& file, std::vector<std::string>& names) {
    return ProfileSectionNamesFile(ProfilePath(*this, file), names);
}

bool FakePlatform::ProfileKeyNames(const std::string& file, const std::string& section,
                                   std::vector<std::string>& names) {
    return ProfileKeyNamesFile(ProfilePath(*this, file), section, names);
}

bool FakePlatform::DeleteProfileKey(const std::string& file, const std::string& section,
                                    const std::string& key) {
    return DeleteProfileKeyFile(ProfilePath(*this, file), section, key);
}

bool FakePlatform::DeleteProfileSection(const std::string& file, const std::string& section) {
    return DeleteProfileSectionFile(ProfilePath(*this, file), section);
}

bool FakePlatform::RegListKey(RegRoot root, const std::string& key,
                              std::vector<std::string>& subkeys,
                              std::vector<RegValueInfo>& values) {
    subkeys.clear();
    values.clear();
    if (!RegKeyExists(root, key)) return false;
    const std::string id = KeyId(root, key);
    std::set<std::string> subs;
    auto addSub = [&](const std::string& path, bool isValue) {
        std::string rest = path.substr(id.size() + 1);
        size_t slash = rest.find('\\');
        if (slash != std::string::npos)
            subs.insert(rest.substr(0, slash));
        else if (!isValue)
            subs.insert(rest);
        else
            values.push_back(RegValueInfo{rest, registry[path], true});
    };
    for (const auto& v : registry)
        if (Below(v.first, id) || v.first == id + "\\") addSub(v.first, true);
    for (const std::string& k : registryKeys)
        if (Below(k, id)) addSub(k, false);
    subkeys.assign(subs.begin(), subs.end());
    return true;
}

bool FakePlatform::RegDeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    auto it = registry.find(RegPath(root, key, name));
    if (it == registry.end()) return false;
    registryKeys.insert(KeyId(root, key)); // the key stays without its value
    registry.erase(it);
    return true;
}

bool FakePlatform::RegDeleteKey(RegRoot root, const std::string& key) {
    std::vector<std::string> subkeys;
    std::vector<RegValueInfo> values;
    const std::string id = KeyId(root, key);
    if (id.find('\\') == std::string::npos) return false; // never a root
    if (!RegListKey(root, key, subkeys, values) || !subkeys.empty()) return false;
    for (const RegValueInfo& v : values) registry.erase(RegPath(root, key, v.name));
    registryKeys.erase(id);
    // The parent stays, also when this key was what made it exist.
    const std::string parent = id.substr(0, id.rfind('\\'));
    if (parent.find('\\') != std::string::npos) registryKeys.insert(parent);
    return true;
}

} // namespace corvid
