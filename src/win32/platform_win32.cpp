#include "win32/platform_win32.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <vector>

namespace corvid {

namespace {

class FileStream : public Stream {
public:
    explicit FileStream(HANDLE h) : h_(h) {}
    ~FileStream() override { CloseHandle(h_); }

    int32_t Read(void* buffer, int32_t count) override {
        if (count <= 0) return 0;
        DWORD done = 0;
        // A failed read is an error, never the end of the file.
        if (!ReadFile(h_, buffer, static_cast<DWORD>(count), &done, nullptr)) return -1;
        return static_cast<int32_t>(done);
    }
    int32_t Write(const void* buffer, int32_t count) override {
        if (count <= 0) return 0;
        DWORD done = 0;
        if (!WriteFile(h_, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
        return static_cast<int32_t>(done);
    }
    int64_t Seek(int64_t offset, int origin) override {
        LONG high = static_cast<LONG>(offset >> 32);
        DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
        SetLastError(NO_ERROR);
        DWORD low = SetFilePointer(h_, static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
        if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
        return (static_cast<int64_t>(high) << 32) | low;
    }
    int64_t Size() override {
        DWORD high = 0;
        SetLastError(NO_ERROR);
        DWORD low = GetFileSize(h_, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
        return (static_cast<int64_t>(high) << 32) | low;
    }
    bool SetDosDateTime(uint32_t dosDateTime) override {
        FILETIME local, utc;
        if (!DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16),
                                   static_cast<WORD>(dosDateTime & 0xFFFF), &local))
            return false;
        if (!LocalFileTimeToFileTime(&local, &utc)) return false;
        return SetFileTime(h_, nullptr, nullptr, &utc) != FALSE;
    }
    bool Truncate() override { return SetEndOfFile(h_) != FALSE; }

private:
    HANDLE h_;
};

HKEY RootKey(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    }
    return HKEY_LOCAL_MACHINE;
}

std::string KeyPath(const std::string& key) {
    size_t i = 0;
    while (i < key.size() && key[i] == '\\') ++i;
    return key.substr(i);
}

// Opens a key for writing, creating it and its missing parents; nullptr when refused.
HKEY CreateKey(RegRoot root, const std::string& key) {
    HKEY h;
    if (RegCreateKeyExA(RootKey(root), KeyPath(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return h;
}

// Calls back for every entry of a folder but "." and ".."; false when it cannot be read.
bool ForEachEntry(const std::string& dir,
                  const std::function<void(const WIN32_FIND_DATAA&)>& take) {
    std::string pattern = dir;
    if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::string name = fd.cFileName;
        if (name != "." && name != "..") take(fd);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return true;
}

HDDEDATA CALLBACK DdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

} // namespace

Win32Platform::Win32Platform(HINSTANCE instance) : view_(instance) {}

// ---------------------------------------------------------------- files and disks

std::string Win32Platform::ModulePath() {
    char buf[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return std::string(buf, n > MAX_PATH ? 0 : n);
}

std::string Win32Platform::WindowsDirectory() {
    char buf[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    std::string s(buf, n > MAX_PATH ? 0 : n);
    while (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

char Win32Platform::CurrentDrive() {
    char buf[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
    if (n == 0 || n > MAX_PATH) return 'C';
    return static_cast<char>(std::toupper(static_cast<unsigned char>(buf[0])));
}

bool Win32Platform::FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::DirectoryExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::CreateDir(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32Platform::RemoveDir(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

bool Win32Platform::DeleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Platform::CopyFile(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool Win32Platform::MoveFileOver(const std::string& from, const std::string& to) {
    // Renaming over a file ignores its read-only attribute on some systems; the profile call
    // this stands in for refuses such a file.
    const DWORD a = GetFileAttributesA(to.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Win32Platform::StampFile(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ||
        (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    stamp.size = static_cast<int64_t>((uint64_t{d.nFileSizeHigh} << 32) | d.nFileSizeLow);
    stamp.writeTime =
        (uint64_t{d.ftLastWriteTime.dwHighDateTime} << 32) | d.ftLastWriteTime.dwLowDateTime;
    return true;
}

std::unique_ptr<Stream> Win32Platform::OpenFile(const std::string& path, OpenMode mode) {
    DWORD access = GENERIC_READ, share = FILE_SHARE_READ, disposition = OPEN_EXISTING;
    switch (mode) {
    case OpenMode::ReadShared:
        break;
    case OpenMode::ReadExclusive:
        share = 0;
        break;
    case OpenMode::Create:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
    case OpenMode::CreateNew:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
    case OpenMode::ReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    }
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<FileStream>(h);
}

bool Win32Platform::SetFileAttributes(const std::string& path, uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

int64_t Win32Platform::DiskFree(char drive) {
    char root[] = {drive, ':', '\\', '\0'};
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(root, &available, &total, &free)) return -1;
    return static_cast<int64_t>(available.QuadPart);
}

std::string Win32Platform::DriveLetters() {
    std::string letters;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (DWORD{1} << i)) letters += static_cast<char>('A' + i);
    return letters;
}

std::string Win32Platform::DriveDirectory(char drive) {
    const char d = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
    const char relative[] = {d, ':', '\0'};
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(relative, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full || std::toupper(static_cast<unsigned char>(full[0])) != d)
        return std::string(1, d) + ":\\";
    return std::string(full, n);
}

bool Win32Platform::ListDirectories(const std::string& dir, std::vector<std::string>& names) {
    names.clear();
    const bool ok = ForEachEntry(dir, [&](const WIN32_FIND_DATAA& fd) {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return;
        if (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return;
        names.push_back(fd.cFileName);
    });
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return lstrcmpiA(a.c_str(), b.c_str()) < 0;
    });
    return ok;
}

bool Win32Platform::ListDirectory(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    if (!DirectoryExists(path)) return false;
    return ForEachEntry(path, [&](const WIN32_FIND_DATAA& fd) { names.push_back(fd.cFileName); });
}

namespace {

// A file or folder opened for questions about it alone (no access to its data), shared with
// everybody.
HANDLE OpenForIdentity(const std::string& path) {
    return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The path the system resolves a name to, every link followed; empty when it cannot say.
std::string FinalPath(const std::string& path) {
    using Get = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    static const Get get = reinterpret_cast<Get>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
    if (!get) return std::string();
    HANDLE h = OpenForIdentity(path);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    char buf[2048];
    const DWORD n = get(h, buf, sizeof buf, 0);
    CloseHandle(h);
    return n == 0 || n >= sizeof buf ? std::string() : std::string(buf, n);
}

} // namespace

PathInfo Win32Platform::QueryPath(const std::string& path) {
    PathInfo info;
    const DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return info;
    info.exists = true;
    info.directory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.link = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (info.link) return info;
    // Not every link carries the attribute (Wine's symbolic links do not): a name whose resolved
    // path is not its resolved folder's path and its own long name leads elsewhere.
    const std::string full = LongPathName(path);
    const size_t cut = full.find_last_of("\\/");
    if (cut == std::string::npos || cut + 1 == full.size()) return info; // a root or bare name
    const std::string self = FinalPath(path);
    std::string parent = FinalPath(full.substr(0, cut == 2 ? 3 : cut)); // "C:\" for a drive's
    while (!parent.empty() && parent.back() == '\\') parent.pop_back();
    if (!self.empty() && !parent.empty() &&
        lstrcmpiA(self.c_str(), (parent + "\\" + full.substr(cut + 1)).c_str()) != 0)
        info.link = true;
    return info;
}

namespace {

// A file's number on its volume through the native call: unlike the volume's serial number,
// it comes without a round trip to the volume's driver under Wine. False where the call fails.
bool FileIndex(HANDLE h, LONGLONG& index) {
    struct Status {
        LONG_PTR status;
        ULONG_PTR information;
    };
    using Query = LONG(WINAPI*)(HANDLE, Status*, PVOID, ULONG, int);
    static const Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    const int kInternalInformation = 6; // FILE_INTERNAL_INFORMATION: the index alone
    Status io{};
    return query && query(h, &io, &index, sizeof index, kInternalInformation) >= 0;
}

} // namespace

bool Win32Platform::SameFile(const std::string& a, const std::string& b) {
    HANDLE ha = OpenForIdentity(a);
    if (ha == INVALID_HANDLE_VALUE) return false;
    HANDLE hb = OpenForIdentity(b);
    bool same = false;
    if (hb != INVALID_HANDLE_VALUE) {
        // Different numbers are different files; the same number is the same file only on the
        // same volume, which the slower call tells.
        LONGLONG ia = 0, ib = 0;
        BY_HANDLE_FILE_INFORMATION x{}, y{};
        if (!FileIndex(ha, ia) || !FileIndex(hb, ib) || ia == ib)
            same = GetFileInformationByHandle(ha, &x) && GetFileInformationByHandle(hb, &y) &&
                   x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
                   x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
        CloseHandle(hb);
    }
    CloseHandle(ha);
    return same;
}

bool Win32Platform::FileNumber(const std::string& path, uint64_t& number) {
    HANDLE h = OpenForIdentity(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    LONGLONG index = 0;
    BY_HANDLE_FILE_INFORMATION info{};
    bool ok = FileIndex(h, index);
    if (ok) {
        number = static_cast<uint64_t>(index);
    } else if ((ok = GetFileInformationByHandle(h, &info) != FALSE)) {
        number = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    }
    CloseHandle(h);
    return ok;
}

std::string Win32Platform::LongPathName(const std::string& path) {
    char buf[MAX_PATH + 1];
    const DWORD n = GetLongPathNameA(path.c_str(), buf, sizeof buf);
    return n == 0 || n >= sizeof buf ? path : std::string(buf, n);
}

// ---------------------------------------------------------------- private profile (INI) files

std::string Win32Platform::ProfileString(const std::string& file, const std::string& section,
                                         const std::string& key, const std::string& deflt) {
    char buf[1024];
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), deflt.c_str(), buf, sizeof buf,
                                       file.c_str());
    return std::string(buf, n < sizeof buf ? n : sizeof buf - 1);
}

bool Win32Platform::WriteProfileString(const std::string& file, const std::string& section,
                                       const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           FALSE;
}

namespace {

// The names of a null-separated list as the profile calls return it; the buffer grows until the
// whole list fits.
bool ProfileList(const char* section, const std::string& file, std::vector<std::string>& names) {
    names.clear();
    // A name without a folder is a file of the Windows directory, as the profile calls take it.
    std::string path = file;
    if (file.find_first_of("\\/:") == std::string::npos) {
        char dir[MAX_PATH + 1];
        UINT len = GetWindowsDirectoryA(dir, MAX_PATH);
        path = std::string(dir, len > MAX_PATH ? 0 : len) + "\\" + file;
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    std::vector<char> buf(4096);
    DWORD n = 0;
    for (;;) {
        n = section ? GetPrivateProfileStringA(section, nullptr, "", buf.data(),
                                               static_cast<DWORD>(buf.size()), file.c_str())
                    : GetPrivateProfileSectionNamesA(buf.data(), static_cast<DWORD>(buf.size()),
                                                     file.c_str());
        if (n + 2 < buf.size() || buf.size() >= (64u << 20)) break;
        buf.resize(buf.size() * 4);
    }
    for (size_t p = 0; p < n && buf[p];) {
        std::string name(buf.data() + p);
        p += name.size() + 1;
        names.push_back(name);
    }
    return true;
}

} // namespace

bool Win32Platform::ProfileSectionNames(const std::string& file, std::vector<std::string>& names) {
    return ProfileList(nullptr, file, names);
}

bool Win32Platform::ProfileKeyNames(const std::string& file, const std::string& section,
                                    std::vector<std::string>& names) {
    return ProfileList(section.c_str(), file, names);
}

bool Win32Platform::DeleteProfileKey(const std::string& file, const std::string& section,
                                     const std::string& key) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str()) != FALSE;
}

bool Win32Platform::DeleteProfileSection(const std::string& file, const std::string& section) {
    return WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str()) != FALSE;
}

// ---------------------------------------------------------------- registry

bool Win32Platform::RegReadString(RegRoot root, const std::string& key, const std::string& name,
                                  std::string& value) {
    HKEY h;
    if (RegOpenKeyExA(RootKey(root), KeyPath(key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool ok = false;
    if (RegQueryValueExA(h, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<BYTE> data(size + 1, 0);
        if (RegQueryValueExA(h, name.c_str(), nullptr, &type, data.data(), &size) ==
            ERROR_SUCCESS) {
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                std::string s(reinterpret_cast<const char*>(data.data()), size);
                size_t nul = s.find('\0');
                if (nul != std::string::npos) s.resize(nul);
                value = s;
                ok = true;
            } else if (type == REG_DWORD && size == 4) { // a number written by another tool
                DWORD v = data[0] | (data[1] << 8) | (data[2] << 16) |
                          (static_cast<DWORD>(data[3]) << 24);
                value = std::to_string(v);
                ok = true;
            }
        }
    }
    RegCloseKey(h);
    return ok;
}

bool Win32Platform::RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                                   const std::string& value) {
    HKEY h = CreateKey(root, key);
    if (!h) return false;
    LONG rc = RegSetValueExA(h, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool Win32Platform::RegCreateKey(RegRoot root, const std::string& key) {
    HKEY h = CreateKey(root, key);
    if (!h) return false;
    RegCloseKey(h);
    return true;
}

bool Win32Platform::RegListKey(RegRoot root, const std::string& key,
                               std::vector<std::string>& subkeys,
                               std::vector<RegValueInfo>& values) {
    subkeys.clear();
    values.clear();
    HKEY h;
    if (RegOpenKeyExA(RootKey(root), KeyPath(key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    DWORD subCount = 0, subMax = 0, valueCount = 0, nameMax = 0, dataMax = 0;
    if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &subCount, &subMax, nullptr, &valueCount,
                         &nameMax, &dataMax, nullptr, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(h);
        return false;
    }
    std::vector<char> name(std::max<DWORD>(subMax, nameMax) + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        LONG rc = RegEnumKeyExA(h, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            name.resize(name.size() * 2 + 256);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        subkeys.emplace_back(name.data(), len);
    }
    std::vector<BYTE> data(dataMax + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()) - 2;
        DWORD type = 0;
        LONG rc = RegEnumValueA(h, i, name.data(), &len, nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        RegValueInfo v;
        v.name.assign(name.data(), len);
        v.isString = type == REG_SZ || type == REG_EXPAND_SZ;
        if (v.isString) {
            v.data.assign(reinterpret_cast<const char*>(data.data()), size);
            size_t nul = v.data.find('\0');
            if (nul != std::string::npos) v.data.resize(nul);
        }
        values.push_back(std::move(v));
    }
    RegCloseKey(h);
    return true;
}

bool Win32Platform::RegDeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    HKEY h;
    if (RegOpenKeyExA(RootKey(root), KeyPath(key).c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS)
        return false;
    LONG rc = RegDeleteValueA(h, name.empty() ? nullptr : name.c_str());
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool Win32Platform::RegDeleteKey(RegRoot root, const std::string& key) {
    const std::string path = KeyPath(key);
    if (path.empty()) return false; // never a root
    return RegDeleteKeyA(RootKey(root), path.c_str()) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------- processes and DDE

unsigned Win32Platform::WinExec(const std::string& commandLine, int show) {
    return ::WinExec(commandLine.c_str(), static_cast<UINT>(show));
}

bool Win32Platform::RunAndWait(const std::string& commandLine, int show, uint32_t& exitCode) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    exitCode = code;
    return true;
}

bool Win32Platform::ExitWindows(unsigned how) {
    // Restarting and shutting down need the shutdown privilege on NT systems.
    HANDLE token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES tp{};
        if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid)) {
            tp.PrivilegeCount = 1;
            tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
        }
        CloseHandle(token);
    }
    return ExitWindowsEx(how, 0) != FALSE;
}

bool Win32Platform::DdeExecute(const std::string& service, const std::string& topic,
                               const std::string& command) {
    DWORD inst = 0;
    if (DdeInitializeA(&inst, DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return false;
    bool ok = false;
    HSZ hService = DdeCreateStringHandleA(inst, service.c_str(), CP_WINANSI);
    HSZ hTopic = DdeCreateStringHandleA(inst, topic.c_str(), CP_WINANSI);
    if (HCONV conv = DdeConnect(inst, hService, hTopic, nullptr)) {
        std::vector<BYTE> data(command.begin(), command.end());
        data.push_back(0);
        DWORD result = 0;
        HDDEDATA r = DdeClientTransaction(data.data(), static_cast<DWORD>(data.size()), conv,
                                          nullptr, 0, XTYP_EXECUTE, 30000, &result);
        ok = r != nullptr;
        if (r && r != reinterpret_cast<HDDEDATA>(TRUE)) DdeFreeDataHandle(r);
        DdeDisconnect(conv);
    }
    if (hService) DdeFreeStringHandle(inst, hService);
    if (hTopic) DdeFreeStringHandle(inst, hTopic);
    DdeUninitialize(inst);
    return ok;
}

bool Win32Platform::DdeOpen(const std::string& service, const std::string& topic) {
    DdeClose();
    if (DdeInitializeA(&ddeInstance_, DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        ddeInstance_ = 0;
        return false;
    }
    HSZ hService = DdeCreateStringHandleA(ddeInstance_, service.c_str(), CP_WINANSI);
    // No topic handle connects to any topic the service offers.
    HSZ hTopic =
        topic.empty() ? nullptr : DdeCreateStringHandleA(ddeInstance_, topic.c_str(), CP_WINANSI);
    ddeConversation_ = ::DdeConnect(ddeInstance_, hService, hTopic, nullptr);
    if (hService) DdeFreeStringHandle(ddeInstance_, hService);
    if (hTopic) DdeFreeStringHandle(ddeInstance_, hTopic);
    if (ddeConversation_) return true;
    DdeUninitialize(ddeInstance_);
    ddeInstance_ = 0;
    return false;
}

bool Win32Platform::DdeSend(const std::string& text) {
    if (!ddeConversation_) return false;
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    // Waited for, so that each command has reached the server before the next one or the end
    // of the conversation; a server that does not answer in time is given up.
    DWORD result = 0;
    HDDEDATA r =
        DdeClientTransaction(data.data(), static_cast<DWORD>(data.size()), ddeConversation_,
                             nullptr, CF_TEXT, XTYP_EXECUTE, 10000, &result);
    if (r && r != reinterpret_cast<HDDEDATA>(TRUE)) DdeFreeDataHandle(r);
    return r != nullptr;
}

void Win32Platform::DdeClose() {
    if (ddeConversation_) ::DdeDisconnect(ddeConversation_);
    ddeConversation_ = nullptr;
    if (ddeInstance_) DdeUninitialize(ddeInstance_);
    ddeInstance_ = 0;
}

// ---------------------------------------------------------------- windows and messages

int Win32Platform::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return MessageBoxA(view_.MessageBoxOwner(), text.c_str(), caption.c_str(), flags);
}

int Win32Platform::ScreenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}

int Win32Platform::ScreenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}

void Win32Platform::SetHourglass(bool on) {
    view_.SetHourglass(on);
}

std::string Win32Platform::ForegroundWindowTitle(int maxChars) {
    HWND h = GetForegroundWindow();
    if (!h || maxChars <= 0) return std::string();
    std::vector<char> buf(static_cast<size_t>(maxChars) + 1, '\0');
    int n = GetWindowTextA(h, buf.data(), maxChars + 1);
    return std::string(buf.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

void Win32Platform::BringToFront() {
    // The window the user last worked in, as the task bar entry would bring it back.
    HWND app = view_.AppWindow();
    HWND w = app ? GetLastActivePopup(app) : nullptr;
    if (!w || w == app) w = view_.MessageBoxOwner();
    if (w) SetForegroundWindow(w);
}

void Win32Platform::AttachForm(Form& form) {
    view_.Attach(form);
}

void Win32Platform::Dispatch(MSG& msg) {
    if (view_.PreTranslate(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool Win32Platform::DispatchNext() {
    MSG msg;
    const BOOL r = GetMessageA(&msg, nullptr, 0, 0);
    if (r == 0) {
        terminated_ = true;
        return false;
    }
    if (r < 0) return false;
    Dispatch(msg);
    return true;
}

int Win32Platform::ShowModal(Form& form) {
    if (!view_.WindowOf(form)) view_.Attach(form);
    HWND h = view_.WindowOf(form);
    if (!h) return 0;
    HWND previous = GetActiveWindow();
    form.modalResult = 0;

    // The other windows of ours wait while the modal form is up; it stays above stay-on-top
    // windows of ours, else it could open beneath them.
    std::vector<HWND> disabled = view_.EnabledTopLevels(h);
    for (HWND w : disabled) EnableWindow(w, FALSE);
    const bool raise = !form.stayOnTop && view_.AnyOtherTopmostVisible(h);
    if (raise) view_.SetModalTopmost(form, true);
    form.Show();
    if (GetActiveWindow() != h) SetActiveWindow(h);

    while (form.modalResult == 0 && !terminated_ && DispatchNext()) {
    }

    // Enable first, then hide: the activation then passes to a window of ours.
    for (HWND w : disabled)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    if (raise) view_.SetModalTopmost(form, false);
    form.Hide();
    if (previous && previous != h && IsWindow(previous) && IsWindowVisible(previous) &&
        IsWindowEnabled(previous))
        SetActiveWindow(previous);
    return form.modalResult;
}

void Win32Platform::RunMessageLoop(Form& mainForm) {
    if (terminated_) return;
    if (!view_.WindowOf(mainForm)) view_.Attach(mainForm);
    mainForm.Show();
    while (!terminated_ && DispatchNext()) {
    }
}

bool Win32Platform::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            break;
        }
        Dispatch(msg);
    }
    return terminated_;
}

bool Win32Platform::InputWaiting() {
    return HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE)) != 0;
}

void Win32Platform::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

bool Win32Platform::Terminated() {
    return terminated_;
}

void Win32Platform::WaitForMessage(uint32_t ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
}

void Win32Platform::Yield() {
    ::Sleep(0);
}

void Win32Platform::Sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

uint32_t Win32Platform::TickCount() {
    return GetTickCount();
}

std::string Win32Platform::LocalTime() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buf[32];
    snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond);
    return buf;
}

} // namespace corvid
