#include "pack/builder.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>
#include <thread>

#include "archive/compress.h"
#include "archive/encode.h"
#include "pack/default_texts.h"
#include "pack/layout.h"
#include "pack/names.h"
#include "setupinf/media_reader.h"
#include "setupinf/profile.h"
#include "setupinf/schema.h"
#include "setupinf/values.h"

namespace fs = std::filesystem;

namespace corvid::pack {

void InfText::Set(const std::string& section, const std::string& key, const std::string& value) {
    auto [sec, newSection] = index_.emplace(FoldCase(section), sections_.size());
    if (newSection) sections_.push_back(Sec{section, {}, {}});
    Sec& s = sections_[sec->second];
    auto [k, newKey] = s.index.emplace(FoldCase(key), s.keys.size());
    if (newKey)
        s.keys.emplace_back(key, value);
    else
        s.keys[k->second].second = value;
}

const std::string* InfText::Get(const std::string& section, const std::string& key) const {
    auto sec = index_.find(FoldCase(section));
    if (sec == index_.end()) return nullptr;
    const Sec& s = sections_[sec->second];
    auto k = s.index.find(FoldCase(key));
    return k == s.index.end() ? nullptr : &s.keys[k->second].second;
}

std::string InfText::Text() const {
    std::string t = "; Made by corvid-pack.\r\n";
    for (const Sec& sec : sections_) {
        t += "\r\n[" + sec.name + "]\r\n";
        for (const auto& kv : sec.keys) t += kv.first + "=" + kv.second + "\r\n";
    }
    return t;
}

int64_t ProgressUnits(const std::vector<int32_t>& reads, int method, int32_t packedSize) {
    int64_t units = 0;
    for (int32_t got : reads) units += std::llround(got * 0.2);
    if (method != kStored && packedSize > 0) units += 6700 * ((int64_t{packedSize} + 8191) / 8192);
    return units;
}

std::string FindBuiltProgram(const std::string& toolDir, const std::string& name) {
    std::error_code ec;
    const fs::path dir = toolDir.empty() ? fs::path(".") : FsPath(toolDir);
    if (fs::is_regular_file(dir / name, ec)) return PathText(dir / name);
    // The native build keeps the Windows build in win32/; a Windows build has src/ beside tools/.
    for (const fs::path& root : {dir / ".." / "win32" / "src", dir / ".." / "src"}) {
        std::vector<fs::path> found;
        for (auto it = fs::recursive_directory_iterator(root, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->path().filename() == name && it->is_regular_file(ec))
                found.push_back(it->path());
        if (!found.empty()) {
            std::sort(found.begin(), found.end());
            return PathText(found.front().lexically_normal());
        }
        ec.clear();
    }
    return "";
}

namespace {

std::string ReadAll(const std::string& hostPath) {
    std::ifstream in(FsPath(hostPath), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    if (!in) throw BuildError(hostPath + ": cannot read");
    return ss.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw BuildError(PathText(path) + ": cannot write");
}

void PrepareOutput(const fs::path& out, bool force) {
    std::error_code ec;
    if (fs::exists(out, ec) && !fs::is_empty(out, ec)) {
        if (!fs::is_directory(out, ec)) throw BuildError(PathText(out) + ": not a folder");
        const bool earlier =
            fs::exists(out / "setup.inf", ec) || fs::exists(out / "disk1" / "setup.inf", ec);
        if (!force || !earlier)
            throw BuildError(PathText(out) + ": the folder is not empty" +
                             (earlier ? " (--force replaces the distribution in it)" : ""));
        for (auto& e : fs::directory_iterator(out, ec)) fs::remove_all(e.path(), ec);
        if (ec) throw BuildError(PathText(out) + ": cannot empty the folder: " + ec.message());
    }
    fs::create_directories(out, ec);
    if (!fs::is_directory(out, ec)) throw BuildError(PathText(out) + ": cannot create the folder");
}

bool ProjectFlag(const Project& p, const schema::FlagKey& key) {
    for (const Section& s : p.sections)
        if (FoldCase(s.name) == FoldCase(key.section))
            for (const auto& kv : s.keys)
                if (FoldCase(kv.first) == FoldCase(key.key))
                    return ParseInteger(ProfileResult(&kv.second, "", true), key.deflt) != 0;
    return key.deflt;
}

struct Packed {
    std::string bytes;
    int method = kStored;
    int32_t packedSize = 0;
    uint32_t crc = 0; // of the bytes as the medium holds them
    std::string error;
    bool ready = false;
};

// Packs every file in parallel and appends the results in order to the stream file.
class StreamPacker {
public:
    StreamPacker(const std::vector<const SourceFile*>& files, int mode, int jobs)
        : files_(files), mode_(mode), jobs_(jobs), slots_(files.size()) {}

    void Run(std::ofstream& out, const BuildOptions& opt, int64_t total,
             std::vector<Packed>& results) {
        std::vector<std::thread> workers;
        for (int i = 0; i < jobs_; ++i) workers.emplace_back([this] { Work(); });
        int64_t done = 0;
        std::string failure;
        for (size_t i = 0; i < files_.size(); ++i) {
            if (opt.progress) opt.progress(done, total, files_[i]->hostPath);
            Packed r;
            {
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock, [&] { return slots_[i].ready; });
                r = std::move(slots_[i]);
                ++written_;
            }
            cv_.notify_all();
            if (!r.error.empty()) {
                failure = r.error;
                break;
            }
            out.write(r.bytes.data(), static_cast<std::streamsize>(r.bytes.size()));
            done += files_[i]->size;
            Packed meta;
            meta.method = r.method;
            meta.packedSize = r.packedSize;
            meta.crc = r.crc;
            meta.bytes.resize(0);
            meta.error.clear();
            meta.ready = true;
            lengths.push_back(static_cast<int64_t>(r.bytes.size()));
            results.push_back(std::move(meta));
        }
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        for (std::thread& t : workers) t.join();
        if (!failure.empty()) throw BuildError(failure);
        if (opt.progress) opt.progress(total, total, "");
    }

    std::vector<int64_t> lengths;

private:
    void Work() {
        const size_t window = static_cast<size_t>(jobs_) * 3;
        for (;;) {
            size_t i;
            {
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock, [&] {
                    return stop_ || next_ >= files_.size() || next_ < written_ + window;
                });
                if (stop_ || next_ >= files_.size()) return;
                i = next_++;
            }
            Packed r;
            const SourceFile& f = *files_[i];
            try {
                std::string data = ReadAll(f.hostPath);
                if (static_cast<int64_t>(data.size()) != f.size)
                    throw BuildError(f.hostPath + ": the file changed while it was packed");
                if (mode_ == 1)
                    r.bytes = SingleMemberArchive(f.name, f.dosTime, f.attributes, kLzh, data, true,
                                                  &r.method, &r.packedSize);
                else
                    r.bytes = std::move(data);
                r.crc = Crc32(0, r.bytes.data(), r.bytes.size());
            } catch (const std::exception& e) {
                r.error = e.what();
            }
            {
                std::lock_guard<std::mutex> lock(m_);
                r.ready = true;
                slots_[i] = std::move(r);
            }
            cv_.notify_all();
        }
    }

    const std::vector<const SourceFile*>& files_;
    int mode_, jobs_;
    std::vector<Packed> slots_;
    std::mutex m_;
    std::condition_variable cv_;
    size_t next_ = 0, written_ = 0;
    bool stop_ = false;
};

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

} // namespace

BuildResult BuildDistribution(const Project& project, const BuildOptions& opt) {
    BuildResult result;
    const fs::path out = FsPath(opt.outDir);

    // The programs.
    result.setupExe =
        project.setupExe.empty() ? FindBuiltProgram(opt.toolDir, "setup.exe") : project.setupExe;
    if (result.setupExe.empty())
        throw ProjectError("no setup.exe found beside corvid-pack or in its build; name it with "
                           "--setup or [pack] setup");
    const bool uniyes = ProjectFlag(project, schema::kUninstaller);
    if (project.noUninstaller) {
        if (uniyes)
            throw ProjectError(project.path + ": [pack] uninstaller=none, but the setup installs "
                                              "the uninstaller unless [software] uniyes=0");
    } else {
        result.uninstaller = project.uninstaller.empty()
                                 ? FindBuiltProgram(opt.toolDir, "uncorvid.exe")
                                 : project.uninstaller;
        if (result.uninstaller.empty())
            throw ProjectError("no uncorvid.exe found beside corvid-pack or in its build; name "
                               "the uninstaller with --uninstaller or [pack] uninstaller (or "
                               "give uninstaller=none and [software] uniyes=0)");
    }

    // Files of the first disk, beside setup.inf.
    std::vector<std::pair<std::string, std::string>> firstDisk;
    firstDisk.emplace_back("setup.exe", ReadAll(result.setupExe));
    int64_t largestArchive = 0;
    auto stampOf = [](const std::string& host, uint32_t& t, uint16_t& a) {
        int64_t size;
        if (!StatSource(host, size, t, a)) throw BuildError(host + ": cannot read");
    };
    if (!result.uninstaller.empty()) {
        std::string data = ReadAll(result.uninstaller);
        if (project.mode == 1) {
            uint32_t t;
            uint16_t a;
            stampOf(result.uninstaller, t, a);
            data = SingleMemberArchive("uninst32.ex_", t, a, kLzh, data, true);
            largestArchive = static_cast<int64_t>(data.size());
        }
        firstDisk.emplace_back("uninst.ex_", std::move(data));
    }
    InfText inf;
    for (const Section& s : project.sections)
        for (const auto& kv : s.keys) inf.Set(s.name, kv.first, kv.second);
    for (const ExtraFile& e : project.extras) {
        std::string data = ReadAll(e.hostPath);
        std::string name = e.distName;
        if (e.picture && project.mode == 1) {
            // A compressed picture p.bm_ holds the member p.bmp.
            if (!name.empty()) name.back() = '_';
            uint32_t t;
            uint16_t a;
            stampOf(e.hostPath, t, a);
            data = SingleMemberArchive(schema::PictureMemberName(name), t, a, kLzh, data, true);
        }
        if (!e.section.empty()) inf.Set(e.section, e.key, name);
        bool dup = false;
        for (auto& f : firstDisk) dup = dup || FoldCase(f.first) == FoldCase(name);
        if (!dup) firstDisk.emplace_back(name, std::move(data));
    }

    // The stream of file data.
    std::vector<const SourceFile*> files;
    for (const Component& c : project.components)
        for (const SourceFile& f : c.files) {
            files.push_back(&f);
            result.sourceBytes += f.size;
        }
    result.files = static_cast<int>(files.size());
    PrepareOutput(out, opt.force);
    const fs::path spoolPath = out / ".corvid-pack.stream";
    std::vector<Packed> packed;
    std::vector<int64_t> lengths;
    {
        std::ofstream spool(spoolPath, std::ios::binary);
        if (!spool) throw BuildError(PathText(spoolPath) + ": cannot write");
        int jobs = opt.jobs > 0 ? opt.jobs : static_cast<int>(std::thread::hardware_concurrency());
        StreamPacker packer(files, project.mode, std::max(1, std::min(jobs, 16)));
        packer.Run(spool, opt, result.sourceBytes, packed);
        lengths = packer.lengths;
        spool.close();
        if (!spool) throw BuildError(PathText(spoolPath) + ": cannot write");
    }
    for (int64_t l : lengths) largestArchive = std::max(largestArchive, project.mode == 1 ? l : 0);

    // Component keys that do not depend on the layout.
    int rows = 0;
    int64_t standard = 0, minimal = 0, custom = 0;
    for (const Component& c : project.components) {
        int64_t space = 0;
        for (const SourceFile& f : c.files) space += RoundUp(f.size, project.cluster);
        if (space > kInt32Max)
            throw ProjectError(project.path + ": component " + std::to_string(c.number) +
                               " needs more than 2 GB, more than the setup's 32-bit sizes hold");
        auto set = [&](const char* what, const std::string& value) {
            inf.Set(schema::kComponentSection, schema::ComponentKey(c.number, what), value);
        };
        set("name", c.name);
        set("space", std::to_string(space));
        set("standard", c.standard ? "1" : "0");
        set("min", c.minimal ? "1" : "0");
        set("custom", c.custom ? "1" : "0");
        if (c.number == 1) set("locked", c.locked ? "1" : "0");
        standard += c.standard ? space : 0;
        minimal += c.minimal ? space : 0;
        custom += space;
        rows = std::max(rows, static_cast<int>(c.dirs.size()));
        for (size_t i = 0; i < c.dirs.size(); ++i)
            inf.Set(schema::kDirectoryRows.section,
                    schema::DirectoryKey(c.number, static_cast<int32_t>(i + 1)), c.dirs[i]);
    }
    // Texts the project leaves out get English ones, so that nothing the setup shows is empty.
    {
        const std::string* product = inf.Get("software", "name");
        const std::string name = product ? ProfileResult(product, "", true) : "the product";
        for (const auto& [key, text] : DefaultLanguageTexts()) {
            if (inf.Get("language", key)) continue;
            std::string t = text;
            for (size_t at; (at = t.find("%s")) != std::string::npos;) t.replace(at, 2, name);
            inf.Set("language", key, t);
        }
    }
    // Row counts the project leaves out: the rows it gives, not the setup's defaults (which would
    // make an item of component 1's first file, or look at 150 association rows).
    for (const schema::IntKey& total :
         {schema::kProgramItemRows, schema::kMediumItemRows, schema::kAssociationRows}) {
        const char* section = total.section;
        if (inf.Get(section, total.key)) continue;
        int rows = 0;
        for (const Section& s : project.sections)
            if (FoldCase(s.name) == section)
                for (const auto& kv : s.keys) {
                    std::string k = FoldCase(kv.first);
                    if (k.size() > 1 && std::string("ofrpve").find(k[0]) != std::string::npos)
                        rows = std::max(rows, static_cast<int>(ParseInteger(k.substr(1), 0)));
                }
        inf.Set(section, total.key, std::to_string(rows));
    }
    // A component has a program group item when a [prggrp] row names it.
    {
        const schema::IntKey& rows = schema::kProgramItemRows;
        const int32_t named = schema::ProgramItem{}.component;
        const std::string* totalText = inf.Get(rows.section, rows.key);
        int total = totalText
                        ? ParseInteger(ProfileResult(totalText, "", true), rows.deflt)
                        : (inf.Get(rows.section, "f1") || inf.Get(rows.section, "p1") ? 1 : 0);
        for (const Component& c : project.components) {
            bool item = false;
            for (int m = 1; m <= total && m <= 10000; ++m) {
                const std::string* o = inf.Get(rows.section, schema::RowKey("o", m));
                item = item ||
                       (o ? ParseInteger(ProfileResult(o, "", true), named) : named) == c.number;
            }
            const bool on = c.prgitem >= 0 ? c.prgitem == 1 : item;
            inf.Set(schema::kComponentSection, schema::ComponentKey(c.number, "prgitem"),
                    on ? "1" : "0");
        }
    }
    auto set = [&](const auto& key, const std::string& value) {
        inf.Set(key.section, key.key, value);
    };
    set(schema::kDirectoryRows, std::to_string(rows));
    set(schema::kMedium, "1");
    if (!inf.Get(schema::kFormatVersion.section, schema::kFormatVersion.key))
        set(schema::kFormatVersion, std::to_string(schema::kSupportedFormat));
    set(schema::kCompressionMode, std::to_string(project.mode));

    // Layout. On disks the first one also holds setup.exe and setup.inf, whose size depends on
    // the layout; without disk folders every volume is cut at the volume size.
    const bool onDisks = opt.disks && project.volumeSize > 0;
    const int64_t diskCluster = onDisks ? std::max<int64_t>(project.diskCluster, 512) : 1;
    int64_t firstDiskBytes = 0;
    for (const auto& f : firstDisk)
        firstDiskBytes += RoundUp(static_cast<int64_t>(f.second.size()), diskCluster);
    int64_t reserve = 0;
    std::string infText;
    std::vector<Placement> places;
    std::vector<int64_t> volumeSizes;
    for (int round = 0;; ++round) {
        int64_t first = -1;
        if (onDisks) {
            const int64_t disk = project.firstDisk > 0 ? project.firstDisk : project.volumeSize;
            first = disk - firstDiskBytes - RoundUp(reserve, diskCluster);
            if (first <= 0)
                throw ProjectError(
                    "the first disk cannot hold setup.exe and the files beside it (" +
                    std::to_string(firstDiskBytes + reserve) + " bytes) in " +
                    std::to_string(disk) + " bytes; --first-disk gives it a larger size");
            // A larger first disk still gets a volume of the volume size at most.
            first = std::min(first, project.volumeSize);
        }
        VolumeLayout layout(project.volumeSize, first);
        places.clear();
        for (int64_t l : lengths) places.push_back(layout.Place(l));
        volumeSizes = layout.VolumeSizes();
        if (project.volumeSize == 0 && layout.StreamSize() > kInt32Max)
            throw ProjectError("the files take more than 2 GB, more than one volume can hold: "
                               "give a volume size");
        size_t at = 0;
        int64_t cs[schema::kComponents + 1] = {};
        for (const Component& c : project.components) {
            const std::string sec = schema::OptionSection(c.number);
            for (size_t j = 0; j < c.files.size(); ++j, ++at) {
                const int32_t n = static_cast<int32_t>(j + 1);
                const Placement& p = places[at];
                inf.Set(sec, schema::RowKey(schema::kFileName, n), c.files[j].name);
                inf.Set(sec, schema::RowKey(schema::kFileDirectory, n),
                        std::to_string(c.files[j].dirIndex));
                inf.Set(sec, schema::RowKey(schema::kFileVolume, n), VolumeNumberText(p.volume));
                inf.Set(sec, schema::RowKey(schema::kFileOffset, n), std::to_string(p.offset));
                inf.Set(sec, schema::RowKey(schema::kFileLength, n), std::to_string(p.length));
                inf.Set(sec, schema::RowKey(schema::kFileChecksum, n),
                        ChecksumText(packed[at].crc));
                std::vector<int32_t> reads;
                SetupReads(p, volumeSizes, reads);
                cs[c.number] += ProgressUnits(reads, packed[at].method, packed[at].packedSize);
            }
        }
        if (project.mode == 1) {
            int64_t all = 0;
            for (const Component& c : project.components) {
                inf.Set(schema::kComponentSection, schema::ComponentKey(c.number, "cs"),
                        std::to_string(cs[c.number]));
                all += cs[c.number];
            }
            if (all >= kInt32Max)
                throw ProjectError("the files are too many for the setup's 32-bit progress count "
                                   "in mode 1");
        }
        int64_t extra = 0;
        if (project.mode == 1) {
            // The setup folder holds the archive copy and the working copy of setup.inf.
            extra = RoundUp(largestArchive, project.cluster) +
                    RoundUp(static_cast<int64_t>(infText.size()) + 4096, project.cluster);
            const std::string* given = nullptr;
            for (const Section& s : project.sections)
                if (FoldCase(s.name) == FoldCase(schema::kCompressionSize.section))
                    for (const auto& kv : s.keys)
                        if (FoldCase(kv.first) == FoldCase(schema::kCompressionSize.key))
                            given = &kv.second;
            if (given)
                extra =
                    ParseInteger(ProfileResult(given, "", true), schema::kCompressionSize.deflt);
            else
                set(schema::kCompressionSize, std::to_string(extra));
        }
        for (int64_t total : {standard, minimal, custom})
            if (total + extra > kInt32Max)
                throw ProjectError("a setup type needs more than 2 GB, more than the setup's "
                                   "32-bit sizes hold");
        const std::string text = inf.Text();
        const bool settled = text == infText;
        infText = text;
        if (project.volumeSize == 0
                ? settled
                : settled && RoundUp(static_cast<int64_t>(infText.size()), diskCluster) <=
                                 RoundUp(reserve, diskCluster))
            break;
        reserve = std::max(reserve, static_cast<int64_t>(infText.size()));
        if (round > 8) reserve += 4096;
    }
    firstDisk.emplace_back("setup.inf", infText);
    result.volumes = static_cast<int>(volumeSizes.size());
    result.streamBytes = 0;
    for (int64_t s : volumeSizes) result.streamBytes += s;

    // Write the distribution.
    std::error_code ec;
    auto diskDir = [&](int disk) {
        if (!opt.disks) return out;
        fs::path d = out / ("disk" + std::to_string(disk));
        fs::create_directories(d, ec);
        return d;
    };
    result.disks = opt.disks ? std::max(1, result.volumes) : 1;
    for (const auto& f : firstDisk) WriteAll(diskDir(1) / f.first, f.second);
    if (result.volumes == 1 && !opt.disks) {
        fs::rename(spoolPath, out / VolumeName(1), ec);
        if (ec) throw BuildError(PathText(out / VolumeName(1)) + ": " + ec.message());
    } else {
        std::ifstream spool(spoolPath, std::ios::binary);
        std::vector<char> buf(1 << 20);
        for (size_t v = 0; v < volumeSizes.size(); ++v) {
            const fs::path path =
                diskDir(static_cast<int>(v) + 1) / VolumeName(static_cast<int>(v) + 1);
            std::ofstream vol(path, std::ios::binary);
            for (int64_t left = volumeSizes[v]; left > 0;) {
                const std::streamsize n = static_cast<std::streamsize>(
                    std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
                spool.read(buf.data(), n);
                if (spool.gcount() != n) throw BuildError(PathText(spoolPath) + ": cannot read");
                vol.write(buf.data(), n);
                left -= n;
            }
            vol.close();
            if (!vol) throw BuildError(PathText(path) + ": cannot write");
        }
        spool.close();
        fs::remove(spoolPath, ec);
    }
    return result;
}

} // namespace corvid::pack
