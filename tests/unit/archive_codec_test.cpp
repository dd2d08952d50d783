// The RLE and LZH decoders, their buffered reader and writer, the encoders, and damaged data.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "archive/compress.h"
#include "archive/decode.h"
#include "archive/encode.h"
#include "archive_testutil.h"
#include "fake_platform.h"

namespace corvid {
namespace {

using test::MemoryStream;

class CountingPlatform : public FakePlatform {
public:
    void Yield() override { ++yields; }
    int yields = 0;
};

struct Decoded {
    std::string bytes;
    uint32_t checksum;
    int64_t sourcePos;
};

Decoded Decode(int method, const std::string& packed, int32_t expandedSize,
               const TShowProgressEvent& progress = nullptr) {
    CountingPlatform p;
    MemoryStream src(packed), dest;
    DecodeResult r = DecodeMember(method, dest, src, expandedSize,
                                  static_cast<int32_t>(packed.size()), progress, p);
    EXPECT_TRUE(r.complete);
    return {dest.data, r.checksum, static_cast<int64_t>(src.pos)};
}

uint32_t Sum(const std::string& s) {
    return ByteSum(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(ArchiveRle, EscapeSequencesAndTheLastByteRule) {
    EXPECT_EQ(Decode(kRle, "\x41\x94\x05", 0).bytes, std::string(5, 'A'));
    EXPECT_EQ(Decode(kRle, std::string("\x94\x00", 2), 0).bytes, "\x94");
    EXPECT_EQ(Decode(kRle, "\x41\x94\xFF\x41\x94\x03", 0).bytes, std::string(258, 'A'));
    // An escape at the very end stands for itself.
    EXPECT_EQ(Decode(kRle, "\x41\x94", 0).bytes, "\x41\x94");
    // The byte repeated after an escape sequence is the escape byte; at the start it is 0.
    EXPECT_EQ(Decode(kRle, std::string("\x41\x94\x02\x94\x03", 5), 0).bytes,
              std::string("\x41\x41\x94\x94", 4));
    EXPECT_EQ(Decode(kRle, std::string("\x94\x03", 2), 0).bytes, std::string(2, '\0'));
    EXPECT_EQ(Decode(kRle, std::string("\x42\x94\x01", 3), 0).bytes, "B");
    Decoded d = Decode(kRle, "\x41\x94\x05", 12345); // the expanded size is not used
    EXPECT_EQ(d.checksum, 5u * 0x41);
}

TEST(ArchiveLzh, AnEmptyMemberReadsNothing) {
    Decoded d = Decode(kLzh, test::Noise(100, 1), 0);
    EXPECT_EQ(d.bytes, "");
    EXPECT_EQ(d.checksum, 0u);
    EXPECT_EQ(d.sourcePos, 0);
}

TEST(ArchiveLzh, InitialWindowAndFarMatchesDecode) {
    // Leading blanks copy from the window's initial blanks; a phrase 4000 bytes back is found.
    std::string spaces = std::string(200, ' ') + "x" + std::string(100, ' ');
    std::string packed = EncodeLzh(reinterpret_cast<const uint8_t*>(spaces.data()), spaces.size());
    EXPECT_LT(packed.size(), 20u);
    EXPECT_EQ(Decode(kLzh, packed, static_cast<int32_t>(spaces.size())).bytes, spaces);

    const std::string once = "a phrase worth repeating, twice over" + test::Noise(3960, 5);
    const std::string far = once + "a phrase worth repeating, twice over";
    packed = EncodeLzh(reinterpret_cast<const uint8_t*>(far.data()), far.size());
    // The repeat is one match, a few bytes, instead of 36 literals.
    EXPECT_LT(packed.size(), PackData(kLzh, once).size() + 6);
    EXPECT_EQ(Decode(kLzh, packed, static_cast<int32_t>(far.size())).bytes, far);
}

TEST(ArchiveLzh, TreeRebuildKeepsTheTreeConsistent) {
    lzh::Tree t;
    t.Start();
    uint32_t x = 7;
    bool rebuilt = false;
    for (int n = 0; n < 200000; ++n) {
        x = x * 1103515245u + 12345u;
        int c = static_cast<int>((x >> 16) % 40) * ((x >> 8) & 1 ? 1 : 7) % lzh::N_CHAR;
        if (t.freq[lzh::R] == lzh::MAX_FREQ) rebuilt = true;
        t.Update(c);
        if (n % 997 != 0 && !(rebuilt && n % 13 == 0)) continue;
        // Counts never decrease along the node order; every inner node counts its children;
        // every child points back at its parent.
        for (int i = 0; i + 1 < lzh::T; ++i) ASSERT_LE(t.freq[i], t.freq[i + 1]) << n;
        for (int i = 0; i < lzh::T; ++i) {
            int s = t.son[i];
            ASSERT_EQ(t.prnt[s], i);
            if (s < lzh::T) {
                ASSERT_EQ(t.prnt[s + 1], i);
                ASSERT_EQ(t.freq[i], t.freq[s] + t.freq[s + 1]);
            }
        }
        ASSERT_LE(t.freq[lzh::R], lzh::MAX_FREQ);
    }
    EXPECT_TRUE(rebuilt);
}

TEST(ArchiveCodec, RoundTripsThroughEveryEncoder) {
    std::map<std::string, std::string> inputs = {
        {"empty", ""},
        {"one byte", "Z"},
        {"one escape", "\x94"},
        {"escapes", std::string(700, '\x94') + "a\x94\x94" + "b"},
        {"runs", std::string(255, 'a') + std::string(256, 'b') + std::string(257, 'c') +
                     std::string(3, 'd') + std::string(4, 'e') + std::string(1000, '\0')},
        {"noise", test::Noise(100000, 2)},
        {"text", test::Text(300000, 3)}, // far more than 0x8000 symbols: the tree is rebuilt
        {"blanks", std::string(5000, ' ')},
        {"mixed", test::Text(9000, 4) + test::Noise(9000, 5) + std::string(9000, '\x94') +
                      test::Text(9000, 4)},
    };
    for (const auto& [what, data] : inputs) {
        for (int method : {kStored, kRle, kLzh}) {
            SCOPED_TRACE(what + " method " + std::to_string(method));
            std::string packed = PackData(method, data);
            Decoded d = method == kStored
                            ? Decoded{packed, Sum(packed), 0}
                            : Decode(method, packed, static_cast<int32_t>(data.size()));
            EXPECT_EQ(d.bytes, data);
            EXPECT_EQ(d.checksum, Sum(data));
            if (method != kStored) {
                EXPECT_EQ(d.sourcePos, static_cast<int64_t>(packed.size()));
            }
        }
    }
    // Runs pack small; text packs well; noise grows only a little.
    EXPECT_LT(
        EncodeRle(reinterpret_cast<const uint8_t*>(inputs["runs"].data()), inputs["runs"].size())
            .size(),
        40u);
    EXPECT_LT(PackData(kLzh, inputs["text"]).size(), inputs["text"].size() / 4);
    EXPECT_LT(PackData(kLzh, inputs["noise"]).size(), inputs["noise"].size() * 103 / 100);
}

TEST(ArchiveCodec, ProgressRisesToOneHundredPerRefillAndYields) {
    const std::string data = test::Noise(60000, 11);
    for (int method : {kRle, kLzh}) {
        SCOPED_TRACE(method);
        std::string packed = PackData(method, data);
        std::vector<int32_t> seen;
        CountingPlatform p;
        MemoryStream src(packed), dest;
        DecodeMember(
            method, dest, src, static_cast<int32_t>(data.size()),
            static_cast<int32_t>(packed.size()),
            [&](int32_t& pct) {
                seen.push_back(pct);
                pct = -5; // a handler's change has no effect
            },
            p);
        EXPECT_EQ(dest.data, data);
        ASSERT_EQ(seen.size(), (packed.size() + 8191) / 8192);
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_EQ(seen[i], static_cast<int32_t>(std::min((i + 1) * 8192, packed.size()) * 100 /
                                                    packed.size()));
        EXPECT_EQ(seen.back(), 100);
        // One yield per refill and per full output block; output goes out in 8192-byte blocks.
        EXPECT_EQ(p.yields, static_cast<int>(seen.size() + (data.size() - 1) / 8192));
        EXPECT_EQ(dest.writes, static_cast<int>((data.size() + 8191) / 8192));
    }
}

TEST(ArchiveCodec, ReadsStopAtThePackedSize) {
    // Bytes after a member are never read by its decoder.
    const std::string data = test::Text(20000, 6);
    for (int method : {kRle, kLzh}) {
        std::string packed = PackData(method, data);
        CountingPlatform p;
        MemoryStream src(packed + std::string(50000, '\xEE')), dest;
        DecodeMember(method, dest, src, static_cast<int32_t>(data.size()),
                     static_cast<int32_t>(packed.size()), nullptr, p);
        EXPECT_EQ(dest.data, data);
        EXPECT_EQ(src.pos, packed.size());
    }
}

// --- damaged archives, in memory

class SinkPlatform : public FakePlatform {
public:
    class Sink : public Stream {
    public:
        explicit Sink(int64_t& total) : total_(total) {}
        int32_t Read(void*, int32_t) override { return 0; }
        int32_t Write(const void*, int32_t n) override {
            total_ += n;
            return n;
        }
        int64_t Seek(int64_t, int) override { return 0; }
        int64_t Size() override { return 0; }
        bool SetDosDateTime(uint32_t) override { return true; }

    private:
        int64_t& total_;
    };
    std::unique_ptr<Stream> OpenFile(const std::string&, OpenMode) override {
        return std::make_unique<Sink>(written);
    }
    bool FileExists(const std::string&) override { return false; }
    bool SetFileAttributes(const std::string&, uint32_t) override { return true; }
    bool DeleteFile(const std::string&) override { return true; }
    void Yield() override {}
    int64_t written = 0;
};

// Expands every member; returns a short outcome: "ok", or the exception's message.
std::string TryExpand(SinkPlatform& p, const std::string& bytes) {
    TCompress c(p);
    c.SetTargetPath("C:\\");
    MemoryStream src(bytes);
    try {
        c.ExpandStream(src, nullptr);
    } catch (const Exception& e) {
        return e.what();
    } catch (const RuntimeError& e) {
        return e.what();
    }
    EXPECT_EQ(src.backwardSeeks, 0);
    return "ok";
}

TEST(ArchiveDamage, EverySingleByteChangeAndTruncationEndsCleanly) {
    const std::string arc = test::BuildArchive(
        {{"stored.txt", "plain stored bytes", kStored},
         {"r.bin", std::string(40, 'r') + "\x94\x94" + std::string(9, 's'), kRle},
         {"l.txt", test::Text(400, 8) + std::string(30, ' '), kLzh},
         {"e", "", kLzh}},
        "LZH");
    ASSERT_LT(arc.size(), 400u);
    SinkPlatform p;
    ASSERT_EQ(TryExpand(p, arc), "ok");
    const int64_t clean = p.written;

    std::map<std::string, int> outcomes;
    int64_t most = 0;
    auto run = [&](const std::string& bytes) {
        p.written = 0;
        outcomes[TryExpand(p, bytes)]++;
        most = std::max(most, p.written);
    };
    for (size_t i = 0; i < arc.size(); ++i) {
        for (int v = 0; v < 256; ++v) {
            if (v == static_cast<uint8_t>(arc[i])) continue;
            std::string bad = arc;
            bad[i] = static_cast<char>(v);
            run(bad);
        }
    }
    for (size_t n = 0; n < arc.size(); ++n) run(arc.substr(0, n));

    // Only the component's own failures and read errors appear, each with its message.
    const std::set<std::string> known = {
        "ok",
        "Can't recognize compressed file header",
        "Expand can't handle caSingle archive type in compressed header",
        "Unrecognized compression method in header",
        "Bad checksum during expansion -- data may be invalid",
        "File locked -- valid key required",
        "Stream-Read-Fehler"};
    for (const auto& [what, count] : outcomes) {
        if (what.rfind("Not enough disk space to expand ", 0) == 0) continue;
        EXPECT_TRUE(known.count(what)) << what << " x" << count;
    }
    EXPECT_GT(outcomes["Bad checksum during expansion -- data may be invalid"], 0);
    EXPECT_GT(outcomes["Stream-Read-Fehler"], 0);
    // Damage never makes the output run away (the archive holds ~500 bytes).
    EXPECT_LT(most, 200000) << "clean run wrote " << clean;
}

} // namespace
} // namespace corvid
