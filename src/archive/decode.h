// Decoders for RLE and LZH members, fed by an 8192-byte buffered reader and writer.
#pragma once

#include <cstdint>

#include "archive/compress.h"

namespace corvid {

constexpr int kIoBufferSize = 8192;
constexpr uint8_t kRleEscape = 0x94;

// LZH parameters: window, longest match, threshold, symbols, tree nodes.
namespace lzh {
constexpr int N = 4096;
constexpr int F = 60;
constexpr int THRESHOLD = 2;
constexpr int N_CHAR = 256 - THRESHOLD + F; // 314
constexpr int T = N_CHAR * 2 - 1;           // 627
constexpr int R = T - 1;                    // 626
constexpr unsigned MAX_FREQ = 0x8000;
constexpr int kFirstPosition = N - F; // 4036; the window before it holds blanks

// The upper six bits of a distance have a fixed prefix code: in increasing order of value,
// 1 code of 3 bits, 3 of 4, 8 of 5, 12 of 6, 24 of 7 and 16 of 8, assigned in increasing
// numerical order from 0. The lower six bits follow plain.
struct DistanceCode {
    uint8_t len[64] = {};    // code length of each upper value
    uint8_t code[64] = {};   // its code, left-aligned in 8 bits
    uint8_t dcode[256] = {}; // upper value for each 8-bit prefix
    uint8_t dlen[256] = {};  // and its code length
    constexpr DistanceCode() {
        const int counts[6] = {1, 3, 8, 12, 24, 16};
        int v = 0, c = 0, bits = 3;
        for (int g = 0; g < 6; ++g, ++bits) {
            if (g > 0) c <<= 1;
            for (int k = 0; k < counts[g]; ++k, ++v, ++c) {
                len[v] = static_cast<uint8_t>(bits);
                code[v] = static_cast<uint8_t>(c << (8 - bits));
                for (int i = 0; i < (1 << (8 - bits)); ++i) {
                    dcode[code[v] + i] = static_cast<uint8_t>(v);
                    dlen[code[v] + i] = static_cast<uint8_t>(bits);
                }
            }
        }
    }
};
inline constexpr DistanceCode kDistanceCode;

// The adaptive Huffman tree shared by the decoder and the encoder.
struct Tree {
    uint16_t freq[T + 1];
    uint16_t son[T];
    uint16_t prnt[T + N_CHAR];
    void Start();
    void Rebuild();
    // Counts one occurrence of symbol c.
    inline void Update(int c);
    // Counts one more at node; when that breaks the order of counts, moves the node's subtree
    // to the last position l with a smaller count. Returns the position the subtree is at.
    inline int Count(int node);
    // Exchanges the subtrees at node and l, node's count having become k.
    inline void Exchange(int node, int l, unsigned k);
};

inline void Tree::Exchange(int node, int l, unsigned k) {
    freq[node] = freq[l];
    freq[l] = static_cast<uint16_t>(k);
    int i = son[node];
    prnt[i] = static_cast<uint16_t>(l);
    if (i < T) prnt[i + 1] = static_cast<uint16_t>(l);
    int j = son[l];
    son[l] = static_cast<uint16_t>(i);
    prnt[j] = static_cast<uint16_t>(node);
    if (j < T) prnt[j + 1] = static_cast<uint16_t>(node);
    son[node] = static_cast<uint16_t>(j);
}

inline int Tree::Count(int node) {
    unsigned k = ++freq[node];
    int l = node + 1;
    if (k > freq[l]) {
        while (k > freq[++l]) {
        }
        --l;
        Exchange(node, l, k);
        return l;
    }
    return node;
}

inline void Tree::Update(int c) {
    if (freq[R] == MAX_FREQ) Rebuild();
    int node = prnt[c + T];
    do {
        node = Count(node);
    } while ((node = prnt[node]) != 0);
}
} // namespace lzh

struct DecodeResult {
    uint32_t checksum = 0; // sum of the bytes written
    // False when an LZH stream ran far past the end of its packed data before reaching the
    // expanded size: the data is damaged and decoding was cut off.
    bool complete = true;
};

// Decodes one member of method kRle or kLzh from source into dest. Raises RuntimeError on a
// short write, and when the archive ends before packed data that the decoder needs.
DecodeResult DecodeMember(int method, Stream& dest, Stream& source, int32_t expandedSize,
                          int32_t packedSize, const TShowProgressEvent& progress,
                          Platform& platform);

} // namespace corvid
