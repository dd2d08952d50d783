// The archive component: opens a compressed archive and writes selected members out as files.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvid {

// Base of the archive component's own failures; each carries one fixed message.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EInvalidHeader : public Exception {
public:
    EInvalidHeader() : Exception("Can't recognize compressed file header") {}
};
class EInvalidHeaderArchiveType : public Exception {
public:
    EInvalidHeaderArchiveType()
        : Exception("Expand can't handle caSingle archive type in compressed header") {}
};
class EUnrecognizedCompressionMethod : public Exception {
public:
    EUnrecognizedCompressionMethod() : Exception("Unrecognized compression method in header") {}
};
class EInsufficientDiskSpace : public Exception {
public:
    explicit EInsufficientDiskSpace(const std::string& path)
        : Exception("Not enough disk space to expand " + path) {}
};
class EBadChecksum : public Exception {
public:
    EBadChecksum() : Exception("Bad checksum during expansion -- data may be invalid") {}
};
class EInvalidKey : public Exception {
public:
    EInvalidKey() : Exception("File locked -- valid key required") {}
};

// Run-time messages of the file layer.
std::string FileOpenErrorText(const std::string& path);   // "Kann Datei %s nicht öffnen"
std::string FileCreateErrorText(const std::string& path); // "Kann Datei %s nicht erstellen"
extern const char* const kStreamWriteError;
extern const char* const kStreamReadError;
extern const char* const kAccessDenied;

enum class TCProcessMode { cmCompress = 0, cmExpand = 1 };

using TFilenameCheckEvent = std::function<void(std::string& filepath, TCProcessMode mode)>;
using TExpandEvent =
    std::function<void(Stream& dest, Stream& source, int32_t Sourcesize, int32_t Destsize,
                       const std::string& CompressID, int32_t& checksum)>;
using TRecognizeEvent = std::function<void(const std::string& CompressID, bool& recognized)>;
using TShowProgressEvent = std::function<void(int32_t& PercentageDone)>;
using TCompressEvent = std::function<void(Stream& dest, Stream& source, std::string& CompressID,
                                          int32_t& Outputsize, int32_t& checksum)>;

constexpr int kArchiveHeaderSize = 21;
constexpr int kMemberHeaderSize = 25;
constexpr uint8_t kMultiFileArchive = 1;

enum MemberMethod : uint8_t { kStored = 0, kRle = 1, kLzh = 2, kCustom = 3 };

struct ArchiveHeader {
    std::string compressId; // three letters
    int32_t totalSize = 0;  // expanded bytes of all members
    uint8_t archiveType = kMultiFileArchive;
};

struct MemberHeader {
    uint32_t dosDateTime = 0;
    int16_t attributes = 0;
    int32_t expandedSize = 0;
    int32_t packedSize = 0;
    uint8_t method = kStored;
    int32_t checksum = 0;
    int32_t lock = 0;
    std::string name;
};

// Reads and checks the archive header at offset 0 of the stream (magic and archive type); the
// identifier is left for CheckCompressID.
ArchiveHeader ReadArchiveHeader(Stream& source);

// Reads the next member header and name. False at the end of the member records: a header or
// name cut short, or a negative name length, packed size or expanded size (damage that must not
// make the reader seek backwards).
bool ReadMemberHeader(Stream& source, MemberHeader& h);

// Serialised forms, for the packing side.
std::string EncodeArchiveHeader(const ArchiveHeader& h);
std::string EncodeMemberHeader(const MemberHeader& h);

class TCompress {
public:
    explicit TCompress(Platform& platform) : platform_(platform) {}

    TCompressEvent OnCompress;
    TExpandEvent OnExpand;
    TFilenameCheckEvent OnCheckFile;
    TRecognizeEvent OnRecognize;
    TShowProgressEvent OnShowProgress;

    const std::string& TargetPath() const { return targetPath_; }
    void SetTargetPath(const std::string& value);
    bool MakeDirectories = false;
    int32_t Key = 0;
    bool ExceptionOnFileError = false;

    // Expands the member named FileSpec; on return FileSpec is the path written or empty.
    void ExpandFile(std::string& FileSpec, const std::string& ArchiveName);
    void ExpandArchive(const std::string& ArchiveName, std::vector<std::string>* FileList);
    void ExpandStream(Stream& Source, std::vector<std::string>* FileList);
    // Method number for an archive identifier; raises EUnrecognizedCompressionMethod for an
    // unknown one.
    int CheckCompressID(const std::string& CompressID);
    // Decodes one member from the current position of source into dest and checks its sum.
    void ExpandMember(Stream& dest, Stream& source, const MemberHeader& h,
                      const std::string& CompressID);

private:
    // Free space for path, counting the file it replaces; exists, when given: whether it is there.
    int64_t SpaceAvailable(const std::string& path, bool* exists = nullptr);

    Platform& platform_;
    std::string targetPath_;
};

// Directory part of a path, up to and including the last "\" or ":".
std::string ExtractFilePath(const std::string& path);

} // namespace corvid
