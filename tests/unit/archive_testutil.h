// Helpers shared by the archive tests: an in-memory stream, an archive builder and SHA-256.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "archive/encode.h"

namespace corvid::test {

class MemoryStream : public Stream {
public:
    explicit MemoryStream(std::string bytes = {}) : data(std::move(bytes)) {}
    int32_t Read(void* buffer, int32_t count) override {
        if (count <= 0 || pos >= data.size()) return 0;
        size_t n = std::min(static_cast<size_t>(count), data.size() - pos);
        std::memcpy(buffer, data.data() + pos, n);
        pos += n;
        return static_cast<int32_t>(n);
    }
    int32_t Write(const void* buffer, int32_t count) override {
        if (count <= 0) return 0;
        if (writeLimit >= 0 &&
            data.size() + static_cast<size_t>(count) > static_cast<size_t>(writeLimit))
            count = writeLimit > static_cast<int64_t>(data.size())
                        ? static_cast<int32_t>(writeLimit - static_cast<int64_t>(data.size()))
                        : 0;
        if (pos + static_cast<size_t>(count) > data.size())
            data.resize(pos + static_cast<size_t>(count));
        std::memcpy(&data[pos], buffer, static_cast<size_t>(count));
        pos += static_cast<size_t>(count);
        ++writes;
        return count;
    }
    int64_t Seek(int64_t offset, int origin) override {
        int64_t base = origin == 0   ? 0
                       : origin == 1 ? static_cast<int64_t>(pos)
                                     : static_cast<int64_t>(data.size());
        int64_t p = base + offset;
        if (p < 0) p = 0;
        if (p < static_cast<int64_t>(pos)) ++backwardSeeks;
        pos = static_cast<size_t>(p);
        return p;
    }
    int64_t Size() override { return static_cast<int64_t>(data.size()); }
    bool SetDosDateTime(uint32_t t) override {
        dosTime = t;
        return true;
    }
    std::string data;
    size_t pos = 0;
    int64_t writeLimit = -1; // bytes after which writes come up short
    int writes = 0;
    int backwardSeeks = 0;
    uint32_t dosTime = 0;
};

struct Member {
    std::string name;
    std::string data;
    int method = kStored;
    uint32_t dosDateTime = 0x24CF63C0;
    uint16_t attributes = 0x20;
};

inline std::string BuildArchive(const std::vector<Member>& members, const std::string& id = "LZH") {
    MemoryStream out;
    ArchiveWriter w(out, id);
    for (const Member& m : members) w.Add(m.name, m.dosDateTime, m.attributes, m.method, m.data);
    w.Finish();
    return out.data;
}

// An archive header with a given identifier, total and type, without members.
inline std::string RawHeader(const std::string& id, int32_t total, uint8_t type = 1) {
    ArchiveHeader h;
    h.compressId = id;
    h.totalSize = total;
    h.archiveType = type;
    return EncodeArchiveHeader(h);
}

// A member record with the given header fields and packed bytes.
inline std::string RawMember(MemberHeader h, const std::string& packed) {
    return EncodeMemberHeader(h) + packed;
}

inline MemberHeader StoredHeader(const std::string& name, const std::string& data) {
    MemberHeader h;
    h.name = name;
    h.dosDateTime = 0x24CF63C0;
    h.attributes = 0x20;
    h.expandedSize = static_cast<int32_t>(data.size());
    h.packedSize = static_cast<int32_t>(data.size());
    h.method = kStored;
    h.checksum =
        static_cast<int32_t>(ByteSum(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    return h;
}

inline std::string Sha256Hex(const std::string& msg) {
    static const uint32_t k[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
        0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
        0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
        0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
        0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
        0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
        0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
        0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
        0xc67178f2};
    uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                     0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::string m = msg;
    uint64_t bitLen = static_cast<uint64_t>(msg.size()) * 8;
    m.push_back(static_cast<char>(0x80));
    while (m.size() % 64 != 56) m.push_back('\0');
    for (int i = 7; i >= 0; --i) m.push_back(static_cast<char>(bitLen >> (8 * i)));
    auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    for (size_t off = 0; off < m.size(); off += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i) {
            const unsigned char* p =
                reinterpret_cast<const unsigned char*>(&m[off + 4 * static_cast<size_t>(i)]);
            w[i] = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
        }
        for (int i = 16; i < 64; ++i) {
            uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int i = 0; i < 64; ++i) {
            uint32_t t1 =
                hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            hh = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
        h[5] += f;
        h[6] += g;
        h[7] += hh;
    }
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (uint32_t v : h)
        for (int i = 28; i >= 0; i -= 4) out.push_back(hex[(v >> i) & 0xF]);
    return out;
}

// Deterministic test data.
inline std::string Noise(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

inline std::string Text(size_t n, uint32_t seed) {
    static const char* words[] = {"the ",    "setup ",      "copies ", "files ",
                                  "into ",   "a ",          "folder ", "and ",
                                  "writes ", "entries\r\n", "of ",     "program "};
    std::string s;
    uint32_t x = seed | 1;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 12];
    }
    s.resize(n);
    return s;
}

} // namespace corvid::test
