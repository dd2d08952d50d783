#include "pack/check.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "archive/compress.h"
#include "archive/encode.h"
#include "forms/picture.h"
#include "pack/layout.h"
#include "pack/names.h"
#include "platform/host_platform.h"
#include "setupinf/profile.h"
#include "setupinf/values.h"

namespace fs = std::filesystem;

namespace corvid::pack {

std::string Finding::Where() const {
    if (section.empty()) return "";
    return "[" + section + "]" + (key.empty() ? "" : " " + key) + ": ";
}

namespace {

std::string ReadHost(const fs::path& p, bool& ok) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    ok = static_cast<bool>(in);
    return ss.str();
}

// Expands the member `name` (letter case ignored) of an archive held in memory, the way the
// setup's expansion finds it. Returns an empty reason on success.
std::string ExpandFromArchive(const std::string& archive, const std::string& name, std::string& out,
                              int64_t* expandedSize = nullptr) {
    HostPlatform platform;
    TCompress c(platform);
    BufferStream s(archive);
    try {
        ArchiveHeader h = ReadArchiveHeader(s);
        c.CheckCompressID(h.compressId);
        int64_t total = 0;
        MemberHeader m;
        while (ReadMemberHeader(s, m)) {
            if (total >= h.totalSize) break;
            const int64_t data = s.Seek(0, 1);
            if (FoldCase(m.name) == FoldCase(name)) {
                if (data + m.packedSize > s.Size())
                    return "the archive is cut short in member " + m.name;
                BufferStream sink;
                c.ExpandMember(sink, s, m, h.compressId);
                if (m.method == kStored &&
                    ByteSum(reinterpret_cast<const uint8_t*>(sink.bytes.data()),
                            sink.bytes.size()) != static_cast<uint32_t>(m.checksum))
                    throw EBadChecksum();
                if (m.method > kLzh)
                    return "member " + m.name +
                           " has a method the setup cannot "
                           "expand";
                if (static_cast<int64_t>(sink.bytes.size()) != m.expandedSize)
                    return "member " + m.name + " expands to " + std::to_string(sink.bytes.size()) +
                           " bytes, not " + std::to_string(m.expandedSize);
                out = std::move(sink.bytes);
                if (expandedSize) *expandedSize = m.expandedSize;
                return "";
            }
            total += m.expandedSize;
            s.Seek(data + m.packedSize, 0);
        }
        return "the archive holds no member " + name;
    } catch (const EInvalidHeader&) {
        return "the data is no archive (its header is not there)";
    } catch (const std::exception& e) {
        return std::string("the archive fails its check: ") + e.what();
    }
}

struct FileEntry {
    int component = 0, index = 0;
    std::string name;
    int dir = 0;
    std::string s;
    int32_t p = 0, z = 1;
    struct Piece {
        std::string volume; // folded name
        int64_t offset, length;
    };
    std::vector<Piece> pieces;
    bool dataOk = false;
};

class Checker {
public:
    Checker(const std::string& dir, const std::string& extractTo) : extractTo_(extractTo) {
        Locate(dir);
    }
    CheckReport Run();

private:
    void Report(bool error, const std::string& section, const std::string& key,
                const std::string& message) {
        report_.findings.push_back(Finding{error, section, key, message});
        ++(error ? report_.errors : report_.warnings);
    }
    std::string Str(const std::string& section, const std::string& key,
                    const std::string& deflt) const {
        return ReadProfileString(inf_, section, key, deflt);
    }
    bool Has(const std::string& section, const std::string& key) const {
        return Str(section, key, "\x01") != "\x01";
    }
    int32_t Int(const std::string& section, const std::string& key, int32_t deflt) const {
        return ParseInteger(Str(section, key, ""), deflt);
    }
    void Locate(const std::string& dir);
    // The host path of a distribution file, looked for in every disk folder; empty if missing.
    std::string FindFile(const std::string& name) const {
        auto it = files_.find(FoldCase(name));
        return it == files_.end() ? "" : it->second;
    }
    void CheckDirectories();
    void CheckComponents();
    void MakeDirectories();
    bool ReadData(FileEntry& f, std::string& data);
    void CheckOverlaps();
    void CheckPictures();
    void CheckItems();
    void CheckTexts();
    void CheckUninstaller();
    void Extract(const FileEntry& f, const std::string& bytes);

    std::string extractTo_;
    std::string inf_;
    std::vector<fs::path> folders_;
    std::map<std::string, std::string> files_; // folded name -> host path
    std::map<std::string, int64_t> sizes_;     // folded name -> size
    CheckReport report_;
    int mode_ = 0;
    std::vector<FileEntry> entries_;
    std::map<int, int> fileCount_; // component -> files
};

int DiskNumber(const std::string& name) {
    if (name.size() < 5 || FoldCase(name.substr(0, 4)) != "disk") return 0;
    for (size_t i = 4; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return 0;
    return std::atoi(name.c_str() + 4);
}

void Checker::Locate(const std::string& dir) {
    std::error_code ec;
    fs::path d = FsPath(dir);
    std::vector<std::pair<int, fs::path>> disks;
    auto disksIn = [&](const fs::path& parent) {
        for (auto it = fs::directory_iterator(parent, ec); !ec && it != fs::directory_iterator();
             it.increment(ec))
            if (int n = DiskNumber(PathText(it->path().filename())); n > 0 && it->is_directory(ec))
                disks.emplace_back(n, it->path());
        std::sort(disks.begin(), disks.end());
    };
    if (fs::is_regular_file(d / "setup.inf", ec)) {
        inf_ = PathText(d / "setup.inf");
        if (DiskNumber(PathText(fs::absolute(d).lexically_normal().filename())) > 0)
            disksIn(fs::absolute(d).lexically_normal().parent_path());
        folders_.push_back(d);
        for (auto& [n, p] : disks)
            if (!fs::equivalent(p, d, ec)) folders_.push_back(p);
    } else {
        disksIn(d);
        for (auto& [n, p] : disks) {
            if (inf_.empty() && fs::is_regular_file(p / "setup.inf", ec))
                inf_ = PathText(p / "setup.inf");
            folders_.push_back(p);
        }
    }
    for (const fs::path& f : folders_)
        for (auto it = fs::directory_iterator(f, ec); !ec && it != fs::directory_iterator();
             it.increment(ec)) {
            if (!it->is_regular_file(ec)) continue;
            std::string k = FoldCase(PathText(it->path().filename()));
            if (files_.count(k)) {
                if (k.compare(0, 6, "zdata_") == 0)
                    Report(false, "", "",
                           "volume " + PathText(it->path().filename()) +
                               " is on more than one disk");
                continue;
            }
            files_[k] = PathText(it->path());
            sizes_[k] = static_cast<int64_t>(it->file_size(ec));
        }
}

void Checker::CheckDirectories() {
    const int total = Int("directories", "total", 2);
    for (int i = 1; i <= std::min(total, 10000); ++i)
        for (int k = 1; k <= 7; ++k) {
            const std::string key = "d" + std::to_string(k) + "_" + std::to_string(i);
            if (!Has("directories", key)) continue;
            std::string why = DirectoryValueProblem(Str("directories", key, ""));
            if (!why.empty()) Report(true, "directories", key, "the directory value: " + why);
        }
}

// Follows the setup's reads through the volumes; false (reported) when the data cannot be read.
bool Checker::ReadData(FileEntry& f, std::string& data) {
    const std::string sec = "Option_" + std::to_string(f.component);
    const std::string j = std::to_string(f.index);
    std::string volume = "zdata_" + f.s + ".dsk";
    std::string path = FindFile(volume);
    if (path.empty()) {
        Report(true, sec, "s" + j, "volume " + volume + " does not exist");
        return false;
    }
    if (f.p < 0 || f.z < 0) {
        Report(true, sec, f.p < 0 ? "p" + j : "z" + j, "a negative offset or length");
        return false;
    }
    int64_t size = sizes_[FoldCase(volume)];
    if (f.p > size) {
        Report(true, sec, "p" + j,
               "offset " + std::to_string(f.p) + " lies beyond the end of " + volume + " (" +
                   std::to_string(size) + " bytes)");
        return false;
    }
    int64_t remaining = f.z, pos = f.p;
    int step = 0;
    data.clear();
    for (;;) {
        const int64_t take = std::min(remaining, size - pos);
        f.pieces.push_back({FoldCase(volume), pos, take});
        if (take > 0) {
            std::ifstream in(FsPath(path), std::ios::binary);
            in.seekg(pos);
            std::string part(static_cast<size_t>(take), '\0');
            in.read(&part[0], take);
            if (in.gcount() != take) {
                Report(true, sec, "s" + j, "cannot read " + volume);
                return false;
            }
            data += part;
        }
        remaining -= take;
        if (remaining == 0) return true;
        ++step;
        const int n = ParseInteger(f.s, 0) + step;
        volume = VolumeName(n);
        path = FindFile(volume);
        if (path.empty()) {
            Report(true, sec, "z" + j,
                   "the data runs past the end of the volumes: " + std::to_string(remaining) +
                       " of its " + std::to_string(f.z) + " bytes would come from " + volume +
                       ", which does not exist");
            return false;
        }
        size = sizes_[FoldCase(volume)];
        pos = 0;
    }
}

// With --extract, the directory rows the setup creates, empty ones included.
void Checker::MakeDirectories() {
    if (extractTo_.empty()) return;
    const int total = Int("directories", "total", 2);
    for (int i = 1; i <= std::min(total, 10000); ++i)
        for (int k = 1; k <= 7; ++k) {
            const std::string v =
                Str("directories", "d" + std::to_string(k) + "_" + std::to_string(i), "%");
            if (v.find('%') != std::string::npos || !DirectoryValueProblem(v).empty()) continue;
            std::string rel = AnsiToUtf8(v);
            for (char& c : rel)
                if (c == '\\') c = '/';
            std::error_code ec;
            fs::create_directories(FsPath(extractTo_) / FsPath(rel).relative_path(), ec);
        }
}

void Checker::Extract(const FileEntry& f, const std::string& bytes) {
    if (extractTo_.empty()) return;
    std::string dir;
    if (f.dir > 0) {
        std::string v = Str("directories",
                            "d" + std::to_string(f.component) + "_" + std::to_string(f.dir), "[]");
        if (IsSystemRootValue(v)) v = "\\SystemRoot" + v.substr(std::strlen(kSystemRoot));
        dir = v;
    }
    std::string rel = AnsiToUtf8(dir + "\\" + f.name);
    for (char& c : rel)
        if (c == '\\') c = '/';
    fs::path target = FsPath(extractTo_) / FsPath(rel).relative_path();
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    std::ofstream out(target, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) Report(true, "", "", "cannot write " + PathText(target));
}

void Checker::CheckComponents() {
    const bool copies = Int("software", "medium", -1) != -1;
    for (int k = 1; k <= 7; ++k) {
        const std::string sec = "Option_" + std::to_string(k);
        const std::string opt = "Opt" + std::to_string(k) + "_";
        const std::string name = Str("software", opt + "name", "");
        int64_t real = 0;
        int count = 0;
        for (int j = 1; j < 100000; ++j) {
            const std::string n = std::to_string(j);
            FileEntry f;
            f.component = k;
            f.index = j;
            f.name = Str(sec, "f" + n, "[leer]");
            if (f.name == "[leer]") break;
            ++count;
            ++report_.files;
            std::string why = FileNameProblem(f.name);
            if (!why.empty()) Report(true, sec, "f" + n, "the file name: " + why);
            f.dir = Int(sec, "d" + n, 0);
            if (f.dir > 0) {
                const std::string row = "d" + std::to_string(k) + "_" + std::to_string(f.dir);
                if (!Has("directories", row))
                    Report(true, sec, "d" + n, "there is no [directories] " + row);
                else if (!IsSystemRootValue(Str("directories", row, "")) &&
                         f.dir > Int("directories", "total", 2))
                    Report(true, sec, "d" + n,
                           "[directories] " + row +
                               " lies beyond [directories] total, so the "
                               "setup does not create it");
            } else if (f.dir < 0) {
                Report(true, sec, "d" + n, "a negative directory index");
            }
            f.s = Str(sec, "s" + n, "01");
            f.p = Int(sec, "p" + n, 0);
            f.z = Int(sec, "z" + n, 1);
            std::string data;
            if (ReadData(f, data)) {
                if (mode_ == 1) {
                    std::string expanded;
                    int64_t size = 0;
                    std::string why2 = ExpandFromArchive(data, f.name, expanded, &size);
                    if (why2.empty()) {
                        real += size;
                        f.dataOk = true;
                        Extract(f, expanded);
                    } else {
                        const bool noArchive = why2.find("no archive") != std::string::npos;
                        Report(true, sec, noArchive ? "p" + n : "f" + n, why2);
                    }
                } else {
                    real += f.z;
                    f.dataOk = true;
                    Extract(f, data);
                }
            }
            entries_.push_back(std::move(f));
        }
        fileCount_[k] = count;
        if (count == 0 && !name.empty())
            Report(false, sec, "f1",
                   "component " + std::to_string(k) + " (" + name + ") has no files");
        if (count > 0 && !copies && k == 1)
            Report(false, "software", "medium",
                   "missing or -1: the setup copies none of the components' files");
        if (count > 0 && Int("software", opt + "space", 0) < real)
            Report(false, "software", opt + "space",
                   std::to_string(Int("software", opt + "space", 0)) + " bytes, less than the " +
                       std::to_string(real) + " bytes of the component's files");
        if (count > 0 && mode_ == 1 && k <= 5 && Int("software", opt + "cs", 0) <= 0)
            Report(false, "software", opt + "cs",
                   "missing in mode 1: the overall gauge does not count this component");
    }
}

void Checker::CheckOverlaps() {
    struct Ref {
        const FileEntry* f;
        int64_t start, end;
    };
    std::map<std::string, std::vector<Ref>> byVolume;
    for (const FileEntry& f : entries_)
        for (const auto& piece : f.pieces)
            if (piece.length > 0)
                byVolume[piece.volume].push_back({&f, piece.offset, piece.offset + piece.length});
    // Packed data lies back to back: data that meets no other at its start or at its end is what
    // was moved.
    std::map<std::string, std::set<int64_t>> starts, ends;
    for (auto& [volume, refs] : byVolume)
        for (const Ref& r : refs) {
            starts[volume].insert(r.start);
            ends[volume].insert(r.end);
        }
    std::map<const FileEntry*, int> loose;
    for (const FileEntry& f : entries_) {
        if (f.pieces.empty() || f.z <= 0) continue;
        const auto& first = f.pieces.front();
        const auto& last = f.pieces.back();
        loose[&f] = (first.offset != 0 && !ends[first.volume].count(first.offset)) +
                    (last.offset + last.length != sizes_[last.volume] &&
                     !starts[last.volume].count(last.offset + last.length));
    }
    for (auto& [volume, refs] : byVolume) {
        std::sort(refs.begin(), refs.end(), [](const Ref& a, const Ref& b) {
            return a.start != b.start ? a.start < b.start : a.end < b.end;
        });
        for (size_t i = 1; i < refs.size(); ++i) {
            const Ref& a = refs[i - 1];
            const Ref& b = refs[i];
            // Damage already reported at a file's own key explains the overlap.
            if (a.end <= b.start || !a.f->dataOk || !b.f->dataOk) continue;
            const int la = loose[a.f], lb = loose[b.f];
            for (const Ref* r : {&a, &b}) {
                const Ref& other = r == &a ? b : a;
                if ((r == &a ? la < lb : lb < la)) continue;
                Report(true, "Option_" + std::to_string(r->f->component),
                       "p" + std::to_string(r->f->index),
                       "its data overlaps that of [Option_" + std::to_string(other.f->component) +
                           "] f" + std::to_string(other.f->index) + " in " + volume);
            }
        }
    }
}

void Checker::CheckPictures() {
    const std::pair<const char*, const char*> keys[] = {
        {"main", "back"}, {"main", "logo"}, {"main", "info"}, {"leader", "image"}};
    for (const auto& [section, key] : keys) {
        const std::string v = Str(section, key, "_");
        if (v == "_") continue;
        const std::string path = FindFile(v);
        if (path.empty() ||
            !fs::is_regular_file(FsPath(inf_).parent_path() / FsPath(HostPlatform::HostPath(v)))) {
            Report(false, section, key, "the picture " + v + " is not beside setup.inf");
            continue;
        }
        bool ok = false;
        std::string bytes = ReadHost(FsPath(path), ok);
        if (mode_ == 1) {
            std::string member = FileNamePart(v);
            if (!member.empty()) member.back() = 'p';
            std::string bmp;
            std::string why = ExpandFromArchive(bytes, member, bmp);
            if (!why.empty()) {
                Report(true, section, key, v + ": " + why);
                continue;
            }
            bytes = std::move(bmp);
        }
        BmpInfo info;
        if (!info.ReadDrawable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
            Report(true, section, key, v + " is no Windows bitmap the setup can show");
    }
    const std::string readme = Str("software", "readme", "");
    if (!readme.empty() &&
        !fs::is_regular_file(FsPath(inf_).parent_path() / FsPath(HostPlatform::HostPath(readme))))
        Report(false, "software", "readme",
               "the read-me file " + readme + " is not beside setup.inf");
}

void Checker::CheckItems() {
    auto fileOf = [&](int k, int j) { return k >= 1 && k <= 7 && j >= 1 && j <= fileCount_[k]; };
    const int total = Int("prggrp", "total", 1);
    for (int n = 1; n <= std::min(total, 10000); ++n) {
        const std::string m = std::to_string(n);
        const int k = Int("prggrp", "o" + m, 1), j = Int("prggrp", "f" + m, 1);
        if (!fileOf(k, j))
            Report(true, "prggrp", Has("prggrp", "f" + m) ? "f" + m : "o" + m,
                   "program item " + m + " starts file " + std::to_string(j) + " of component " +
                       std::to_string(k) + ", which no component installs");
    }
    const int ext = Int("extensions", "total", 150);
    for (int n = 1; n <= std::min(ext, 10000); ++n) {
        const std::string m = std::to_string(n);
        if (Str("extensions", "e" + m, "_") == "_") continue;
        const int k = ParseInteger(Str("extensions", "o" + m, ""), 0);
        const int j = ParseInteger(Str("extensions", "f" + m, ""), 0);
        if (!fileOf(k, j))
            Report(true, "extensions", Has("extensions", "f" + m) ? "f" + m : "o" + m,
                   "association " + m + " opens file " + std::to_string(j) + " of component " +
                       std::to_string(k) + ", which no component installs");
    }
}

void Checker::CheckTexts() {
    auto flag = [&](const char* key) { return Int("software", key, 0) != 0; };
    const bool standard = flag("o_standard"), minimal = flag("o_min"), cd = flag("o_cd"),
               custom = flag("o_custom");
    const bool typePage = (cd || minimal || custom) && (!cd || standard || custom);
    bool items = cd;
    for (int n = 1; n <= 7; ++n)
        items = items || flag(("Opt" + std::to_string(n) + "_prgitem").c_str());
    int volumes = 0;
    for (const auto& [name, path] : files_)
        if (name.compare(0, 6, "zdata_") == 0) ++volumes;
    const int reboot = Int("software", "reboot", 0);
    const bool uniyes = Int("software", "uniyes", 1) != 0;
    std::vector<int> shown = {1,  2,  3,  4,  5,  6,  9,  10, 11, 12, 13, 14, 15,
                              16, 17, 18, 19, 21, 22, 23, 24, 25, 26, 27, 29, 30,
                              31, 35, 36, 37, 38, 39, 48, 49, 50, 51, 52, 54};
    if (volumes > 1) shown.push_back(20);
    if (reboot != 0) shown.insert(shown.end(), {7, 8});
    if (typePage) shown.insert(shown.end(), {32, 40});
    if (typePage && standard) shown.insert(shown.end(), {41, 44});
    if (typePage && (minimal || cd)) shown.insert(shown.end(), {42, cd ? 46 : 45});
    if (typePage && custom) shown.insert(shown.end(), {43, 47, 33});
    if (items) shown.push_back(34);
    if (uniyes) shown.insert(shown.end(), {55, 56, 57, 58, 59, 60, 61});
    std::sort(shown.begin(), shown.end());
    for (int n : shown) {
        const std::string key = "l" + std::to_string(n);
        if (Str("language", key, "").empty())
            Report(false, "language", key, "the text is empty, but the setup shows it");
    }
}

void Checker::CheckUninstaller() {
    if (Int("software", "uniyes", 1) == 0) return;
    const std::string path = FindFile("uninst.ex_");
    if (path.empty() || !fs::is_regular_file(FsPath(inf_).parent_path() / "uninst.ex_")) {
        Report(true, "software", "uniyes",
               "the setup installs the uninstaller, but uninst.ex_ is not beside setup.inf");
        return;
    }
    if (mode_ != 1) return;
    bool ok = false;
    std::string bytes = ReadHost(FsPath(path), ok), out;
    std::string why = ExpandFromArchive(bytes, "uninst32.ex_", out);
    if (!why.empty()) Report(true, "software", "uniyes", "uninst.ex_: " + why);
}

CheckReport Checker::Run() {
    report_.infPath = inf_;
    if (inf_.empty()) {
        Report(true, "", "", "no setup.inf (nor disk1/setup.inf) in the distribution folder");
        return report_;
    }
    const int version = Int("corvid", "version", 1);
    if (version != 220)
        Report(true, "corvid", "version",
               std::to_string(version) + ": the setup reads descriptions of version 220 only");
    mode_ = Int("compression", "mode", 0) == 1 ? 1 : 0;
    CheckDirectories();
    MakeDirectories();
    CheckComponents();
    CheckOverlaps();
    CheckPictures();
    CheckItems();
    CheckTexts();
    CheckUninstaller();
    return report_;
}

std::string JsonString(const std::string& ansi) {
    std::string s = AnsiToUtf8(ansi), out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

} // namespace

CheckReport CheckDistribution(const std::string& dir, const std::string& extractTo) {
    return Checker(dir, extractTo).Run();
}

std::string ReportJson(const CheckReport& r) {
    std::string j = "{\"setup_inf\": " + JsonString(r.infPath) +
                    ", \"files\": " + std::to_string(r.files) +
                    ", \"errors\": " + std::to_string(r.errors) +
                    ", \"warnings\": " + std::to_string(r.warnings) + ", \"findings\": [";
    for (size_t i = 0; i < r.findings.size(); ++i) {
        const Finding& f = r.findings[i];
        j += std::string(i ? ",\n  " : "\n  ") + "{\"severity\": \"" +
             (f.error ? "error" : "warning") + "\", \"section\": " + JsonString(f.section) +
             ", \"key\": " + JsonString(f.key) + ", \"message\": " + JsonString(f.message) + "}";
    }
    return j + (r.findings.empty() ? "]}\n" : "\n]}\n");
}

} // namespace corvid::pack
