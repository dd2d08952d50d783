// The LZH encoder against gzip -9 (speed) and against a classic greedy LZHUF-style encoder with a
// binary-tree match finder (size); both streams are checked by our decoder.
//   bench_pack [DIR [MEGABYTES]]
#include <cstdio>
#include <cstring>
#include <memory>

#include "archive/compress.h"
#include "archive/decode.h"
#include "archive/encode.h"
#include "bench_data.h"
#include "platform/host_platform.h"

using namespace corvid;

namespace {

// The classic encoder: greedy longest matches from a binary search tree over the window, of
// which only the last F blanks of the initial window are entered.
class ClassicEncoder {
public:
    std::string Encode(const std::string& in) {
        using namespace lzh;
        tree_.Start();
        for (int i = N + 1; i <= N + 256; ++i) rson_[i] = kNil;
        for (int i = 0; i < N; ++i) dad_[i] = kNil;
        size_t next = 0;
        auto get = [&](int& c) {
            if (next >= in.size()) return false;
            c = static_cast<uint8_t>(in[next++]);
            return true;
        };
        int s = 0, r = N - F, len = 0, c = 0;
        std::memset(text_, ' ', static_cast<size_t>(r));
        for (; len < F && get(c); ++len) text_[r + len] = static_cast<uint8_t>(c);
        for (int i = 1; i <= F; ++i) Insert(r - i);
        Insert(r);
        while (len > 0) {
            if (matchLength_ > len) matchLength_ = len;
            if (matchLength_ <= THRESHOLD) {
                matchLength_ = 1;
                Symbol(text_[r]);
            } else {
                Symbol(255 - THRESHOLD + matchLength_);
                unsigned d = static_cast<unsigned>(matchPosition_);
                Put(kDistanceCode.code[d >> 6] >> (8 - kDistanceCode.len[d >> 6]),
                    kDistanceCode.len[d >> 6]);
                Put(d & 0x3F, 6);
            }
            const int last = matchLength_;
            int i = 0;
            for (; i < last && get(c); ++i) {
                Delete(s);
                text_[s] = static_cast<uint8_t>(c);
                if (s < F - 1) text_[s + N] = static_cast<uint8_t>(c);
                s = (s + 1) & (N - 1);
                r = (r + 1) & (N - 1);
                Insert(r);
            }
            while (i++ < last) {
                Delete(s);
                s = (s + 1) & (N - 1);
                r = (r + 1) & (N - 1);
                if (--len) Insert(r);
            }
        }
        if (bits_ > 0) out_.push_back(static_cast<char>(acc_ << (8 - bits_)));
        return out_;
    }

private:
    static constexpr int kNil = lzh::N;

    void Put(unsigned code, int n) {
        acc_ = (acc_ << n) | code;
        bits_ += n;
        while (bits_ >= 8) {
            bits_ -= 8;
            out_.push_back(static_cast<char>(acc_ >> bits_));
        }
    }
    void Symbol(int c) {
        uint64_t code = 0;
        int len = 0;
        for (int k = tree_.prnt[c + lzh::T]; k != lzh::R; k = tree_.prnt[k])
            code |= static_cast<uint64_t>(k & 1) << len++;
        while (len > 16) {
            len -= 16;
            Put(static_cast<unsigned>(code >> len) & 0xFFFF, 16);
        }
        Put(static_cast<unsigned>(code & ((1u << len) - 1)), len);
        tree_.Update(c);
    }
    void Insert(int r) {
        using namespace lzh;
        int cmp = 1, p = N + 1 + text_[r];
        const uint8_t* key = &text_[r];
        rson_[r] = lson_[r] = kNil;
        matchLength_ = 0;
        for (;;) {
            if (cmp >= 0) {
                if (rson_[p] != kNil) {
                    p = rson_[p];
                } else {
                    rson_[p] = r;
                    dad_[r] = p;
                    return;
                }
            } else {
                if (lson_[p] != kNil) {
                    p = lson_[p];
                } else {
                    lson_[p] = r;
                    dad_[r] = p;
                    return;
                }
            }
            int i = 1;
            for (; i < F; ++i)
                if ((cmp = key[i] - text_[p + i]) != 0) break;
            if (i > THRESHOLD) {
                if (i > matchLength_) {
                    matchPosition_ = ((r - p) & (N - 1)) - 1;
                    if ((matchLength_ = i) >= F) break;
                }
                if (i == matchLength_) {
                    int c = ((r - p) & (N - 1)) - 1;
                    if (c < matchPosition_) matchPosition_ = c;
                }
            }
        }
        dad_[r] = dad_[p];
        lson_[r] = lson_[p];
        rson_[r] = rson_[p];
        dad_[lson_[p]] = r;
        dad_[rson_[p]] = r;
        if (rson_[dad_[p]] == p)
            rson_[dad_[p]] = r;
        else
            lson_[dad_[p]] = r;
        dad_[p] = kNil;
    }
    void Delete(int p) {
        if (dad_[p] == kNil) return;
        int q;
        if (rson_[p] == kNil) {
            q = lson_[p];
        } else if (lson_[p] == kNil) {
            q = rson_[p];
        } else {
            q = lson_[p];
            if (rson_[q] != kNil) {
                do q = rson_[q];
                while (rson_[q] != kNil);
                rson_[dad_[q]] = lson_[q];
                dad_[lson_[q]] = dad_[q];
                lson_[q] = lson_[p];
                dad_[lson_[p]] = q;
            }
            rson_[q] = rson_[p];
            dad_[rson_[p]] = q;
        }
        dad_[q] = dad_[p];
        if (rson_[dad_[p]] == p)
            rson_[dad_[p]] = q;
        else
            lson_[dad_[p]] = q;
        dad_[p] = kNil;
    }

    lzh::Tree tree_;
    uint8_t text_[lzh::N + lzh::F - 1] = {};
    int lson_[lzh::N + 1] = {}, rson_[lzh::N + 257] = {}, dad_[lzh::N + 1] = {};
    int matchPosition_ = 0, matchLength_ = 0;
    std::string out_;
    uint64_t acc_ = 0;
    int bits_ = 0;
};

class StringStream : public Stream {
public:
    explicit StringStream(const std::string& s) : s_(s) {}
    int32_t Read(void* b, int32_t n) override {
        size_t k = std::min(static_cast<size_t>(n), s_.size() - pos_);
        std::memcpy(b, s_.data() + pos_, k);
        pos_ += k;
        return static_cast<int32_t>(k);
    }
    int32_t Write(const void* b, int32_t n) override {
        out.append(static_cast<const char*>(b), static_cast<size_t>(n));
        return n;
    }
    int64_t Seek(int64_t, int) override { return static_cast<int64_t>(pos_); }
    int64_t Size() override { return static_cast<int64_t>(s_.size()); }
    bool SetDosDateTime(uint32_t) override { return true; }
    std::string out;

private:
    const std::string& s_;
    size_t pos_ = 0;
};

bool DecodesTo(const std::string& packed, const std::string& data) {
    HostPlatform p;
    StringStream s(packed);
    DecodeMember(kLzh, s, s, static_cast<int32_t>(data.size()), static_cast<int32_t>(packed.size()),
                 nullptr, p);
    return s.out == data;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "/usr/include";
    const size_t limit = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 16) << 20;
    std::string what;
    const std::string data = bench::SampleData(dir, limit, what);
    if (data.size() < (1 << 20)) {
        std::fprintf(stderr, "bench_pack: too little data below %s\n", dir.c_str());
        return 2;
    }
    bench::ScratchDir tmp;
    const std::string raw = tmp.path + "/data.bin", gz = raw + ".gz";
    bench::WriteHostFile(raw, data);
    bool gzipOk = true;
    const double gzip = bench::BestOf(
        3, [&] { gzipOk = gzipOk && bench::Run("gzip -9 -c '" + raw + "' > '" + gz + "'"); });
    if (!gzipOk) {
        std::fprintf(stderr, "bench_pack: gzip is needed as the baseline\n");
        return 2;
    }
    std::string ours, classic;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const double oursTime = bench::BestOf(3, [&] { ours = EncodeLzh(bytes, data.size()); });
    const double classicTime = bench::BestOf(1, [&] { classic = ClassicEncoder().Encode(data); });
    if (!DecodesTo(ours, data) || !DecodesTo(classic, data)) {
        std::fprintf(stderr, "bench_pack: a packed stream does not decode to the data\n");
        return 1;
    }
    const double mb = static_cast<double>(data.size()) / (1 << 20);
    const double gzSize = static_cast<double>(bench::ReadHostFile(gz).size());
    auto pct = [&](double n) { return 100.0 * n / static_cast<double>(data.size()); };
    std::printf("data: %.1f MB from %s\n", mb, what.c_str());
    std::printf("gzip -9:         %6.1f MB/s, packed to %.2f%%\n", mb / gzip, pct(gzSize));
    std::printf("lzh (ours):      %6.1f MB/s, packed to %.2f%%\n", mb / oursTime,
                pct(static_cast<double>(ours.size())));
    std::printf("lzh (classic):   %6.1f MB/s, packed to %.2f%%\n", mb / classicTime,
                pct(static_cast<double>(classic.size())));
    std::printf("ratio ours/gzip -9 throughput: %.2f; size ours/classic: %.3f\n", gzip / oursTime,
                static_cast<double>(ours.size()) / static_cast<double>(classic.size()));
    return 0;
}
