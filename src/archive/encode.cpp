#include "archive/encode.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "archive/decode.h"

namespace corvid {

uint32_t ByteSum(const uint8_t* data, size_t size) {
    uint32_t s = 0;
    for (size_t i = 0; i < size; ++i) s += data[i];
    return s;
}

std::string EncodeRle(const uint8_t* data, size_t size) {
    std::string out;
    out.reserve(size + size / 64 + 16);
    size_t i = 0;
    while (i < size) {
        const uint8_t b = data[i];
        size_t run = 1;
        while (run < 255 && i + run < size && data[i + run] == b) ++run;
        const char esc = static_cast<char>(kRleEscape);
        if (b == kRleEscape) {
            // "94 00" writes the escape byte itself and makes it the byte that "94 n" repeats.
            if (run >= 3) {
                out += {esc, 0, esc, static_cast<char>(run)};
            } else {
                for (size_t k = 0; k < run; ++k) out += {esc, 0};
            }
        } else if (run >= 4) {
            // The count includes the copy written just before the escape; after an escape the
            // repeated byte is the escape itself, so every run starts with its byte again.
            out += {static_cast<char>(b), esc, static_cast<char>(run)};
        } else {
            out.append(run, static_cast<char>(b));
        }
        i += run;
    }
    return out;
}

namespace {

class BitWriter {
public:
    explicit BitWriter(std::string& out) : out_(out) {}
    // Appends the low n bits of code (n <= 32), most significant first.
    void Put(uint32_t code, int n) {
        acc_ = (acc_ << n) | code;
        bits_ += n;
        while (bits_ >= 8) {
            bits_ -= 8;
            out_.push_back(static_cast<char>(acc_ >> bits_));
        }
    }
    void Flush() {
        if (bits_ > 0) out_.push_back(static_cast<char>(acc_ << (8 - bits_)));
        bits_ = 0;
    }

private:
    std::string& out_;
    uint64_t acc_ = 0;
    int bits_ = 0;
};

class LzhEncoder {
public:
    LzhEncoder(std::string& out, int maxChain) : bits_(out), maxChain_(maxChain) { tree_.Start(); }

    void Symbol(int c) {
        // The code is read from the leaf up: each node's parity is its branch bit.
        uint64_t code = 0;
        int len = 0;
        for (int k = tree_.prnt[c + lzh::T]; k != lzh::R; k = tree_.prnt[k])
            code |= static_cast<uint64_t>(k & 1) << len++;
        while (len > 32) {
            len -= 32;
            bits_.Put(static_cast<uint32_t>(code >> len), 32);
        }
        bits_.Put(static_cast<uint32_t>(code & ((uint64_t{1} << len) - 1)), len);
        tree_.Update(c);
    }

    void Distance(unsigned d) {
        unsigned upper = d >> 6;
        int len = lzh::kDistanceCode.len[upper];
        bits_.Put(static_cast<uint32_t>(lzh::kDistanceCode.code[upper] >> (8 - len)), len);
        bits_.Put(d & 0x3F, 6);
    }

    void Encode(const uint8_t* data, size_t size);

private:
    static constexpr int kHashBits = 14;
    static constexpr int kMinMatch = lzh::THRESHOLD + 1;

    uint32_t Hash(size_t p) const {
        uint32_t v = buf_[p] | buf_[p + 1] << 8 | buf_[p + 2] << 16;
        return (v * 2654435761u) >> (32 - kHashBits);
    }
    void Insert(size_t p) {
        if (p + kMinMatch > end_) return;
        uint32_t h = Hash(p);
        prev_[p & (lzh::N - 1)] = head_[h];
        head_[h] = static_cast<int64_t>(p);
    }
    // Longest match for position q among the chained candidates at distance 1 to N.
    int FindMatch(size_t q, size_t& pos, int chain) const;

    BitWriter bits_;
    int maxChain_;
    lzh::Tree tree_;
    std::vector<uint8_t> buf_; // blanks of the initial window, then the data
    size_t end_ = 0;
    std::vector<int64_t> head_;
    std::vector<int64_t> prev_;
};

int LzhEncoder::FindMatch(size_t q, size_t& pos, int chain) const {
    size_t limit = end_ - q;
    if (limit > static_cast<size_t>(lzh::F)) limit = lzh::F;
    if (limit < static_cast<size_t>(kMinMatch)) return 0;
    int best = kMinMatch - 1;
    const uint8_t* s = &buf_[q];
    for (int64_t cand = head_[Hash(q)]; cand >= 0 && chain-- > 0;
         cand = prev_[static_cast<size_t>(cand) & (lzh::N - 1)]) {
        size_t c = static_cast<size_t>(cand);
        if (q - c > static_cast<size_t>(lzh::N)) break;
        const uint8_t* m = &buf_[c];
        if (m[best] != s[best] || m[0] != s[0] || m[1] != s[1]) continue;
        size_t len = 0;
        while (len + 8 <= limit) {
            uint64_t a, b;
            std::memcpy(&a, m + len, 8);
            std::memcpy(&b, s + len, 8);
            if (a != b) break;
            len += 8;
        }
        while (len < limit && m[len] == s[len]) ++len;
        if (static_cast<int>(len) > best) {
            best = static_cast<int>(len);
            pos = c;
            if (len == limit) break;
        }
    }
    return best >= kMinMatch ? best : 0;
}

void LzhEncoder::Encode(const uint8_t* data, size_t size) {
    const size_t start = lzh::kFirstPosition;
    buf_.assign(start + size + 8, 0);
    std::memset(buf_.data(), ' ', start);
    if (size > 0) std::memcpy(&buf_[start], data, size);
    end_ = start + size;
    head_.assign(size_t{1} << kHashBits, -1);
    prev_.assign(lzh::N, -1);
    for (size_t p = 0; p < start; ++p) Insert(p);

    auto emitMatch = [&](size_t at, size_t from, int len) {
        Symbol(255 - lzh::THRESHOLD + len);
        Distance(static_cast<unsigned>(at - from - 1));
    };
    // One-step lazy matching: a match found at q is held back while the next position offers a
    // longer one.
    size_t q = start;
    bool held = false;
    int heldLen = 0;
    size_t heldPos = 0;
    while (q < end_) {
        size_t pos = 0;
        int len = 0;
        if (!held || heldLen < lzh::F)
            len = FindMatch(q, pos, held && heldLen >= 16 ? maxChain_ / 4 : maxChain_);
        Insert(q);
        if (held && heldLen >= kMinMatch && heldLen >= len) {
            emitMatch(q - 1, heldPos, heldLen);
            size_t stop = q - 1 + static_cast<size_t>(heldLen);
            for (size_t p = q + 1; p < stop; ++p) Insert(p);
            q = stop;
            held = false;
            continue;
        }
        if (held) Symbol(buf_[q - 1]);
        held = true;
        heldLen = len;
        heldPos = pos;
        ++q;
    }
    if (held) {
        if (heldLen >= kMinMatch)
            emitMatch(q - 1, heldPos, heldLen);
        else
            Symbol(buf_[q - 1]);
    }
    bits_.Flush();
}

} // namespace

std::string EncodeLzh(const uint8_t* data, size_t size, int maxChain) {
    std::string out;
    out.reserve(size / 2 + 64);
    auto enc = std::make_unique<LzhEncoder>(out, maxChain < 1 ? 1 : maxChain);
    enc->Encode(data, size);
    return out;
}

std::string PackData(int method, const std::string& data) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data());
    switch (method) {
    case kRle:
        return EncodeRle(p, data.size());
    case kLzh:
        return EncodeLzh(p, data.size());
    default:
        return data;
    }
}

const char* CompressIdFor(int method) {
    return method == kRle ? "RLE" : method == kLzh ? "LZH" : "NON";
}

ArchiveWriter::ArchiveWriter(Stream& out, const std::string& compressId) : out_(out) {
    header_.compressId = compressId;
    Write(EncodeArchiveHeader(header_));
}

void ArchiveWriter::Write(const std::string& bytes) {
    int32_t n = static_cast<int32_t>(bytes.size());
    if (out_.Write(bytes.data(), n) != n) throw RuntimeError(kStreamWriteError);
}

void ArchiveWriter::Add(const std::string& name, uint32_t dosDateTime, uint16_t attributes,
                        int method, const std::string& data) {
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    if (name.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max()))
        throw std::length_error("member name too long: " + name);
    if (static_cast<int64_t>(data.size()) >= kMax ||
        total_ + static_cast<int64_t>(data.size()) >= kMax)
        throw std::length_error("archive would hold more than 2 GB: " + name);
    std::string packed = PackData(method, data);
    if (static_cast<int64_t>(packed.size()) > kMax)
        throw std::length_error("member too large: " + name);
    MemberHeader h;
    h.name = name;
    h.dosDateTime = dosDateTime;
    h.attributes = static_cast<int16_t>(attributes);
    h.expandedSize = static_cast<int32_t>(data.size());
    h.packedSize = static_cast<int32_t>(packed.size());
    h.method = static_cast<uint8_t>(method);
    h.checksum =
        static_cast<int32_t>(ByteSum(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    Write(EncodeMemberHeader(h));
    Write(packed);
    total_ += h.expandedSize;
    lastEmpty_ = data.empty();
}

int32_t BufferStream::Read(void* buffer, int32_t count) {
    if (count <= 0 || pos_ >= bytes.size()) return 0;
    const size_t n = std::min(static_cast<size_t>(count), bytes.size() - pos_);
    std::memcpy(buffer, bytes.data() + pos_, n);
    pos_ += n;
    return static_cast<int32_t>(n);
}

int32_t BufferStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    if (pos_ + static_cast<size_t>(count) > bytes.size())
        bytes.resize(pos_ + static_cast<size_t>(count));
    std::memcpy(&bytes[pos_], buffer, static_cast<size_t>(count));
    pos_ += static_cast<size_t>(count);
    return count;
}

int64_t BufferStream::Seek(int64_t offset, int origin) {
    const int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(pos_) : Size();
    pos_ = static_cast<size_t>(std::max<int64_t>(0, base + offset));
    return static_cast<int64_t>(pos_);
}

std::string SingleMemberArchive(const std::string& name, uint32_t dosDateTime, uint16_t attributes,
                                int method, const std::string& data, bool smart, int* usedMethod,
                                int32_t* packedSize) {
    BufferStream out;
    ArchiveWriter w(out, CompressIdFor(method));
    w.Add(name, dosDateTime, attributes, method, data);
    w.Finish();
    const size_t overhead = kArchiveHeaderSize + kMemberHeaderSize + name.size();
    if (smart && method != kStored && out.bytes.size() - overhead >= data.size())
        return SingleMemberArchive(name, dosDateTime, attributes, kStored, data, false, usedMethod,
                                   packedSize);
    if (usedMethod) *usedMethod = method;
    if (packedSize) *packedSize = static_cast<int32_t>(out.bytes.size() - overhead);
    return std::move(out.bytes);
}

void ArchiveWriter::Finish() {
    // Expansion stops once the expanded bytes reach the total; one more keeps trailing empty
    // members reachable.
    header_.totalSize = static_cast<int32_t>(total_ + (lastEmpty_ ? 1 : 0));
    out_.Seek(0, 0);
    Write(EncodeArchiveHeader(header_));
    out_.Seek(0, 2);
}

} // namespace corvid
