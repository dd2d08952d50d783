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
#include "pack/host_description.h"
#include "pack/layout.h"
#include "pack/names.h"
#include "platform/host_platform.h"
#include "setupinf/media_reader.h"
#include "setupinf/profile.h"
#include "setupinf/schema.h"
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
    schema::FileRow row;
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
    const SetupDescription& D() const { return description_->Reader(); }
    std::string Str(const std::string& section, const std::string& key,
                    const std::string& deflt) const {
        return D().ReadString(section, key, deflt);
    }
    bool Has(const std::string& section, const std::string& key) const {
        return Str(section, key, "\x01") != "\x01";
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

    // The volumes as the setup finds them: in any of the disk folders.
    class DiskVolumes : public VolumeSource {
    public:
        explicit DiskVolumes(const Checker& checker) : checker_(checker) {}
        std::unique_ptr<Stream> OpenVolume(const std::string& name, int32_t) override;

    private:
        const Checker& checker_;
    };

    std::string extractTo_;
    std::string inf_;
    std::unique_ptr<HostDescription> description_;
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
                if (k.compare(0, std::strlen(kVolumePrefix), kVolumePrefix) == 0)
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
    const char* section = schema::kDirectoryRows.section;
    const int total = schema::Read(D(), schema::kDirectoryRows);
    for (int i = 1; i <= std::min(total, 10000); ++i)
        for (int k = 1; k <= schema::kComponents; ++k) {
            const std::string key = schema::DirectoryKey(k, i);
            if (!Has(section, key)) continue;
            std::string why = DirectoryValueProblem(Str(section, key, ""));
            if (!why.empty()) Report(true, section, key, "the directory value: " + why);
        }
}

// A volume file, read only.
class VolumeFileStream : public Stream {
public:
    explicit VolumeFileStream(const std::string& hostPath)
        : in_(FsPath(hostPath), std::ios::binary) {}
    bool IsOpen() const { return in_.is_open(); }
    int32_t Read(void* buffer, int32_t count) override {
        in_.read(static_cast<char*>(buffer), count);
        const auto got = static_cast<int32_t>(in_.gcount());
        if (in_.bad()) return -1;
        in_.clear();
        return got;
    }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override {
        in_.seekg(offset, origin == 0   ? std::ios::beg
                          : origin == 1 ? std::ios::cur
                                        : std::ios::end);
        return static_cast<int64_t>(in_.tellg());
    }
    int64_t Size() override {
        const auto at = in_.tellg();
        in_.seekg(0, std::ios::end);
        const auto size = in_.tellg();
        in_.seekg(at);
        return static_cast<int64_t>(size);
    }
    bool SetDosDateTime(uint32_t) override { return false; }

private:
    std::ifstream in_;
};

std::unique_ptr<Stream> Checker::DiskVolumes::OpenVolume(const std::string& name, int32_t) {
    const std::string path = checker_.FindFile(name);
    if (path.empty()) return nullptr;
    auto s = std::make_unique<VolumeFileStream>(path);
    if (!s->IsOpen()) return nullptr;
    return s;
}

// Reads the data through the setup's reader; false (reported) when it cannot be read.
bool Checker::ReadData(FileEntry& f, std::string& data) {
    const std::string sec = schema::OptionSection(f.component);
    auto key = [&](const char* prefix) { return schema::RowKey(prefix, f.index); };
    DiskVolumes volumes(*this);
    MediaReader reader(volumes, f.row.volume, f.row.offset, f.row.length);
    data.clear();
    MediaFault fault = reader.Open();
    while (fault == MediaFault::None && !reader.Complete()) {
        int32_t got = 0;
        fault = reader.ReadBlock(
            [&](const MediaBlock& b) {
                const std::string volume = FoldCase(b.volume);
                if (f.pieces.empty() || f.pieces.back().volume != volume)
                    f.pieces.push_back({volume, b.offset, 0});
                f.pieces.back().length += b.count;
                data.append(b.data, static_cast<size_t>(b.count));
            },
            got);
    }
    const std::string& volume = reader.Volume();
    switch (fault) {
    case MediaFault::None:
        if (f.row.hasChecksum) {
            const uint32_t crc = Crc32(0, data.data(), data.size());
            if (crc != f.row.checksum) {
                Report(true, sec, key(schema::kFileChecksum),
                       "the data in " + (f.pieces.empty() ? volume : f.pieces.front().volume) +
                           " does not match its checksum (" + ChecksumText(crc) + " instead of " +
                           ChecksumText(f.row.checksum) + "): the medium is damaged");
                // The data's own checks still run: they may say what the damage is.
            }
        } else if (Has(sec, key(schema::kFileChecksum))) {
            Report(true, sec, key(schema::kFileChecksum),
                   "a checksum is eight hexadecimal digits: nothing is checked");
        }
        return true;
    case MediaFault::BadPlacement:
        Report(true, sec, key(f.row.offset < 0 ? schema::kFileOffset : schema::kFileLength),
               "a negative offset or length");
        break;
    case MediaFault::OffsetBeyondEnd:
        Report(true, sec, key(schema::kFileOffset),
               "offset " + std::to_string(f.row.offset) + " lies beyond the end of " + volume +
                   " (" + std::to_string(reader.VolumeSize()) + " bytes)");
        break;
    case MediaFault::ReadFailed:
        Report(true, sec, key(schema::kFileVolume), "cannot read " + volume);
        break;
    case MediaFault::MissingVolume:
        if (reader.VolumeStep() == 0)
            Report(true, sec, key(schema::kFileVolume), "volume " + volume + " does not exist");
        else
            Report(
                true, sec, key(schema::kFileLength),
                "the data runs past the end of the volumes: " + std::to_string(reader.Remaining()) +
                    " of its " + std::to_string(f.row.length) + " bytes would come from " + volume +
                    ", which does not exist");
        break;
    }
    return false;
}

// With --extract, the directory rows the setup creates, empty ones included.
void Checker::MakeDirectories() {
    if (extractTo_.empty()) return;
    const int total = schema::Read(D(), schema::kDirectoryRows);
    for (int i = 1; i <= std::min(total, 10000); ++i)
        for (int k = 1; k <= schema::kComponents; ++k) {
            const std::string v = schema::ReadPhaseDirectory(D(), k, i);
            if (!schema::MadeByDirectoryPhase(v) || !DirectoryValueProblem(v).empty()) continue;
            std::string rel = AnsiToUtf8(v);
            for (char& c : rel)
                if (c == '\\') c = '/';
            std::error_code ec;
            fs::create_directories(FsPath(extractTo_) / FsPath(rel).relative_path(), ec);
        }
}

void Checker::Extract(const FileEntry& f, const std::string& bytes) {
    if (extractTo_.empty()) return;
    const schema::Place place =
        schema::PlaceOfFile(D(), std::to_string(f.component), f.row.directory, f.row.name);
    std::string rel = AnsiToUtf8((place.belowWindows ? "\\SystemRoot" : "") + place.rest);
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
    const bool copies = schema::FilePhaseOn(D());
    const int rows = schema::Read(D(), schema::kDirectoryRows);
    for (int k = 1; k <= schema::kComponents; ++k) {
        const std::string sec = schema::OptionSection(k);
        const std::string name = schema::ReadComponentName(D(), k);
        int64_t real = 0;
        int count = 0;
        for (int j = 1; j < 100000; ++j) {
            FileEntry f;
            f.component = k;
            f.index = j;
            if (!schema::ReadFileRow(D(), k, j, f.row)) break;
            auto key = [&](const char* prefix) { return schema::RowKey(prefix, j); };
            ++count;
            ++report_.files;
            std::string why = FileNameProblem(f.row.name);
            if (!why.empty()) Report(true, sec, key(schema::kFileName), "the file name: " + why);
            if (f.row.directory > 0) {
                const std::string row = schema::DirectoryKey(k, f.row.directory);
                const char* directories = schema::kDirectoryRows.section;
                if (!Has(directories, row))
                    Report(true, sec, key(schema::kFileDirectory),
                           "there is no [directories] " + row);
                else if (!schema::HasSystemRoot(Str(directories, row, "")) &&
                         f.row.directory > rows)
                    Report(true, sec, key(schema::kFileDirectory),
                           "[directories] " + row +
                               " lies beyond [directories] total, so the "
                               "setup does not create it");
            } else if (f.row.directory < 0) {
                Report(true, sec, key(schema::kFileDirectory), "a negative directory index");
            }
            std::string data;
            if (ReadData(f, data)) {
                if (mode_ == 1) {
                    std::string expanded;
                    int64_t size = 0;
                    std::string why2 = ExpandFromArchive(data, f.row.name, expanded, &size);
                    if (why2.empty()) {
                        real += size;
                        f.dataOk = true;
                        Extract(f, expanded);
                    } else {
                        const bool noArchive = why2.find("no archive") != std::string::npos;
                        Report(true, sec, key(noArchive ? schema::kFileOffset : schema::kFileName),
                               why2);
                    }
                } else {
                    real += f.row.length;
                    f.dataOk = true;
                    Extract(f, data);
                }
            }
            entries_.push_back(std::move(f));
        }
        fileCount_[k] = count;
        const std::string space = schema::ComponentKey(k, "space");
        const std::string progress = schema::ComponentKey(k, "cs");
        if (count == 0 && !name.empty())
            Report(false, sec, schema::RowKey(schema::kFileName, 1),
                   "component " + std::to_string(k) + " (" + name + ") has no files");
        if (count > 0 && !copies && k == 1)
            Report(false, schema::kMedium.section, schema::kMedium.key,
                   "missing or -1: the setup copies none of the components' files");
        if (count > 0 && schema::ReadComponentSpace(D(), k) < real)
            Report(false, schema::kComponentSection, space,
                   std::to_string(schema::ReadComponentSpace(D(), k)) + " bytes, less than the " +
                       std::to_string(real) + " bytes of the component's files");
        if (count > 0 && mode_ == 1 && k <= 5 && schema::ReadComponentProgress(D(), k) <= 0)
            Report(false, schema::kComponentSection, progress,
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
        if (f.pieces.empty() || f.row.length <= 0) continue;
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
                Report(true, schema::OptionSection(r->f->component),
                       schema::RowKey(schema::kFileOffset, r->f->index),
                       "its data overlaps that of [" + schema::OptionSection(other.f->component) +
                           "] " + schema::RowKey(schema::kFileName, other.f->index) + " in " +
                           volume);
            }
        }
    }
}

void Checker::CheckPictures() {
    for (const schema::TextKey& picture : schema::kPictures) {
        const char* section = picture.section;
        const char* key = picture.key;
        const std::string v = schema::Read(D(), picture);
        if (v == schema::kNothing) continue;
        const std::string path = FindFile(v);
        if (path.empty() ||
            !fs::is_regular_file(FsPath(inf_).parent_path() / FsPath(HostPlatform::HostPath(v)))) {
            Report(false, section, key, "the picture " + v + " is not beside setup.inf");
            continue;
        }
        bool ok = false;
        std::string bytes = ReadHost(FsPath(path), ok);
        if (mode_ == 1) {
            const std::string member = schema::PictureMemberName(v);
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
    const std::string readme = schema::Read(D(), schema::kReadme);
    if (!readme.empty() &&
        !fs::is_regular_file(FsPath(inf_).parent_path() / FsPath(HostPlatform::HostPath(readme))))
        Report(false, schema::kReadme.section, schema::kReadme.key,
               "the read-me file " + readme + " is not beside setup.inf");
}

void Checker::CheckItems() {
    auto fileOf = [&](int k, int j) {
        return k >= 1 && k <= schema::kComponents && j >= 1 && j <= fileCount_[k];
    };
    const char* items = schema::kProgramItemRows.section;
    const int total = schema::Read(D(), schema::kProgramItemRows);
    for (int n = 1; n <= std::min(total, 10000); ++n) {
        const std::string m = std::to_string(n);
        const schema::ProgramItem item = schema::ReadProgramItem(D(), n);
        const int k = item.component, j = item.file;
        if (!fileOf(k, j))
            Report(true, items, Has(items, "f" + m) ? "f" + m : "o" + m,
                   "program item " + m + " starts file " + std::to_string(j) + " of component " +
                       std::to_string(k) + ", which no component installs");
    }
    const char* associations = schema::kAssociationRows.section;
    const int ext = schema::Read(D(), schema::kAssociationRows);
    for (int n = 1; n <= std::min(ext, 10000); ++n) {
        const std::string m = std::to_string(n);
        const schema::Association a = schema::ReadAssociation(D(), n);
        if (a.extension == schema::kNothing) continue;
        // The setup reads the program at [Option_<o>] f<f> with o and f as written: only the
        // plain decimal number of a component and of one of its files names them.
        const int k = ParseInteger(a.component, 0), j = ParseInteger(a.file, 0);
        const char* differs = a.component != std::to_string(k) ? "o"
                              : a.file != std::to_string(j)    ? "f"
                                                               : nullptr;
        if (differs && Has(associations, differs + m))
            Report(true, associations, differs + m,
                   "association " + m + " opens [" + schema::OptionSection(a.component) + "] " +
                       schema::kFileName + a.file +
                       " as written, which is no file any component installs");
        else if (!fileOf(k, j))
            Report(true, associations, Has(associations, "f" + m) ? "f" + m : "o" + m,
                   "association " + m + " opens file " + std::to_string(j) + " of component " +
                       std::to_string(k) + ", which no component installs");
    }
}

void Checker::CheckTexts() {
    const schema::TypeOffers offers = schema::ReadTypeOffers(D());
    const bool standard = offers.standard, minimal = offers.minimal, cd = offers.cd,
               custom = offers.custom;
    const bool typePage = schema::SetupTypePageShown(offers);
    bool items = cd;
    for (int n = 1; n <= schema::kComponents; ++n)
        items = items || schema::ReadComponentHasItems(D(), n);
    int volumes = 0;
    for (const auto& [name, path] : files_)
        if (name.compare(0, std::strlen(kVolumePrefix), kVolumePrefix) == 0) ++volumes;
    const int reboot = schema::Read(D(), schema::kReboot);
    const bool uniyes = schema::Read(D(), schema::kUninstaller);
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
    if (!schema::Read(D(), schema::kUninstaller)) return;
    const std::string path = FindFile("uninst.ex_");
    if (path.empty() || !fs::is_regular_file(FsPath(inf_).parent_path() / "uninst.ex_")) {
        Report(true, schema::kUninstaller.section, schema::kUninstaller.key,
               "the setup installs the uninstaller, but uninst.ex_ is not beside setup.inf");
        return;
    }
    if (mode_ != 1) return;
    bool ok = false;
    std::string bytes = ReadHost(FsPath(path), ok), out;
    std::string why = ExpandFromArchive(bytes, "uninst32.ex_", out);
    if (!why.empty())
        Report(true, schema::kUninstaller.section, schema::kUninstaller.key, "uninst.ex_: " + why);
}

CheckReport Checker::Run() {
    report_.infPath = inf_;
    if (inf_.empty()) {
        Report(true, "", "", "no setup.inf (nor disk1/setup.inf) in the distribution folder");
        return report_;
    }
    description_ = std::make_unique<HostDescription>(inf_);
    const int version = schema::Read(D(), schema::kFormatVersion);
    if (version != schema::kSupportedFormat)
        Report(true, schema::kFormatVersion.section, schema::kFormatVersion.key,
               std::to_string(version) + ": the setup reads descriptions of version " +
                   std::to_string(schema::kSupportedFormat) + " only");
    mode_ = schema::Read(D(), schema::kCompressionMode) == 1 ? 1 : 0;
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
