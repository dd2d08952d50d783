#include "install/file_transfer.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "archive/compress.h"
#include "install/integration.h"
#include "install/uninstall_log.h"
#include "platform/paths.h"
#include "setupinf/media_reader.h"
#include "setupinf/profile.h"
#include "setupinf/schema.h"
#include "setupinf/values.h"
#include "state/context.h"

namespace corvid {

namespace {

const char* const kVersionKey = "SOFTWARE\\KOVA\\corvid";
constexpr int32_t kUninstallerVersion = 220;
// The run-time's text for a write that found the disk full.
const char* const kDiskFull = "Festplatte voll";

// progressDone is a 32-bit count; a very long run stops at its top instead of wrapping.
void AddDone(RunState& run, int64_t units) {
    run.progressDone =
        static_cast<int32_t>(std::min<int64_t>(int64_t{run.progressDone} + units, INT32_MAX));
}

// The lower gauge's value for the units done so far; without a positive total there is nothing
// to divide by, and the gauge shows the phase as done.
int32_t LowerFromDone(const Context& ctx, const RunState& run, int32_t plus, bool& known) {
    const int32_t total = ctx.choices.progressTotal;
    known = total > 0;
    if (!known) return 100;
    return RoundHalfEven(int64_t{run.progressDone} * 96, total) + plus;
}

// In compression mode 1 the lower gauge stays below 98 while files are copied and expanded;
// 98 and above belong to the phases after the files.
void ShowCappedLower(const Context& ctx, const RunState& run, RunProgress& progress) {
    bool known = false;
    const int32_t t = LowerFromDone(ctx, run, 2, known);
    if (!known || t < 98) progress.SetLower(t);
}

std::string DamagedDescription(const std::string& name, int32_t offset, int32_t size) {
    return "Damaged setup description: the data of " + name + " (offset " + std::to_string(offset) +
           ", length " + std::to_string(size) + ") lies outside its archive volume.";
}

// Asks for a volume until it is there. Cancel opens the abort dialog; terminating there stops
// the run, cancelling it asks again.
void WaitForVolume(Context& ctx, const std::string& path, int32_t number) {
    Platform& p = ctx.platform;
    while (!p.FileExists(path)) {
        if (ctx.run) ctx.run->log.Flush(); // the user may end the setup from the prompt
        const std::string text = ctx.language[20] + "\"" + std::to_string(number) + "\".";
        if (p.MessageBox(text, "corvid", mb::OkCancel | mb::IconWarning) == mb::IdCancel &&
            ctx.abbruch)
            ctx.abbruch->Execute();
        if (p.Terminated()) throw RunTerminated();
    }
}

// The size of the physical reads and writes beneath the setup's 2048-byte blocks: a system call
// per block cost more than the copying itself.
constexpr int32_t kPhysicalChunk = 1 << 20;

// A volume read in large pieces from the position asked for; the blocks come from memory.
class ReadAheadVolume : public Stream {
public:
    explicit ReadAheadVolume(std::unique_ptr<Stream> in) : in_(std::move(in)), size_(in_->Size()) {}

    int32_t Read(void* buffer, int32_t count) override {
        char* out = static_cast<char*>(buffer);
        int32_t done = 0;
        while (done < count) {
            const int64_t end = start_ + static_cast<int64_t>(buffer_.size());
            if (position_ < start_ || position_ >= end) {
                if (!Fill()) break;
                continue;
            }
            const int32_t n =
                static_cast<int32_t>(std::min<int64_t>(count - done, end - position_));
            std::copy_n(buffer_.data() + (position_ - start_), n, out + done);
            position_ += n;
            done += n;
        }
        return done;
    }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override {
        const int64_t base = origin == 0 ? 0 : origin == 1 ? position_ : size_;
        if (base + offset < 0) return -1;
        position_ = base + offset;
        return position_;
    }
    int64_t Size() override { return size_; }
    bool SetDosDateTime(uint32_t) override { return false; }

private:
    // The next piece, from the position on; false at the end or when the volume refuses.
    bool Fill() {
        buffer_.clear();
        start_ = position_;
        if (in_->Seek(position_, 0) != position_) return false;
        buffer_.resize(kPhysicalChunk);
        const int32_t n = in_->Read(buffer_.data(), kPhysicalChunk);
        buffer_.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return n > 0;
    }

    std::unique_ptr<Stream> in_;
    int64_t size_;
    int64_t position_ = 0, start_ = 0;
    std::vector<char> buffer_;
};

// One reader's view of the open volume; closing it leaves the volume open for the next file.
class SharedVolume : public Stream {
public:
    explicit SharedVolume(std::shared_ptr<Stream> v) : v_(std::move(v)) {}
    int32_t Read(void* buffer, int32_t count) override { return v_->Read(buffer, count); }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override { return v_->Seek(offset, origin); }
    int64_t Size() override { return v_->Size(); }
    bool SetDosDateTime(uint32_t) override { return false; }

private:
    std::shared_ptr<Stream> v_;
};

// The volumes in the source folder, each asked for until its disk is in. The volume read last
// stays open for the next file while that file begins in it; asking for another one closes it
// first, so that its disk can be changed.
class SourceVolumes : public VolumeSource {
public:
    explicit SourceVolumes(Context& ctx) : ctx_(ctx) {}
    std::unique_ptr<Stream> OpenVolume(const std::string& name, int32_t number) override {
        const std::string path = ctx_.sourceFolder + name;
        if (!open_ || FoldCase(path) != FoldCase(openPath_)) {
            open_.reset();
            WaitForVolume(ctx_, path, number);
            auto s = ctx_.platform.OpenFile(path, OpenMode::ReadShared);
            if (!s) throw RuntimeError(kAccessDenied);
            open_ = std::make_shared<ReadAheadVolume>(std::move(s));
            openPath_ = path;
        }
        return std::make_unique<SharedVolume>(open_);
    }

private:
    Context& ctx_;
    std::shared_ptr<Stream> open_;
    std::string openPath_;
};

// "Kann Datei ... nicht erstellen" instead of a silent skip when a target cannot be made: the
// setup's own expansions must never leave a file out unnoticed.
void ExpandReporting(TCompress& c, std::string& member, const std::string& archive) {
    const bool was = c.ExceptionOnFileError;
    c.ExceptionOnFileError = true;
    try {
        c.ExpandFile(member, archive);
    } catch (...) {
        c.ExceptionOnFileError = was;
        throw;
    }
    c.ExceptionOnFileError = was;
}

std::string MissingMember(const std::string& member, const std::string& file) {
    return "Damaged medium: the archive of " + file + " holds no member " + member + ".";
}

// A file written in large pieces. Whatever way the copy ends, the blocks taken so far reach the
// file, so that a terminate leaves it cut after the last whole block, as block-wise writes did.
class WriteBehind {
public:
    // buffer is kept from file to file: a fresh megabyte for every file cost more than its
    // copying (new pages from the system each time).
    WriteBehind(std::unique_ptr<Stream> out, std::vector<char>& buffer)
        : out_(std::move(out)), buffer_(buffer) {
        buffer_.clear();
        buffer_.reserve(kPhysicalChunk + kMediaBlock);
    }
    ~WriteBehind() {
        try {
            Flush();
        } catch (const RuntimeError&) {
            // The copy already ends with an error of its own.
        }
    }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    void Write(const char* data, int32_t count) {
        buffer_.insert(buffer_.end(), data, data + count);
        if (buffer_.size() >= static_cast<size_t>(kPhysicalChunk)) Flush();
    }
    void Flush() {
        if (buffer_.empty()) return;
        const int32_t n = static_cast<int32_t>(buffer_.size());
        const bool ok = out_->Write(buffer_.data(), n) == n;
        buffer_.clear();
        if (!ok) throw RuntimeError(kDiskFull);
    }

private:
    std::unique_ptr<Stream> out_;
    std::vector<char>& buffer_;
};

// One file's data, across as many volumes as it takes, into output; the gauges follow every
// block.
void CopyFileData(Context& ctx, RunState& run, RunProgress& progress, SourceVolumes& volumes,
                  std::vector<char>& writeBuffer, const std::string& name,
                  const schema::FileRow& row, const std::string& output, bool packed,
                  std::unique_ptr<Stream> opened = nullptr) {
    MediaReader reader(volumes, row.volume, row.offset, row.length);
    auto fail = [&](MediaFault fault) {
        // The run-time's text, then what it means here: a bad sector or a pulled disk.
        if (fault == MediaFault::ReadFailed)
            throw RuntimeError(std::string(kStreamReadError) + ": the data of " + name +
                               " cannot be read from " + reader.Volume() +
                               ". The medium may be damaged or was removed; copy the "
                               "distribution again, or use another copy.");
        throw RuntimeError(DamagedDescription(name, row.offset, row.length));
    };
    if (!reader.PlacementValid()) fail(MediaFault::BadPlacement);
    progress.SetUpper(0);
    if (MediaFault f = reader.Open(); f != MediaFault::None) fail(f);

    auto file = opened ? std::move(opened) : ctx.platform.OpenFile(output, OpenMode::Create);
    if (!file) throw RuntimeError(FileCreateErrorText(output));
    WriteBehind out(std::move(file), writeBuffer);

    const int32_t size = row.length;
    uint32_t crc = 0;
    std::string firstVolume, lastVolume;
    while (!reader.Complete()) {
        int32_t got = 0;
        const MediaFault f = reader.ReadBlock(
            [&](const MediaBlock& b) {
                if (b.count > 0) out.Write(b.data, b.count);
                crc = Crc32(crc, b.data, static_cast<size_t>(b.count));
                if (firstVolume.empty()) firstVolume = b.volume;
                lastVolume = b.volume;
            },
            got);
        if (f != MediaFault::None) fail(f);

        // An empty file is complete at once.
        const int64_t copied = int64_t{size} - reader.Remaining();
        if (packed) {
            progress.SetUpper(size > 0 ? RoundHalfEven(copied * 20, size) : 20);
            AddDone(run, RoundHalfEven(got, 5));
            ShowCappedLower(ctx, run, progress);
        } else {
            progress.SetUpper(size > 0 ? RoundHalfEven(copied * 100, size) : 100);
            AddDone(run, got);
            bool known = false;
            progress.SetLower(LowerFromDone(ctx, run, 1, known));
        }
        progress.Pause(); // a terminate leaves the part written so far
    }
    out.Flush();
    if (row.hasChecksum && crc != row.checksum)
        throw RuntimeError("Damaged medium: the data of " + name + " in " + firstVolume +
                           (lastVolume != firstVolume ? " to " + lastVolume : std::string()) +
                           " does not match its checksum. Copy the distribution again, or use "
                           "another copy.");
}

} // namespace

int32_t UninstallerVersion(const std::string& value) {
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        if (value.size() > 10) return 0;
        uint32_t v = 0;
        for (size_t i = 2; i < value.size(); ++i) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(value[i])));
            int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0) return 0;
            v = v * 16 + static_cast<uint32_t>(digit);
        }
        return static_cast<int32_t>(v);
    }
    if (value.empty() || value[0] == '$') return 0;
    return ParseInteger(value, 0);
}

bool ReplaceExistingFile(int32_t vercheckFiles, int32_t setupVersion, int32_t installedVersion) {
    if (vercheckFiles == 1) return true;
    if (vercheckFiles == 0) return setupVersion >= installedVersion;
    return false;
}

void InstallUninstaller(Context& ctx, RunState& run, RunProgress& progress, TCompress& c) {
    if (!run.log.Kept()) return;
    Platform& p = ctx.platform;
    std::string recorded;
    if (p.FileExists(run.uninstallerPath) &&
        p.RegReadString(RegRoot::LocalMachine, kVersionKey, "uninstall", recorded) &&
        UninstallerVersion(recorded) >= kUninstallerVersion)
        return;

    progress.ShowActivity("uninst.exe");
    const std::string source = ctx.sourceFolder + "uninst.ex_";
    if (ctx.startup.compressionMode == 1) {
        // Other products use the shared uninstaller: it is replaced only by a whole new one,
        // expanded beside the work files first.
        const std::string fresh = run.setupFolder + "\\uncorvid.tmp";
        if (!ClearWorkFilePlace(p, fresh)) throw RuntimeError(FileCreateErrorText(fresh));
        const std::string target = run.currentTarget;
        run.currentTarget = fresh;
        std::string member = "uninst32.ex_";
        try {
            if (!p.CopyFile(source, run.compressTmp)) throw RuntimeError(FileOpenErrorText(source));
            ExpandReporting(c, member, run.compressTmp);
            if (member.empty()) throw RuntimeError(MissingMember("uninst32.ex_", source));
            if (!p.CopyFile(fresh, run.uninstallerPath))
                throw RuntimeError(FileCreateErrorText(run.uninstallerPath));
        } catch (...) {
            run.currentTarget = target;
            p.DeleteFile(fresh);
            throw;
        }
        run.currentTarget = target;
        p.DeleteFile(fresh);
    } else if (!p.CopyFile(source, run.uninstallerPath)) {
        throw RuntimeError(FileCreateErrorText(run.uninstallerPath));
    }
    p.RegWriteString(RegRoot::LocalMachine, kVersionKey, "uninstall",
                     std::to_string(kUninstallerVersion));
}

int32_t CreateComponentDirectories(Context& ctx, RunState& run, RunProgress& progress) {
    const SetupDescription& d = *run.workDescription;
    const int32_t rows = schema::Read(d, schema::kDirectoryRows);
    int32_t count = 0;
    // A 64-bit counter: a total at the 32-bit top must not wrap.
    for (int64_t i = 1; i <= rows; ++i) {
        for (int k = 1; k <= 7; ++k) {
            if (!ctx.choices.components[k]) continue;
            const std::string value = schema::ReadPhaseDirectory(d, k, static_cast<int32_t>(i));
            if (!schema::MadeByDirectoryPhase(value)) continue;
            std::vector<std::string> made;
            ForceDirectories(ctx.platform,
                             integration::WritablePath(ctx.platform, run,
                                                       schema::Place{false, value},
                                                       "the folder " + value),
                             &made);
            integration::NoteMadeFolders(run, made);
            ++count;
            run.directoryCount = count;
            run.log.Directory(count, value);
        }
        progress.Pause();
        progress.SetUpper(static_cast<int32_t>(i * 100 / rows));
        progress.SetLower(1);
    }
    return count;
}

void TransferComponentFiles(Context& ctx, RunState& run, RunProgress& progress, TCompress& c) {
    Platform& p = ctx.platform;
    const SetupDescription& d = *run.workDescription;
    const bool packed = ctx.startup.compressionMode == 1;
    const int32_t vercheck = d.ReadInteger("vercheck", "files", 0);
    run.fileCount = 0;
    run.progressDone = 0;
    SourceVolumes volumes(ctx);
    std::vector<char> writeBuffer;

    for (int k = 1; k <= 7; ++k) {
        if (!ctx.choices.components[k]) continue;
        schema::FileRow row;
        for (int32_t j = 1;; ++j) {
            schema::Place place;
            {
                const SetupDescription::OneLook one(d); // the row and its folder at one look
                if (!schema::ReadFileRow(d, k, j, row)) break;
                // A missing directory key means the destination itself, where the log says the
                // file is.
                place = schema::PlaceOfFile(d, std::to_string(k), row.directory, row.name);
            }
            const std::string& name = row.name;
            progress.ShowActivity(ctx.language[14] + " " + name);
            ++run.fileCount;
            run.log.FilesTotal(run.fileCount);

            // A plain file below the destination is first created exclusively: a refused create
            // means something is there (a link included), and only then is the target looked
            // at. One look instead of two, and a new file has nothing to truncate.
            std::unique_ptr<Stream> fresh;
            std::string target;
            if (!packed && !place.belowWindows) {
                target = integration::WritableFolderPath(p, run, place, name);
                fresh = p.OpenFile(target, OpenMode::CreateNew);
            }
            bool there = false; // one look at the target serves the link check and this
            if (!fresh) target = integration::WritablePath(p, run, place, name, &there);
            if (place.belowWindows) {
                ++run.systemFileCount;
                std::vector<std::string> made;
                ForceDirectories(p, ExtractFilePath(target), &made);
                integration::NoteMadeFolders(run, made);
                LogCreatedFolders(run, made);
                run.log.SystemFile(run.systemFileCount, target);
                // The total goes with each entry: a terminate at any point leaves it counted.
                run.log.SystemFilesTotal(run.systemFileCount);
            } else if (fresh) {
                try {
                    run.log.File(run.fileCount, place.rest);
                } catch (...) {
                    // The log could not take the entry: nothing may stay that it does not name.
                    fresh.reset();
                    p.DeleteFile(target);
                    throw;
                }
            } else {
                run.log.File(run.fileCount, place.rest);
            }

            if (!there ||
                ReplaceExistingFile(vercheck, ctx.startup.setupVersion, ctx.previous.version)) {
                run.currentTarget = target;
                // The archive's copy goes into a compress.tmp made new for each file:
                // overwriting the last one would truncate it, which some file systems answer
                // with a flush to disk at close.
                if (packed && p.DeleteFile(run.compressTmp))
                    fresh = p.OpenFile(run.compressTmp, OpenMode::CreateNew);
                CopyFileData(ctx, run, progress, volumes, writeBuffer, name, row,
                             packed ? run.compressTmp : target, packed, std::move(fresh));
                if (packed && row.length == 0) {
                    // No archive to expand: the file is empty.
                    if (!p.OpenFile(target, OpenMode::Create))
                        throw RuntimeError(FileCreateErrorText(target));
                    progress.SetUpper(100);
                } else if (packed) {
                    std::string member = FileNamePart(run.currentTarget);
                    ExpandReporting(c, member, run.compressTmp);
                    if (member.empty())
                        throw RuntimeError(MissingMember(FileNamePart(target), name));
                }
            }

            try {
                progress.Pause();
            } catch (const RunTerminated&) {
                run.log.FilesTotal(run.fileCount);
                run.log.SystemFilesTotal(run.systemFileCount);
                throw;
            }
        }
    }
    progress.SetUpper(100);
}

void ShowExpansionProgress(Context& ctx, RunState& run, RunProgress& progress, int32_t percent) {
    progress.SetUpper(RoundHalfEven(int64_t{percent} * 80, 100) + 20);
    AddDone(run, 6700);
    ShowCappedLower(ctx, run, progress);
}

} // namespace corvid
