// The packing side: encoders for the three member methods and an archive writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/compress.h"

namespace corvid {

// Sum of the bytes as unsigned values, modulo 2^32: the member checksum.
uint32_t ByteSum(const uint8_t* data, size_t size);

std::string EncodeRle(const uint8_t* data, size_t size);

// LZH with hash chains and one-step lazy matching; maxChain bounds the candidates tried at
// each position (more is slower and packs a little tighter).
std::string EncodeLzh(const uint8_t* data, size_t size, int maxChain = 128);

// Packs data by member method (kStored, kRle, kLzh).
std::string PackData(int method, const std::string& data);

// Writes an archive: the header first with a zero total, which Finish() fills in.
class ArchiveWriter {
public:
    ArchiveWriter(Stream& out, const std::string& compressId);
    // Adds one member; raises std::length_error when the archive would exceed the format's
    // 32-bit sizes.
    void Add(const std::string& name, uint32_t dosDateTime, uint16_t attributes, int method,
             const std::string& data);
    void Finish();

private:
    void Write(const std::string& bytes);
    Stream& out_;
    ArchiveHeader header_;
    int64_t total_ = 0;
    bool lastEmpty_ = false;
};

// Bytes in memory as a stream: an archive built or read without a file.
class BufferStream : public Stream {
public:
    explicit BufferStream(std::string initial = {}) : bytes(std::move(initial)) {}
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t Size() override { return static_cast<int64_t>(bytes.size()); }
    bool SetDosDateTime(uint32_t) override { return true; }
    std::string bytes;

private:
    size_t pos_ = 0;
};

// The identifier an archive of members packed by one method carries.
const char* CompressIdFor(int method);

// The bytes of an archive holding one member, packed by method; with kLzh and smart set, a
// member that LZH does not shrink is stored instead. The same bytes as ArchiveWriter writes.
std::string SingleMemberArchive(const std::string& name, uint32_t dosDateTime, uint16_t attributes,
                                int method, const std::string& data, bool smart = false,
                                int* usedMethod = nullptr, int32_t* packedSize = nullptr);

} // namespace corvid
