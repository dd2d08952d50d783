// corvid-arc: packs, lists, tests and expands the setup's compressed archives.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "archive/encode.h"
#include "pack/project.h"
#include "platform/host_platform.h"
#include "terminal.h"

namespace fs = std::filesystem;
using namespace corvid;

namespace {

enum ExitCode {
    kOk = 0,
    kDamaged = 1,   // the archive is damaged or a member failed its check
    kUsage = 2,     // bad command line
    kFileError = 3, // a file could not be read or written, or the disk is full
    kNotFound = 4,  // a requested member is not in the archive
};

void Usage(FILE* to) {
    std::fprintf(
        to,
        "usage: corvid-arc a ARCHIVE [-m stored|rle|lzh] FILE...\n"
        "       corvid-arc l ARCHIVE\n"
        "       corvid-arc t ARCHIVE\n"
        "       corvid-arc x ARCHIVE [MEMBER...] [-o DIR]\n"
        "\n"
        "  a  packs the FILEs into a new ARCHIVE (replacing it), by method lzh unless -m says\n"
        "     otherwise. Member names are the FILE arguments as given, with \"\\\" as separator;\n"
        "     date, time and the read-only bit come from the files.\n"
        "  l  lists the members: name, method, expanded and packed size, date, attributes, lock.\n"
        "  t  expands every member to nowhere and checks its sum; names each failing member.\n"
        "  x  expands all members, or the MEMBERs named (letter case ignored), below DIR\n"
        "     (default: the current directory), creating directories as needed. Member\n"
        "     names are kept below DIR: a leading \"\\\" or drive is dropped, \"..\" is refused.\n"
        "\n"
        "On a terminal, t and x show their progress for archives of 4 MB or more.\n"
        "\n"
        "Exit codes: 0 done; 1 the archive is damaged or a member failed its check;\n"
        "2 bad usage; 3 a file could not be read or written (or the disk is full);\n"
        "4 a requested member is not in the archive.\n");
}

using tools::Display;

void Fail(const std::string& what) {
    std::fprintf(stderr, "corvid-arc: %s\n", Display(what).c_str());
}

// Classifies a failure for the exit code.
int CodeFor(const std::exception& e) {
    if (dynamic_cast<const EInsufficientDiskSpace*>(&e)) return kFileError;
    if (dynamic_cast<const corvid::Exception*>(&e)) return kDamaged;
    if (std::strcmp(e.what(), kStreamReadError) == 0) return kDamaged;
    return kFileError;
}

// A progress line on a terminal, for archives worth waiting for.
class Progress {
public:
    Progress(const char* verb, int64_t archiveSize)
        : verb_(verb), on_(CORVID_ISATTY(stderr) && archiveSize >= (4 << 20)) {}
    ~Progress() { Clear(); }
    void Member(const std::string& name) {
        name_ = name;
        Show(-1);
    }
    void Percent(int32_t pct) { Show(pct); }
    void Clear() {
        if (on_ && shown_) std::fprintf(stderr, "\r%-79s\r", "");
        shown_ = false;
    }

private:
    void Show(int32_t pct) {
        if (!on_) return;
        auto now = std::chrono::steady_clock::now();
        if (shown_ && pct >= 0 && pct != 100 && now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        std::string n = Display(name_);
        if (n.size() > 56) n = "..." + n.substr(n.size() - 53);
        if (pct >= 0)
            std::fprintf(stderr, "\r%s %-56s %3d%%", verb_, n.c_str(), static_cast<int>(pct));
        else
            std::fprintf(stderr, "\r%s %-56s     ", verb_, n.c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    const char* verb_;
    bool on_;
    bool shown_ = false;
    std::string name_;
    std::chrono::steady_clock::time_point last_{};
};

// Discards what is written and sums it.
class NullStream : public Stream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void* buffer, int32_t count) override {
        if (count <= 0) return 0;
        sum += ByteSum(static_cast<const uint8_t*>(buffer), static_cast<size_t>(count));
        size += count;
        return count;
    }
    int64_t Seek(int64_t, int) override { return size; }
    int64_t Size() override { return size; }
    bool SetDosDateTime(uint32_t) override { return true; }
    uint32_t sum = 0;
    int64_t size = 0;
};

const char* MethodName(uint8_t m) {
    switch (m) {
    case kStored:
        return "stored";
    case kRle:
        return "rle";
    case kLzh:
        return "lzh";
    case kCustom:
        return "custom";
    default:
        return "?";
    }
}

std::string DateText(uint32_t t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", (t >> 25) + 1980,
                  (t >> 21) & 0x0F, (t >> 16) & 0x1F, (t >> 11) & 0x1F, (t >> 5) & 0x3F,
                  (t & 0x1F) * 2);
    return buf;
}

std::string AttrText(int16_t a) {
    std::string s;
    const char* letters = "RHSVDA";
    for (int i = 0; i < 6; ++i) s.push_back(a & (1 << i) ? letters[i] : '-');
    return s;
}

std::unique_ptr<Stream> OpenArchive(HostPlatform& p, const std::string& path) {
    std::unique_ptr<Stream> s = p.OpenFile(path, OpenMode::ReadShared);
    if (!s) throw RuntimeError(FileOpenErrorText(path));
    return s;
}

int Add(const std::string& archive, int method, const std::vector<std::string>& files) {
    HostPlatform p;
    struct Input {
        std::string name, data;
        uint32_t time;
        uint16_t attr;
    };
    std::vector<Input> inputs;
    for (const std::string& f : files) {
        std::string host = HostPlatform::HostPath(f);
        Input i;
        int64_t size = 0;
        if (!pack::StatSource(host, size, i.time, i.attr)) {
            Fail(f + ": not a file that can be read");
            return kFileError;
        }
        std::ifstream in(host, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        if (!in) {
            Fail(f + ": cannot read");
            return kFileError;
        }
        i.name = f;
        for (char& c : i.name)
            if (c == '/') c = '\\';
        i.data = ss.str();
        inputs.push_back(std::move(i));
    }
    std::unique_ptr<Stream> out = p.OpenFile(archive, OpenMode::Create);
    if (!out) {
        Fail(FileCreateErrorText(archive));
        return kFileError;
    }
    try {
        ArchiveWriter w(*out, CompressIdFor(method));
        for (const Input& i : inputs) w.Add(i.name, i.time, i.attr, method, i.data);
        w.Finish();
    } catch (const std::exception& e) {
        out.reset();
        p.DeleteFile(archive);
        Fail(archive + ": " + e.what());
        return kFileError;
    }
    return kOk;
}

int List(const std::string& archive) {
    HostPlatform p;
    std::unique_ptr<Stream> s = OpenArchive(p, archive);
    ArchiveHeader h = ReadArchiveHeader(*s);
    const int64_t size = s->Size();
    std::printf("archive %s: identifier %s, %d bytes expanded in total\n", Display(archive).c_str(),
                Display(h.compressId).c_str(), h.totalSize);
    std::printf("%-6s %10s %10s  %-19s  %-6s %-6s %s\n", "method", "expanded", "packed", "date",
                "attrib", "lock", "name");
    MemberHeader m;
    int64_t total = 0;
    int count = 0;
    bool beyond = false;
    while (ReadMemberHeader(*s, m)) {
        if (!beyond && total >= h.totalSize) {
            beyond = true;
            std::printf("-- members below are past the archive's total and are not expanded --\n");
        }
        std::printf("%-6s %10d %10d  %-19s  %-6s %-6s %s\n", MethodName(m.method), m.expandedSize,
                    m.packedSize, DateText(m.dosDateTime).c_str(), AttrText(m.attributes).c_str(),
                    m.lock > 0 ? "locked" : "", Display(m.name).c_str());
        total += m.expandedSize;
        ++count;
        s->Seek(m.packedSize, 1);
    }
    int64_t pos = s->Seek(0, 1);
    std::printf("%d members\n", count);
    if (pos < size) {
        Fail(archive + ": damaged member record at offset " + std::to_string(pos));
        return kDamaged;
    }
    if (pos > size) {
        Fail(archive + ": the last member's data is cut short by " + std::to_string(pos - size) +
             " bytes");
        return kDamaged;
    }
    return kOk;
}

int Test(const std::string& archive) {
    HostPlatform p;
    std::unique_ptr<Stream> s = OpenArchive(p, archive);
    const int64_t size = s->Size();
    TCompress c(p);
    ArchiveHeader h = ReadArchiveHeader(*s);
    c.CheckCompressID(h.compressId);
    Progress progress("testing", size);
    c.OnShowProgress = [&](int32_t& pct) { progress.Percent(pct); };
    int failed = 0, tested = 0;
    int64_t total = 0;
    MemberHeader m;
    for (;;) {
        const int64_t at = s->Seek(0, 1);
        if (!ReadMemberHeader(*s, m)) {
            if (at < size) {
                progress.Clear();
                Fail(archive + ": damaged member record at offset " + std::to_string(at));
                ++failed;
            }
            break;
        }
        if (total >= h.totalSize) {
            progress.Clear();
            Fail(archive + ": the archive's total of " + std::to_string(h.totalSize) +
                 " bytes ends expansion before member " + m.name);
            ++failed;
            break;
        }
        ++tested;
        progress.Member(m.name);
        const int64_t dataStart = s->Seek(0, 1);
        NullStream sink;
        try {
            c.ExpandMember(sink, *s, m, h.compressId);
            if (m.method == kStored && sink.sum != static_cast<uint32_t>(m.checksum))
                throw EBadChecksum();
            if (m.method > kLzh)
                throw std::runtime_error(std::string("member method ") + std::to_string(m.method) +
                                         " cannot be checked here");
        } catch (const std::exception& e) {
            progress.Clear();
            Fail(archive + ": member " + m.name + ": " + e.what());
            ++failed;
        }
        total += m.expandedSize;
        s->Seek(dataStart + m.packedSize, 0);
    }
    progress.Clear();
    if (failed) {
        std::printf("%s: %d of %d members failed\n", Display(archive).c_str(), failed, tested);
        return kDamaged;
    }
    std::printf("%s: %d members OK\n", Display(archive).c_str(), tested);
    return kOk;
}

// The member name as a path below the output directory, or empty when it would leave it.
std::string SafeRelative(const std::string& name) {
    std::string rel = name;
    if (rel.size() >= 2 && rel[1] == ':') rel.erase(0, 2);
    while (!rel.empty() && (rel[0] == '\\' || rel[0] == '/')) rel.erase(0, 1);
    std::string part;
    std::istringstream ss(rel);
    while (std::getline(ss, part, '\\'))
        if (part == ".." || part.find('/') != std::string::npos ||
            part.find(':') != std::string::npos)
            return "";
    return rel;
}

int Extract(const std::string& archive, const std::vector<std::string>& members,
            const std::string& outDir) {
    HostPlatform p;
    int64_t size = 0;
    {
        std::unique_ptr<Stream> s = OpenArchive(p, archive);
        size = s->Size();
    }
    std::string dir = outDir;
    if (!dir.empty()) {
        std::error_code ec;
        fs::create_directories(HostPlatform::HostPath(dir), ec);
        if (!fs::is_directory(HostPlatform::HostPath(dir), ec)) {
            Fail(dir + ": cannot create the output directory");
            return kFileError;
        }
    }
    TCompress c(p);
    c.MakeDirectories = true;
    c.ExceptionOnFileError = true;
    Progress progress("expanding", size);
    std::string current;
    int refused = 0;
    c.OnCheckFile = [&](std::string& path, TCProcessMode) {
        current = path; // the member name: TargetPath stays empty
        std::string rel = SafeRelative(path);
        if (rel.empty()) {
            progress.Clear();
            Fail("member " + path + ": name leaves the output directory; skipped");
            ++refused;
            path.clear();
            return;
        }
        path = dir.empty() ? rel : dir + "\\" + rel;
        progress.Member(current);
    };
    c.OnShowProgress = [&](int32_t& pct) { progress.Percent(pct); };
    std::vector<std::string> list = members;
    try {
        c.ExpandArchive(archive, members.empty() ? nullptr : &list);
    } catch (const std::exception& e) {
        progress.Clear();
        Fail(archive + (current.empty() ? "" : ": member " + current) + ": " + e.what());
        return CodeFor(e);
    }
    progress.Clear();
    if (!members.empty() && list.size() + static_cast<size_t>(refused) < members.size()) {
        Fail(archive + ": " + std::to_string(members.size() - list.size()) +
             " of the requested members are not in the archive");
        return kNotFound;
    }
    return refused ? kDamaged : kOk;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        Usage(stdout);
        return kOk;
    }
    if (args.size() < 2) {
        Usage(stderr);
        return kUsage;
    }
    const std::string cmd = args[0], archive = args[1];
    std::vector<std::string> rest(args.begin() + 2, args.end());
    try {
        if (cmd == "a") {
            int method = kLzh;
            std::vector<std::string> files;
            for (size_t i = 0; i < rest.size(); ++i) {
                if (rest[i] == "-m" && i + 1 < rest.size()) {
                    const std::string& m = rest[++i];
                    if (m == "stored")
                        method = kStored;
                    else if (m == "rle")
                        method = kRle;
                    else if (m == "lzh")
                        method = kLzh;
                    else {
                        Fail("unknown method " + m + " (stored, rle or lzh)");
                        return kUsage;
                    }
                } else {
                    files.push_back(rest[i]);
                }
            }
            if (files.empty()) {
                Usage(stderr);
                return kUsage;
            }
            return Add(archive, method, files);
        }
        if (cmd == "l" && rest.empty()) return List(archive);
        if (cmd == "t" && rest.empty()) return Test(archive);
        if (cmd == "x") {
            std::vector<std::string> members;
            std::string dir;
            for (size_t i = 0; i < rest.size(); ++i) {
                if (rest[i] == "-o" && i + 1 < rest.size())
                    dir = rest[++i];
                else
                    members.push_back(rest[i]);
            }
            return Extract(archive, members, dir);
        }
    } catch (const std::exception& e) {
        Fail(archive + ": " + e.what());
        return CodeFor(e);
    }
    Usage(stderr);
    return kUsage;
}
