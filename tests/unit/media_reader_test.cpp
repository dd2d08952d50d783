// The setup's reading of file data over the archive volumes: its blocks, the volume it goes on
// to, and what it reports when the data cannot be read.
#include <gtest/gtest.h>

#include <algorithm>

#include "memory_volumes.h"

namespace corvid {
namespace {

std::string Bytes(size_t n, char seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i * 7 + i / 251);
    return s;
}

TEST(MediaReader, ReadsInBlocksAndCompletesWithThePartOfTheLastBlockThatBelongsToTheFile) {
    const std::string volume = Bytes(9000, 1);
    MemoryVolumes media({volume});
    std::vector<int32_t> blocks;
    bool ok = false;
    // 5000 bytes at offset 100: the third block of 2048 completes the file with 904 bytes.
    EXPECT_EQ(ReadThrough(media, "01", 100, 5000, ok, &blocks), volume.substr(100, 5000));
    EXPECT_TRUE(ok);
    EXPECT_EQ(blocks, (std::vector<int32_t>{2048, 2048, 2048}));
    EXPECT_EQ(media.asked, (std::vector<std::string>{"zdata_01.dsk#1"}));

    // Empty data still takes one read and asks for no other volume, even at a volume's end.
    blocks.clear();
    EXPECT_EQ(ReadThrough(media, "01", 9000, 0, ok, &blocks), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(blocks, (std::vector<int32_t>{0}));
}

TEST(MediaReader, AVolumeEndingOnABlockBoundaryEndsWithAnEmptyRead) {
    const std::string first = Bytes(4096, 2), second = Bytes(3000, 3);
    MemoryVolumes media({first, second});
    std::vector<int32_t> blocks;
    bool ok = false;
    EXPECT_EQ(ReadThrough(media, "01", 0, 5000, ok, &blocks), first + second.substr(0, 904));
    EXPECT_TRUE(ok);
    EXPECT_EQ(blocks, (std::vector<int32_t>{2048, 2048, 0, 2048}));
    EXPECT_EQ(media.asked, (std::vector<std::string>{"zdata_01.dsk#1", "zdata_02.dsk#2"}));

    // Data that begins exactly at the end of a volume comes from the next one.
    media.asked.clear();
    blocks.clear();
    EXPECT_EQ(ReadThrough(media, "01", 4096, 10, ok, &blocks), second.substr(0, 10));
    EXPECT_EQ(blocks, (std::vector<int32_t>{0, 2048}));
}

TEST(MediaReader, TheFirstVolumeIsNamedAsWrittenAndTheNextOnesWithTwoDigits) {
    MemoryVolumes media;
    media.files["zdata_1.dsk"] = Bytes(100, 4);
    media.files["zdata_02.dsk"] = Bytes(100, 5);
    bool ok = false;
    EXPECT_EQ(ReadThrough(media, "1", 50, 60, ok),
              media.files["zdata_1.dsk"].substr(50) + media.files["zdata_02.dsk"].substr(0, 10));
    EXPECT_TRUE(ok);
    EXPECT_EQ(media.asked, (std::vector<std::string>{"zdata_1.dsk#1", "zdata_02.dsk#2"}));

    media.files["zdata_09.dsk"] = Bytes(10, 6);
    media.files["zdata_10.dsk"] = Bytes(10, 7);
    media.asked.clear();
    EXPECT_EQ(ReadThrough(media, "09", 5, 10, ok),
              media.files["zdata_09.dsk"].substr(5) + media.files["zdata_10.dsk"].substr(0, 5));
    EXPECT_EQ(media.asked, (std::vector<std::string>{"zdata_09.dsk#9", "zdata_10.dsk#10"}));
}

TEST(MediaReader, HandsOverTheBytesOfAVolumeBeforeItAsksForTheNext) {
    const std::string first = Bytes(3000, 8);
    MemoryVolumes media({first});
    MediaReader reader(media, "01", 0, 5000);
    ASSERT_EQ(reader.Open(), MediaFault::None);
    std::string taken;
    std::vector<size_t> askedAtTake;
    MediaFault fault = MediaFault::None;
    while (fault == MediaFault::None && !reader.Complete()) {
        int32_t got = 0;
        fault = reader.ReadBlock(
            [&](const MediaBlock& b) {
                taken.append(b.data, b.count);
                askedAtTake.push_back(media.asked.size());
            },
            got);
    }
    // The second volume is missing: everything of the first was handed over before it was
    // asked for, so a run that stops at the disk prompt keeps that part.
    EXPECT_EQ(fault, MediaFault::MissingVolume);
    EXPECT_EQ(taken, first);
    EXPECT_EQ(askedAtTake, (std::vector<size_t>{1, 1}));
    EXPECT_EQ(reader.Volume(), "zdata_02.dsk");
    EXPECT_EQ(reader.VolumeStep(), 1);
    EXPECT_EQ(reader.Remaining(), 2000);
}

TEST(MediaReader, ReportsDataItCannotRead) {
    MemoryVolumes media({Bytes(1000, 9)});
    MediaFault fault = MediaFault::None;
    bool ok = true;
    ReadThrough(media, "01", -1, 10, ok, nullptr, &fault);
    EXPECT_EQ(fault, MediaFault::BadPlacement);
    ReadThrough(media, "01", 0, -10, ok, nullptr, &fault);
    EXPECT_EQ(fault, MediaFault::BadPlacement);
    EXPECT_TRUE(media.asked.empty()); // a bad placement opens no volume

    ReadThrough(media, "01", 1001, 1, ok, nullptr, &fault);
    EXPECT_EQ(fault, MediaFault::OffsetBeyondEnd);
    ReadThrough(media, "03", 0, 1, ok, nullptr, &fault);
    EXPECT_EQ(fault, MediaFault::MissingVolume);
    EXPECT_FALSE(ok);
}

} // namespace
} // namespace corvid

namespace corvid {

TEST(MediaReader, ChecksumsAreTheCommonCrc32InEightHexDigits) {
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(Crc32(0, "1234", 4), "56789", 5), 0xCBF43926u); // continued
    // Longer data in pieces of every length and alignment against the plain bit-wise sum.
    std::string data;
    for (int i = 0; i < 1000; ++i) data += static_cast<char>((i * 7919 + i / 13) & 0xFF);
    uint32_t bitwise = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        bitwise ^= c;
        for (int k = 0; k < 8; ++k)
            bitwise = bitwise & 1 ? 0xEDB88320u ^ (bitwise >> 1) : bitwise >> 1;
    }
    bitwise = ~bitwise;
    for (size_t piece = 1; piece <= 20; ++piece) {
        uint32_t crc = 0;
        for (size_t at = 0; at < data.size(); at += piece)
            crc = Crc32(crc, data.data() + at, std::min(piece, data.size() - at));
        EXPECT_EQ(crc, bitwise) << "pieces of " << piece;
    }
    EXPECT_EQ(ChecksumText(0xCBF43926u), "cbf43926");
    EXPECT_EQ(ChecksumText(0x1u), "00000001");
    uint32_t v = 0;
    EXPECT_TRUE(ParseChecksum("CBF43926", v));
    EXPECT_EQ(v, 0xCBF43926u);
    for (const char* bad : {"", "cbf4392", "cbf439260", "cbf4392g", " bf43926"})
        EXPECT_FALSE(ParseChecksum(bad, v)) << bad;
}

} // namespace corvid
