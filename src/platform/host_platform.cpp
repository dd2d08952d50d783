#include "platform/host_platform.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace corvid {

namespace {

int Seek64(std::FILE* f, int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(f, offset, origin);
#else
    return fseeko(f, static_cast<off_t>(offset), origin);
#endif
}

int64_t Tell64(std::FILE* f) {
#ifdef _WIN32
    return _ftelli64(f);
#else
    return static_cast<int64_t>(ftello(f));
#endif
}

fs::file_time_type FromUnix(int64_t seconds) {
    // The file clock's epoch is unspecified before C++20: go through the present moment.
    auto sys = std::chrono::system_clock::from_time_t(static_cast<std::time_t>(seconds));
    auto diff = sys - std::chrono::system_clock::now();
    return fs::file_time_type::clock::now() +
           std::chrono::duration_cast<fs::file_time_type::duration>(diff);
}

} // namespace

bool DosDateTimeToUnix(uint32_t dos, int64_t& seconds) {
    std::tm tm{};
    tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>(dos & 0x1F) * 2;
    tm.tm_isdst = -1;
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_hour > 23 || tm.tm_min > 59 ||
        tm.tm_sec > 59)
        return false;
    const int month = tm.tm_mon, day = tm.tm_mday;
    std::time_t t = std::mktime(&tm);
    // mktime carries a day past the month's end (April 31) into the next month: refuse it.
    if (t == static_cast<std::time_t>(-1) || tm.tm_mon != month || tm.tm_mday != day) return false;
    seconds = static_cast<int64_t>(t);
    return true;
}

uint32_t UnixToDosDateTime(int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm* tm = std::localtime(&t);
    if (!tm || tm->tm_year < 80) return (1u << 21) | (1u << 16); // 1980-01-01 00:00
    if (tm->tm_year > 207) tm->tm_year = 207;
    return static_cast<uint32_t>(tm->tm_year - 80) << 25 |
           static_cast<uint32_t>(tm->tm_mon + 1) << 21 | static_cast<uint32_t>(tm->tm_mday) << 16 |
           static_cast<uint32_t>(tm->tm_hour) << 11 | static_cast<uint32_t>(tm->tm_min) << 5 |
           static_cast<uint32_t>(tm->tm_sec / 2);
}

HostStream::~HostStream() {
    std::fclose(f_);
    if (hasTime_) {
        std::error_code ec;
        fs::last_write_time(hostPath_, FromUnix(time_), ec);
    }
}

bool HostStream::Truncate() {
    if (std::fflush(f_) != 0) return false;
    const int64_t at = Tell64(f_);
    if (at < 0) return false;
    std::error_code ec;
    fs::resize_file(hostPath_, static_cast<std::uintmax_t>(at), ec);
    return !ec && Seek64(f_, at, SEEK_SET) == 0;
}

void HostStream::Flush() {
    std::fflush(f_);
}

int32_t HostStream::Read(void* buffer, int32_t count) {
    if (count <= 0) return 0;
    return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), f_));
}

int32_t HostStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    return static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), f_));
}

int64_t HostStream::Seek(int64_t offset, int origin) {
    Seek64(f_, offset, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END);
    return Tell64(f_);
}

int64_t HostStream::Size() {
    int64_t pos = Tell64(f_);
    Seek64(f_, 0, SEEK_END);
    int64_t size = Tell64(f_);
    Seek64(f_, pos, SEEK_SET);
    return size;
}

bool HostStream::SetDosDateTime(uint32_t dosDateTime) {
    int64_t t;
    if (!DosDateTimeToUnix(dosDateTime, t)) return false;
    time_ = t;
    hasTime_ = true;
    return true;
}

std::string HostPlatform::HostPath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
#endif
}

char HostPlatform::CurrentDrive() {
#ifdef _WIN32
    std::error_code ec;
    std::string cwd = fs::current_path(ec).string();
    if (cwd.size() >= 2 && cwd[1] == ':')
        return static_cast<char>(std::toupper(static_cast<unsigned char>(cwd[0])));
#endif
    return 'C';
}

bool HostPlatform::FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(MapPath(path), ec);
}

bool HostPlatform::DirectoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(MapPath(path), ec);
}

bool HostPlatform::CreateDir(const std::string& path) {
    std::error_code ec;
    return fs::create_directory(MapPath(path), ec);
}

bool HostPlatform::DeleteFile(const std::string& path) {
    std::error_code ec;
    std::string host = MapPath(path);
    // A link goes itself, as on Windows; its target stays.
    if (fs::is_symlink(host, ec)) return !fs::is_directory(host, ec) && fs::remove(host, ec);
    return fs::is_regular_file(host, ec) && fs::remove(host, ec);
}

bool HostPlatform::CopyFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    return fs::copy_file(MapPath(from), MapPath(to), fs::copy_options::overwrite_existing, ec);
}

bool HostPlatform::MoveFileOver(const std::string& from, const std::string& to) {
    std::error_code ec;
    const std::string target = MapPath(to);
    const fs::file_status st = fs::status(target, ec);
    if (fs::exists(st) && (!fs::is_regular_file(st) ||
                           (st.permissions() & fs::perms::owner_write) == fs::perms::none))
        return false;
    fs::rename(MapPath(from), target, ec);
    return !ec;
}

bool HostPlatform::StampFile(const std::string& path, FileStamp& stamp) {
    std::error_code ec;
    const std::string host = MapPath(path);
    if (!fs::is_regular_file(host, ec)) return false;
    const auto size = fs::file_size(host, ec);
    if (ec) return false;
    const auto time = fs::last_write_time(host, ec);
    if (ec) return false;
    stamp.size = static_cast<int64_t>(size);
    stamp.writeTime = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count());
    return true;
}

std::unique_ptr<Stream> HostPlatform::OpenFile(const std::string& path, OpenMode mode) {
    std::string host = MapPath(path);
    std::error_code ec;
    if (fs::is_directory(host, ec)) return nullptr;
    std::FILE* f = nullptr;
    if (mode == OpenMode::CreateNew) {
        // O_EXCL also refuses a symbolic link, dangling or not.
#ifdef O_BINARY
        const int flags = O_RDWR | O_CREAT | O_EXCL | O_BINARY;
#else
        const int flags = O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC;
#endif
        const int fd = ::open(host.c_str(), flags, 0666);
        if (fd < 0) return nullptr;
        f = ::fdopen(fd, "w+b");
        if (!f) ::close(fd);
    } else {
        const char* m = mode == OpenMode::Create      ? "w+b"
                        : mode == OpenMode::ReadWrite ? "r+b"
                                                      : "rb";
        f = std::fopen(host.c_str(), m);
    }
    if (!f) return nullptr;
    return NewStream(f, path, host);
}

std::unique_ptr<Stream> HostPlatform::NewStream(std::FILE* f, const std::string&,
                                                const std::string& hostPath) {
    return std::make_unique<HostStream>(f, hostPath);
}

bool HostPlatform::SetFileAttributes(const std::string& path, uint32_t attributes) {
    std::string host = MapPath(path);
    std::error_code ec;
    if (!fs::exists(host, ec)) return false;
    // Only the read-only bit has a portable counterpart.
    const fs::perms write =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (attributes & 0x01)
        fs::permissions(host, write, fs::perm_options::remove, ec);
    else
        fs::permissions(host, fs::perms::owner_write, fs::perm_options::add, ec);
    return !ec;
}

int64_t HostPlatform::DiskFree(char drive) {
    std::error_code ec;
#ifdef _WIN32
    fs::space_info s = fs::space(std::string(1, drive) + ":\\", ec);
#else
    (void)drive;
    fs::space_info s = fs::space(".", ec);
#endif
    if (ec) return -1;
    return static_cast<int64_t>(s.available);
}

std::string HostPlatform::DriveLetters() {
    return std::string(1, CurrentDrive());
}

std::string HostPlatform::DriveDirectory(char drive) {
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))) +
           ":\\";
}

bool HostPlatform::ListDirectories(const std::string& dir, std::vector<std::string>& names) {
    names.clear();
    std::error_code ec;
    fs::directory_iterator it(MapPath(dir), ec), end;
    if (ec) return false;
    for (; it != end; it.increment(ec)) {
        if (ec) return false;
        std::error_code dec;
        if (it->is_directory(dec)) names.push_back(it->path().filename().string());
    }
    // Without regard to case, as the system lists them.
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [&](char x, char y) { return lower(x) < lower(y); });
    });
    return true;
}

uint32_t HostPlatform::TickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool HostPlatform::ListDirectory(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    std::error_code ec;
    const std::string host = MapPath(path);
    if (!fs::is_directory(host, ec)) return false;
    for (fs::directory_iterator it(host, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return !ec;
}

bool HostPlatform::RemoveDir(const std::string& path) {
    std::error_code ec;
    const std::string host = MapPath(path);
    // A junction goes itself, whatever its target holds.
    if (fs::is_symlink(host, ec)) return fs::is_directory(host, ec) && fs::remove(host, ec);
    // fs::remove would also delete a file; only an empty directory may go here.
    return fs::is_directory(host, ec) && fs::is_empty(host, ec) && fs::remove(host, ec);
}

PathInfo HostPlatform::QueryPath(const std::string& path) {
    PathInfo info;
    std::error_code ec;
    const fs::file_status s = fs::symlink_status(MapPath(path), ec);
    if (ec || !fs::exists(s)) return info;
    info.exists = true;
    info.link = fs::is_symlink(s);
    info.directory = info.link ? fs::is_directory(MapPath(path), ec) : fs::is_directory(s);
    return info;
}

bool HostPlatform::SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(MapPath(a), MapPath(b), ec) && !ec;
}

bool HostPlatform::FileNumber(const std::string& path, uint64_t& number) {
    struct stat st;
    if (stat(MapPath(path).c_str(), &st) != 0) return false;
    number = static_cast<uint64_t>(st.st_ino);
    return true;
}

void HostPlatform::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace corvid

namespace corvid {

std::string HostPlatform::LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    return buf;
}

} // namespace corvid
