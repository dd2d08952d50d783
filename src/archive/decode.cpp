#include "archive/decode.h"

#include <cstring>
#include <memory>

namespace corvid {

namespace lzh {

void Tree::Start() {
    for (int i = 0; i < N_CHAR; ++i) {
        freq[i] = 1;
        son[i] = static_cast<uint16_t>(i + T);
        prnt[i + T] = static_cast<uint16_t>(i);
    }
    for (int i = 0, j = N_CHAR; j <= R; i += 2, ++j) {
        freq[j] = static_cast<uint16_t>(freq[i] + freq[i + 1]);
        son[j] = static_cast<uint16_t>(i);
        prnt[i] = prnt[i + 1] = static_cast<uint16_t>(j);
    }
    freq[T] = 0xFFFF;
    prnt[R] = 0;
}

void Tree::Rebuild() {
    // Collect the leaves at the front, halving their counts.
    int j = 0;
    for (int i = 0; i < T; ++i) {
        if (son[i] >= T) {
            freq[j] = static_cast<uint16_t>((freq[i] + 1) / 2);
            son[j] = son[i];
            ++j;
        }
    }
    // Join pairs into inner nodes, keeping the counts sorted.
    for (int i = 0, n = N_CHAR; n < T; i += 2, ++n) {
        unsigned f = static_cast<unsigned>(freq[i]) + freq[i + 1];
        int k = n - 1;
        while (f < freq[k]) --k;
        ++k;
        std::memmove(&freq[k + 1], &freq[k], sizeof(freq[0]) * static_cast<size_t>(n - k));
        freq[k] = static_cast<uint16_t>(f);
        std::memmove(&son[k + 1], &son[k], sizeof(son[0]) * static_cast<size_t>(n - k));
        son[k] = static_cast<uint16_t>(i);
    }
    for (int i = 0; i < T; ++i) {
        int k = son[i];
        prnt[k] = static_cast<uint16_t>(i);
        if (k < T) prnt[k + 1] = static_cast<uint16_t>(i);
    }
}

} // namespace lzh

namespace {

// The buffered reader over one member's packed data.
class Reader {
public:
    Reader(Stream& src, int32_t packedSize, const TShowProgressEvent& progress, Platform& p)
        : src_(src), progress_(progress), platform_(p), left_(packedSize > 0 ? packedSize : 0),
          buf_(new uint8_t[kIoBufferSize]) {}

    // Loads the next chunk into the buffer; false when no byte came.
    bool Refill() {
        if (left_ <= 0) return false;
        if (left_ < chunk_) chunk_ = static_cast<int32_t>(left_);
        int32_t got = src_.Read(buf_.get(), chunk_);
        if (got < 0) got = 0;
        left_ -= got;
        if (got < chunk_) {
            // The archive ends inside this member's data.
            truncated = true;
            left_ = 0;
        }
        if (got == 0) return false;
        if (progress_) {
            read_ += got;
            int32_t percent = static_cast<int32_t>(read_ * 100 / (read_ + left_));
            progress_(percent); // the handler's changes to the value are not used
        }
        platform_.Yield();
        pos = buf_.get();
        end = pos + got;
        return true;
    }

    const uint8_t* pos = nullptr;
    const uint8_t* end = nullptr;
    bool truncated = false;

private:
    Stream& src_;
    const TShowProgressEvent& progress_;
    Platform& platform_;
    int64_t left_;
    int64_t read_ = 0;
    int32_t chunk_ = kIoBufferSize;
    std::unique_ptr<uint8_t[]> buf_;
};

// Sum of the bytes: eight at a time in 16-bit lanes, emptied before they can overflow.
uint32_t Sum(const uint8_t* b, int32_t n) {
    constexpr uint64_t kLow = 0x00FF00FF00FF00FFull;
    uint32_t s = 0;
    int32_t i = 0;
    while (n - i >= 8) {
        uint64_t lanes = 0;
        for (int k = 0; k < 64 && n - i >= 8; ++k, i += 8) {
            uint64_t x;
            std::memcpy(&x, b + i, 8);
            lanes += (x & kLow) + ((x >> 8) & kLow);
        }
        lanes = (lanes & 0x0000FFFF0000FFFFull) + ((lanes >> 16) & 0x0000FFFF0000FFFFull);
        s += static_cast<uint32_t>(lanes) + static_cast<uint32_t>(lanes >> 32);
    }
    for (; i < n; ++i) s += b[i];
    return s;
}

// The buffered writer; the checksum is summed over each block as it leaves.
class Writer {
public:
    Writer(Stream& dst, Platform& p) : dst_(dst), platform_(p), buf_(new uint8_t[kIoBufferSize]) {
        pos = buf_.get();
        end = pos + kIoBufferSize;
    }
    // Writes a full buffer.
    void Flush() {
        platform_.Yield();
        Emit();
    }
    // Writes what is left at the end of the member.
    void Finish() { Emit(); }
    uint32_t sum = 0;
    uint8_t* pos;
    uint8_t* end;

private:
    void Emit() {
        const uint8_t* b = buf_.get();
        int32_t n = static_cast<int32_t>(pos - b);
        if (n == 0) return;
        sum += Sum(b, n);
        pos = buf_.get();
        if (dst_.Write(b, n) != n) throw RuntimeError(kStreamWriteError);
    }
    Stream& dst_;
    Platform& platform_;
    std::unique_ptr<uint8_t[]> buf_;
};

void DecodeRle(Reader& in, Writer& out) {
    const uint8_t* ip = in.pos;
    const uint8_t* ie = in.end;
    uint8_t* op = out.pos;
    uint8_t* oe = out.end;
    // GetByte: the next packed byte; false at the end of the member's data.
    auto GetByte = [&](int& c) -> bool {
        if (ip == ie) {
            if (!in.Refill()) {
                if (in.truncated) throw RuntimeError(kStreamReadError);
                return false;
            }
            ip = in.pos;
            ie = in.end;
        }
        c = *ip++;
        return true;
    };
    auto PutByte = [&](uint8_t b) {
        if (op == oe) {
            out.pos = op;
            out.Flush();
            op = out.pos;
        }
        *op++ = b;
    };
    uint8_t last = 0;
    int c;
    while (GetByte(c)) {
        if (c != kRleEscape) {
            PutByte(static_cast<uint8_t>(c));
        } else {
            int n;
            if (!GetByte(n)) n = 0; // an escape at the very end stands for itself
            if (n == 0) {
                PutByte(kRleEscape);
            } else {
                int repeat = n - 1;
                while (repeat > 0) {
                    if (op == oe) {
                        out.pos = op;
                        out.Flush();
                        op = out.pos;
                    }
                    int k = static_cast<int>(oe - op);
                    if (k > repeat) k = repeat;
                    std::memset(op, last, static_cast<size_t>(k));
                    op += k;
                    repeat -= k;
                }
            }
        }
        last = static_cast<uint8_t>(c);
    }
    out.pos = op;
}

// Bytes of zero bits an LZH stream may consume past the end of its packed data before it is
// taken as damaged; a sound encoder needs none.
constexpr int64_t kLzhOverrunBytes = 64;

inline uint64_t LoadBigEndian64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
    return v;
}

// The top levels of the tree as a table: for each value of the next kTopBits bits, the node
// reached (or the leaf met earlier), the bits used and the nodes passed. The tree changes with
// every symbol, but exchanges near the root are rare: an exchange at a node the table passes
// through marks it stale, and it is made anew before the next symbol. (With 4 bits it is made
// about once per 500 symbols on text; with 8, every few symbols, which costs more than it saves.)
constexpr int kTopBits = 4;

struct TopTable {
    uint16_t next[1 << kTopBits];           // son of the last node passed, as the walk has it
    uint8_t bits[1 << kTopBits];            // bits used
    uint16_t path[1 << kTopBits][kTopBits]; // nodes passed
    uint8_t inTable[lzh::T];                // nodes whose children the table depends on
    bool stale = true;

    void Build(const lzh::Tree& t) {
        std::memset(inTable, 0, sizeof inTable);
        uint16_t trail[kTopBits] = {};
        Fill(t, t.son[lzh::R], 0, 0, trail);
        stale = false;
    }
    // Fills the entries below the prefix q of n bits; c is the walk's current son value.
    void Fill(const lzh::Tree& t, unsigned c, unsigned q, int n, uint16_t* trail) {
        if (c >= static_cast<unsigned>(lzh::T) || n == kTopBits) {
            const unsigned first = q << (kTopBits - n), count = 1u << (kTopBits - n);
            for (unsigned e = first; e < first + count; ++e) {
                next[e] = static_cast<uint16_t>(c);
                bits[e] = static_cast<uint8_t>(n);
                std::memcpy(path[e], trail, sizeof path[e]);
            }
            return;
        }
        for (unsigned b = 0; b < 2; ++b) {
            const unsigned node = c + b;
            inTable[node] = 1;
            trail[n] = static_cast<uint16_t>(node);
            Fill(t, t.son[node], q << 1 | b, n + 1, trail);
        }
    }
    void Exchanged(int node, int l) {
        if (inTable[node] | inTable[l]) stale = true;
    }
};

// The tree update for the leaf at path[depth], whose ancestors are path[depth - 1] ... path[0]
// (the root). Nodes below exchangeAt are only counted; from there on, an exchange moves the walk
// off the path and it follows the parents (exchangeAt 0: the root, which never exchanges).
inline void UpdateAlong(lzh::Tree& t, const uint16_t* path, int depth, int exchangeAt,
                        TopTable& top) {
    for (int i = depth; i > exchangeAt; --i) ++t.freq[path[i]];
    if (exchangeAt == 0) {
        ++t.freq[lzh::R];
        return;
    }
    int node = path[exchangeAt];
    do {
        unsigned k = ++t.freq[node];
        if (k > t.freq[node + 1]) {
            int l = node + 1;
            while (k > t.freq[++l]) {
            }
            --l;
            t.Exchange(node, l, k);
            top.Exchanged(node, l);
            node = l;
        }
    } while ((node = t.prnt[node]) != 0);
}

struct LzhState {
    lzh::Tree tree;
    TopTable top;
    uint8_t window[lzh::N];
};

bool DecodeLzh(Reader& in, Writer& out, int32_t expandedSize) {
    using namespace lzh;
    if (expandedSize <= 0) return true;
    auto state = std::make_unique<LzhState>();
    Tree& t = state->tree;
    TopTable& top = state->top;
    uint8_t* win = state->window;
    t.Start();
    std::memset(win, ' ', kFirstPosition);
    std::memset(win + kFirstPosition, 0, N - kFirstPosition);
    unsigned r = kFirstPosition;
    uint16_t path[64 + kTopBits];
    path[0] = R;

    const uint8_t* ip = in.pos;
    const uint8_t* ie = in.end;
    uint8_t* op = out.pos;
    uint8_t* oe = out.end;
    uint64_t bb = 0; // bits, most significant first
    int bc = 0;      // valid bits in bb
    int64_t fill = 0;
    bool damaged = false;

    // Fills bb to at least 57 bits; past the end of the data with zero bits.
    auto refill = [&]() {
        if (ie - ip >= 8) {
            bb |= LoadBigEndian64(ip) >> bc;
            ip += (63 - bc) >> 3;
            bc |= 56;
            return;
        }
        while (bc <= 56) {
            if (ip < ie) {
                bb |= static_cast<uint64_t>(*ip++) << (56 - bc);
                bc += 8;
            } else if (in.Refill()) {
                ip = in.pos;
                ie = in.end;
            } else {
                ++fill;
                bc += 8;
            }
        }
        if (fill > 0) {
            int64_t consumed = fill * 8 - bc;
            if (consumed > 0 && in.truncated) throw RuntimeError(kStreamReadError);
            if (consumed > kLzhOverrunBytes * 8) damaged = true;
        }
    };
    auto PutByte = [&](uint8_t b) {
        if (op == oe) {
            out.pos = op;
            out.Flush();
            op = out.pos;
        }
        *op++ = b;
    };

    const int64_t total = expandedSize;
    int64_t count = 0;
    while (count < total) {
        if (bc <= 56) {
            refill();
            if (damaged) break;
        }
        // Walk down from the root, noting the nodes passed: the update counts the same nodes
        // upward as long as it exchanges none, and then needs no parent look-ups.
        if (top.stale) top.Build(t);
        const unsigned e = static_cast<unsigned>(bb >> (64 - kTopBits));
        unsigned c = top.next[e];
        int depth = top.bits[e];
        std::memcpy(path + 1, top.path[e], sizeof top.path[e]);
        bb <<= depth;
        bc -= depth;
        // On the way down, note the deepest node whose count, once counted, passes the next
        // node's: there the update exchanges. The counts below it are not changed by the
        // counting of deeper nodes, which all sit at lower positions.
        int exchangeAt = 0;
        for (int i = 1; i <= kTopBits; ++i) {
            const unsigned n = path[i];
            if (i <= depth && t.freq[n] >= t.freq[n + 1]) exchangeAt = i;
        }
        while (c < static_cast<unsigned>(T)) {
            unsigned node = c + static_cast<unsigned>(bb >> 63);
            path[++depth & 63] = static_cast<uint16_t>(node);
            exchangeAt = t.freq[node] >= t.freq[node + 1] ? depth : exchangeAt;
            c = t.son[node];
            bb <<= 1;
            --bc;
        }
        if (bc < 0 || depth > 63) { // cannot happen with counts below MAX_FREQ
            damaged = true;
            break;
        }
        c -= T;
        if (t.freq[R] == MAX_FREQ) {
            t.Update(static_cast<int>(c)); // rebuilds the tree first: the path is stale
            top.stale = true;
        } else {
            UpdateAlong(t, path, depth, exchangeAt, top);
        }
        if (c < 256) {
            PutByte(static_cast<uint8_t>(c));
            win[r] = static_cast<uint8_t>(c);
            r = (r + 1) & (N - 1);
            ++count;
            continue;
        }
        if (bc < 14) refill();
        unsigned i = static_cast<unsigned>(bb >> 56);
        unsigned extra = kDistanceCode.dlen[i] - 2u;
        i = static_cast<unsigned>(bb >> (56 - extra));
        bb <<= 8 + extra;
        bc -= static_cast<int>(8 + extra);
        unsigned d = (static_cast<unsigned>(kDistanceCode.dcode[i >> extra]) << 6) | (i & 0x3F);
        unsigned from = r - d - 1;
        int len = static_cast<int>(c) - 253;
        if (oe - op >= len) {
            for (int k = 0; k < len; ++k) {
                uint8_t b = win[(from + static_cast<unsigned>(k)) & (N - 1)];
                *op++ = b;
                win[r] = b;
                r = (r + 1) & (N - 1);
            }
        } else {
            for (int k = 0; k < len; ++k) {
                uint8_t b = win[(from + static_cast<unsigned>(k)) & (N - 1)];
                PutByte(b);
                win[r] = b;
                r = (r + 1) & (N - 1);
            }
        }
        count += len; // a match is copied whole, even past the expanded size
    }
    if (fill > 0 && in.truncated && fill * 8 - bc > 0) throw RuntimeError(kStreamReadError);
    out.pos = op;
    return !damaged;
}

} // namespace

DecodeResult DecodeMember(int method, Stream& dest, Stream& source, int32_t expandedSize,
                          int32_t packedSize, const TShowProgressEvent& progress,
                          Platform& platform) {
    Reader in(source, packedSize, progress, platform);
    Writer out(dest, platform);
    DecodeResult result;
    if (method == kRle)
        DecodeRle(in, out);
    else if (method == kLzh)
        result.complete = DecodeLzh(in, out, expandedSize);
    out.Finish();
    result.checksum = out.sum;
    return result;
}

} // namespace corvid
