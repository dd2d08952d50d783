// libFuzzer target: the LZH decoder against a plain, slow decoder written here from the format's
// description (a 4096-byte window whose first 4036 bytes are blanks, the rest zero until written,
// with writing at 4036, matches of 3 to 60
// bytes, an adaptive Huffman code over 314 symbols whose counts are halved at 0x8000, and a fixed
// prefix code for the upper six bits of a distance). Two checks: the input packed by the encoder
// decodes to the input in both decoders; and the input taken as a packed stream decodes to the
// same bytes in both, as far as the stream reaches.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/decode.h"
#include "archive/encode.h"
#include "platform/host_platform.h"

using namespace corvid;

namespace {

class ReferenceLzh {
public:
    static constexpr int kWindow = 4096, kLongest = 60, kShortest = 3;
    static constexpr int kSymbols = 256 + kLongest - kShortest + 1; // literals, then lengths
    static constexpr int kNodes = 2 * kSymbols - 1, kRoot = kNodes - 1;

    ReferenceLzh(const std::string& in) : in_(in) {
        // The distance prefix code: 1 code of 3 bits, 3 of 4, 8 of 5, 12 of 6, 24 of 7, 16 of
        // 8, numbered upwards in canonical order.
        const int counts[] = {1, 3, 8, 12, 24, 16};
        int value = 0, code = 0;
        for (int g = 0; g < 6; ++g) {
            const int bits = 3 + g;
            if (g) code <<= 1;
            for (int k = 0; k < counts[g]; ++k, ++value, ++code) {
                upper_.push_back({bits, code, value});
            }
        }
        for (int i = 0; i < kSymbols; ++i) {
            freq_[i] = 1;
            son_[i] = i + kNodes;
            parent_[i + kNodes] = i;
        }
        for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
            freq_[j] = freq_[i] + freq_[i + 1];
            son_[j] = i;
            parent_[i] = parent_[i + 1] = j;
        }
        freq_[kNodes] = 0xFFFF;
        parent_[kRoot] = 0;
    }

    // Decodes size bytes; valid is how many came before the stream ran out.
    std::string Decode(size_t size, size_t& valid) {
        std::vector<uint8_t> window(kWindow, 0);
        std::fill(window.begin(), window.end() - kLongest, ' ');
        int r = kWindow - kLongest;
        std::string out;
        valid = SIZE_MAX;
        while (out.size() < size) {
            const int c = Symbol();
            if (c < 256) {
                Put(out, window, r, static_cast<uint8_t>(c));
            } else {
                const int from = (r - Distance() - 1) & (kWindow - 1);
                const int length = c - 256 + kShortest;
                for (int k = 0; k < length && out.size() < size; ++k)
                    Put(out, window, r, window[static_cast<size_t>((from + k) & (kWindow - 1))]);
            }
            if (past_ && valid == SIZE_MAX) valid = last_;
            last_ = out.size();
        }
        if (valid == SIZE_MAX) valid = out.size();
        return out;
    }

private:
    struct Upper {
        int bits, code, value;
    };

    static void Put(std::string& out, std::vector<uint8_t>& window, int& r, uint8_t c) {
        out.push_back(static_cast<char>(c));
        window[static_cast<size_t>(r)] = c;
        r = (r + 1) & (kWindow - 1);
    }
    int Bit() {
        const size_t byte = bit_ / 8;
        if (byte >= in_.size()) {
            past_ = true;
            ++bit_;
            return 0;
        }
        const int b = (static_cast<uint8_t>(in_[byte]) >> (7 - bit_ % 8)) & 1;
        ++bit_;
        return b;
    }
    int Symbol() {
        int node = son_[kRoot];
        while (node < kNodes) node = son_[node + Bit()];
        const int c = node - kNodes;
        Count(c);
        return c;
    }
    int Distance() {
        int code = 0, bits = 0;
        for (;;) {
            code = code << 1 | Bit();
            ++bits;
            for (const Upper& u : upper_)
                if (u.bits == bits && u.code == code) {
                    int low = 0;
                    for (int k = 0; k < 6; ++k) low = low << 1 | Bit();
                    return u.value << 6 | low;
                }
            if (bits > 8) std::abort(); // the code is complete: never reached
        }
    }
    // Halves every leaf's count and builds the tree again, nodes kept in order of count.
    void Halve() {
        int j = 0;
        for (int i = 0; i < kNodes; ++i)
            if (son_[i] >= kNodes) {
                freq_[j] = (freq_[i] + 1) / 2;
                son_[j] = son_[i];
                ++j;
            }
        for (int i = 0, n = kSymbols; n < kNodes; i += 2, ++n) {
            const unsigned f = freq_[i] + freq_[i + 1];
            int k = n - 1;
            while (f < freq_[k]) --k;
            ++k;
            for (int m = n; m > k; --m) {
                freq_[m] = freq_[m - 1];
                son_[m] = son_[m - 1];
            }
            freq_[k] = f;
            son_[k] = i;
        }
        for (int i = 0; i < kNodes; ++i) {
            const int k = son_[i];
            parent_[k] = i;
            if (k < kNodes) parent_[k + 1] = i;
        }
    }
    // One more occurrence of symbol c; a node whose count passes the next ones' moves up.
    void Count(int c) {
        if (freq_[kRoot] == 0x8000) Halve();
        int node = parent_[c + kNodes];
        do {
            const unsigned k = ++freq_[node];
            int l = node + 1;
            if (k > freq_[l]) {
                while (k > freq_[++l]) {
                }
                --l;
                freq_[node] = freq_[l];
                freq_[l] = k;
                const int i = son_[node];
                parent_[i] = l;
                if (i < kNodes) parent_[i + 1] = l;
                const int j = son_[l];
                son_[l] = i;
                parent_[j] = node;
                if (j < kNodes) parent_[j + 1] = node;
                son_[node] = j;
                node = l;
            }
        } while ((node = parent_[node]) != 0);
    }

    const std::string& in_;
    size_t bit_ = 0, last_ = 0;
    bool past_ = false;
    std::vector<Upper> upper_;
    unsigned freq_[kNodes + 1] = {};
    int son_[kNodes] = {};
    int parent_[kNodes + kSymbols] = {};
};

std::string Ours(const std::string& packed, int32_t size, DecodeResult& result) {
    HostPlatform platform;
    BufferStream in(packed), out;
    result =
        DecodeMember(kLzh, out, in, size, static_cast<int32_t>(packed.size()), nullptr, platform);
    return out.bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t valid = 0;
    DecodeResult result;

    // Packed by the encoder: both decoders give the input back.
    const std::string packed = EncodeLzh(data, size, size % 2 ? 4 : 128);
    if (ReferenceLzh(packed).Decode(size, valid) != input || valid != size) std::abort();
    if (Ours(packed, static_cast<int32_t>(size), result) != input) std::abort();
    if (!result.complete || result.checksum != ByteSum(data, size)) std::abort();

    // Any bytes as a stream: the same output as far as the stream reaches.
    const size_t want = size * 4;
    const std::string reference = ReferenceLzh(input).Decode(want, valid);
    const std::string ours = Ours(input, static_cast<int32_t>(want), result);
    const size_t common = std::min(valid, ours.size());
    if (ours.compare(0, common, reference, 0, common) != 0) std::abort();
    return 0;
}
