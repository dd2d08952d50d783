#include "archive/compress.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "archive/decode.h"
#include "platform/paths.h"

namespace corvid {

const char* const kStreamWriteError = "Stream-Write-Fehler ";
const char* const kStreamReadError = "Stream-Read-Fehler";
const char* const kAccessDenied = "Dateizugriff verweigert";

std::string FileOpenErrorText(const std::string& path) {
    return "Kann Datei " + path +
           " nicht \xF6"
           "ffnen"; // Windows-1252, as all program texts
}

std::string FileCreateErrorText(const std::string& path) {
    return "Kann Datei " + path + " nicht erstellen";
}

namespace {

const char kMagic[5] = {'M', 'O', 'R', 'V', 0x1A};

int32_t GetInt32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

int16_t GetInt16(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
}

void PutInt32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutInt16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

// Reads exactly count bytes unless the stream ends; returns the count read.
int32_t ReadFully(Stream& s, void* buffer, int32_t count) {
    int32_t done = 0;
    while (done < count) {
        int32_t got = s.Read(static_cast<uint8_t*>(buffer) + done, count - done);
        if (got <= 0) break;
        done += got;
    }
    return done;
}

std::string UpperAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Copies a stored member's packed bytes.
void CopyStored(Stream& dest, Stream& source, int32_t packedSize) {
    if (packedSize <= 0) return;
    std::unique_ptr<uint8_t[]> buf(new uint8_t[kIoBufferSize]);
    int32_t left = packedSize;
    while (left > 0) {
        int32_t want = left < kIoBufferSize ? left : kIoBufferSize;
        int32_t got = ReadFully(source, buf.get(), want);
        if (got > 0 && dest.Write(buf.get(), got) != got) throw RuntimeError(kStreamWriteError);
        if (got < want) throw RuntimeError(kStreamReadError); // the archive ends inside the data
        left -= got;
    }
}

} // namespace

ArchiveHeader ReadArchiveHeader(Stream& source) {
    uint8_t b[kArchiveHeaderSize];
    source.Seek(0, 0);
    if (ReadFully(source, b, kArchiveHeaderSize) < kArchiveHeaderSize ||
        std::memcmp(b, kMagic, sizeof kMagic) != 0)
        throw EInvalidHeader();
    ArchiveHeader h;
    h.archiveType = b[12];
    if (h.archiveType != kMultiFileArchive) throw EInvalidHeaderArchiveType();
    h.compressId.assign(reinterpret_cast<const char*>(b + 5), 3);
    h.totalSize = GetInt32(b + 8);
    return h;
}

bool ReadMemberHeader(Stream& source, MemberHeader& h) {
    uint8_t b[kMemberHeaderSize];
    if (ReadFully(source, b, kMemberHeaderSize) < kMemberHeaderSize) return false;
    int16_t nameLength = GetInt16(b);
    h.dosDateTime = static_cast<uint32_t>(GetInt32(b + 2));
    h.attributes = GetInt16(b + 6);
    h.expandedSize = GetInt32(b + 8);
    h.packedSize = GetInt32(b + 12);
    h.method = b[16];
    h.checksum = GetInt32(b + 17);
    h.lock = GetInt32(b + 21);
    if (nameLength < 0 || h.expandedSize < 0 || h.packedSize < 0) return false;
    h.name.assign(static_cast<size_t>(nameLength), '\0');
    if (nameLength > 0 && ReadFully(source, &h.name[0], nameLength) < nameLength) return false;
    return true;
}

std::string EncodeArchiveHeader(const ArchiveHeader& h) {
    std::string s(kMagic, sizeof kMagic);
    std::string id = h.compressId;
    id.resize(3, ' ');
    s += id;
    PutInt32(s, static_cast<uint32_t>(h.totalSize));
    s.push_back(static_cast<char>(h.archiveType));
    s.append(8, '\0');
    return s;
}

std::string EncodeMemberHeader(const MemberHeader& h) {
    std::string s;
    PutInt16(s, static_cast<uint16_t>(h.name.size()));
    PutInt32(s, h.dosDateTime);
    PutInt16(s, static_cast<uint16_t>(h.attributes));
    PutInt32(s, static_cast<uint32_t>(h.expandedSize));
    PutInt32(s, static_cast<uint32_t>(h.packedSize));
    s.push_back(static_cast<char>(h.method));
    PutInt32(s, static_cast<uint32_t>(h.checksum));
    PutInt32(s, static_cast<uint32_t>(h.lock));
    return s + h.name;
}

std::string ExtractFilePath(const std::string& path) {
    size_t p = path.find_last_of("\\:");
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

void TCompress::SetTargetPath(const std::string& value) {
    targetPath_ = value;
    if (!targetPath_.empty() && targetPath_.back() != '\\') targetPath_ += '\\';
}

void TCompress::ExpandFile(std::string& FileSpec, const std::string& ArchiveName) {
    std::vector<std::string> list{FileSpec};
    ExpandArchive(ArchiveName, &list);
    FileSpec = list.empty() ? std::string() : list.front();
}

void TCompress::ExpandArchive(const std::string& ArchiveName, std::vector<std::string>* FileList) {
    std::unique_ptr<Stream> source = platform_.OpenFile(ArchiveName, OpenMode::ReadExclusive);
    if (!source) throw RuntimeError(FileOpenErrorText(ArchiveName));
    ExpandStream(*source, FileList); // the stream closes when it goes out of scope
}

int TCompress::CheckCompressID(const std::string& CompressID) {
    int method = 0;
    if (CompressID == "RLE") {
        method = kRle;
    } else if (CompressID == "LZH") {
        method = kLzh;
    } else if (CompressID == "CUS" && OnExpand) {
        method = kCustom;
    } else if (OnExpand && OnRecognize) {
        bool recognized = false;
        OnRecognize(CompressID, recognized);
        if (recognized) method = kCustom;
    }
    if (method == 0 && CompressID != "NON") throw EUnrecognizedCompressionMethod();
    return method;
}

void TCompress::ExpandMember(Stream& dest, Stream& source, const MemberHeader& h,
                             const std::string& CompressID) {
    if (h.lock > 0 && Key == 0) throw EInvalidKey();
    uint32_t sum = 0;
    switch (h.method) {
    case kStored:
        CopyStored(dest, source, h.packedSize);
        return; // stored members carry no checked sum
    case kRle:
    case kLzh: {
        DecodeResult r = DecodeMember(h.method, dest, source, h.expandedSize, h.packedSize,
                                      OnShowProgress, platform_);
        if (!r.complete) throw EBadChecksum();
        sum = r.checksum;
        break;
    }
    case kCustom:
        if (OnExpand) {
            int32_t checksum = 0;
            OnExpand(dest, source, h.packedSize, h.expandedSize, CompressID, checksum);
            sum = static_cast<uint32_t>(checksum);
        }
        break;
    default:
        break;
    }
    if (sum != static_cast<uint32_t>(h.checksum) && h.lock <= 0) throw EBadChecksum();
}

int64_t TCompress::SpaceAvailable(const std::string& path, bool* exists) {
    std::string upper = UpperAscii(path);
    char drive = upper.size() >= 2 && upper[1] == ':' ? upper[0] : platform_.CurrentDrive();
    int64_t space = platform_.DiskFree(drive);
    const bool there = platform_.FileExists(path);
    if (exists) *exists = there;
    if (there) {
        std::unique_ptr<Stream> existing = platform_.OpenFile(path, OpenMode::ReadShared);
        if (!existing) throw RuntimeError(kAccessDenied);
        space += existing->Size();
    }
    return space;
}

void TCompress::ExpandStream(Stream& Source, std::vector<std::string>* FileList) {
    ArchiveHeader header = ReadArchiveHeader(Source);
    CheckCompressID(header.compressId);

    std::vector<std::string> written;
    int64_t total = 0;
    MemberHeader h;
    while (ReadMemberHeader(Source, h)) {
        if (total >= header.totalSize) break;
        auto skip = [&] { Source.Seek(h.packedSize, 1); };
        if (FileList) {
            bool wanted = false;
            for (const std::string& entry : *FileList)
                if (SameNameIgnoringCase(entry, h.name)) wanted = true;
            if (!wanted) {
                skip();
                continue;
            }
        }
        std::string path = !h.name.empty() && h.name[0] == '\\' ? h.name : targetPath_ + h.name;
        if (OnCheckFile) {
            OnCheckFile(path, TCProcessMode::cmExpand);
            if (path.empty()) {
                skip();
                continue;
            }
            if (path == "*") break;
        }
        bool exists = true;
        if (SpaceAvailable(path, &exists) < h.expandedSize) throw EInsufficientDiskSpace(path);
        if (MakeDirectories && !ForceDirectories(platform_, ExtractFilePath(path)))
            throw RuntimeError(kAccessDenied);

        // A new file is created as new: nothing to truncate (which some file systems answer
        // with a flush to disk at close).
        std::unique_ptr<Stream> dest;
        if (!exists) dest = platform_.OpenFile(path, OpenMode::CreateNew);
        if (!dest) dest = platform_.OpenFile(path, OpenMode::Create);
        if (!dest) {
            if (ExceptionOnFileError) throw RuntimeError(FileCreateErrorText(path));
            skip();
            continue;
        }
        const uint32_t attributes = static_cast<uint16_t>(h.attributes);
        const int64_t dataStart = Source.Seek(0, 1);
        try {
            ExpandMember(*dest, Source, h, header.compressId);
        } catch (const EInvalidKey&) {
            dest.reset();
            platform_.DeleteFile(path);
            throw;
        } catch (...) {
            dest.reset();
            platform_.SetFileAttributes(path, attributes);
            throw;
        }
        // Decoders may stop short of the member's end, or (custom handlers) read past it.
        if (Source.Seek(0, 1) != dataStart + h.packedSize) Source.Seek(dataStart + h.packedSize, 0);
        total += h.expandedSize;
        dest->SetDosDateTime(h.dosDateTime);
        written.push_back(path);
        dest.reset();
        platform_.SetFileAttributes(path, attributes);
    }
    if (FileList) *FileList = written;
}

} // namespace corvid
