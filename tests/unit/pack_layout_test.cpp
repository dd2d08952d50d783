// The layout of file data in the volume stream, read back through the setup's media reader.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "memory_volumes.h"
#include "pack/layout.h"

namespace corvid::pack {
namespace {

TEST(PackLayout, VolumeNamesHaveAtLeastTwoDigits) {
    EXPECT_EQ(VolumeName(1), "zdata_01.dsk");
    EXPECT_EQ(VolumeName(9), "zdata_09.dsk");
    EXPECT_EQ(VolumeName(10), "zdata_10.dsk");
    EXPECT_EQ(VolumeName(123), "zdata_123.dsk");
    EXPECT_EQ(VolumeNumberText(2), "02");
}

TEST(PackLayout, FilesFollowEachOtherAndContinueInTheNextVolume) {
    VolumeLayout l(1000);
    Placement a = l.Place(600), b = l.Place(600), c = l.Place(10);
    EXPECT_EQ(a.volume, 1);
    EXPECT_EQ(a.offset, 0);
    EXPECT_EQ(b.volume, 1);
    EXPECT_EQ(b.offset, 600);
    EXPECT_EQ(c.volume, 2);
    EXPECT_EQ(c.offset, 200);
    EXPECT_EQ(l.VolumeSizes(), (std::vector<int64_t>{1000, 210}));
}

TEST(PackLayout, DataEndingExactlyAtAVolumeEndStartsNoEmptyVolume) {
    VolumeLayout l(1000);
    l.Place(400);
    l.Place(600);
    EXPECT_EQ(l.VolumeCount(), 1);
    EXPECT_EQ(l.VolumeSizes(), (std::vector<int64_t>{1000}));
    // The next file begins in the next volume, not at the end of the full one.
    Placement next = l.Place(5);
    EXPECT_EQ(next.volume, 2);
    EXPECT_EQ(next.offset, 0);
    EXPECT_EQ(l.VolumeSizes(), (std::vector<int64_t>{1000, 5}));
}

TEST(PackLayout, EmptyFilesStayInAVolumeThatExists) {
    VolumeLayout l(1000);
    Placement first = l.Place(0);
    EXPECT_EQ(first.volume, 1);
    EXPECT_EQ(first.offset, 0);
    EXPECT_EQ(l.VolumeSizes(), (std::vector<int64_t>{0}));
    l.Place(1000);
    Placement atEnd = l.Place(0);
    EXPECT_EQ(atEnd.volume, 1);
    EXPECT_EQ(atEnd.offset, 1000);
    EXPECT_EQ(l.VolumeCount(), 1);
}

TEST(PackLayout, AFileLargerThanAVolumeSpansSeveral) {
    VolumeLayout l(1000, 300);
    Placement big = l.Place(2500);
    EXPECT_EQ(big.volume, 1);
    EXPECT_EQ(big.offset, 0);
    EXPECT_EQ(l.VolumeCount(), 4);
    EXPECT_EQ(l.VolumeSizes(), (std::vector<int64_t>{300, 1000, 1000, 200}));
    Placement after = l.Place(1);
    EXPECT_EQ(after.volume, 4);
    EXPECT_EQ(after.offset, 200);
}

TEST(PackLayout, TheTenthVolumeFollowsTheNinth) {
    VolumeLayout l(100);
    Placement p = l.Place(950);
    EXPECT_EQ(l.VolumeCount(), 10);
    std::vector<int32_t> reads;
    ASSERT_TRUE(SetupReads(p, l.VolumeSizes(), reads));
    EXPECT_EQ(VolumeName(l.VolumeCount()), "zdata_10.dsk");
}

TEST(PackLayout, RefusesVolumesThatHoldNothing) {
    EXPECT_THROW(VolumeLayout(1000, 0), std::invalid_argument);
    EXPECT_THROW(VolumeLayout(-1), std::invalid_argument);
}

TEST(PackLayout, EveryFileReadsBackThroughTheSetupsCopyLoop) {
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        // Capacities around the copy block, multiples of it and odd ones.
        const int64_t capacities[] = {2048, 4096, 1000, 2049, 6000, 1457664};
        const int64_t cap = capacities[round % 6];
        const int64_t first = round % 3 == 0 ? cap / 2 + 1 : cap;
        VolumeLayout l(cap, first);
        std::vector<Placement> places;
        std::vector<std::string> data;
        std::string stream;
        const int files = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < files; ++i) {
            int64_t len;
            switch (rng() % 5) {
            case 0:
                len = 0;
                break;
            case 1: // up to the end of the current volume exactly
                len = l.VolumeStart(l.VolumeCount() + 1) - l.StreamSize();
                if (len <= 0) len = cap;
                break;
            case 2:
                len = 2048 * (1 + static_cast<int64_t>(rng() % 3));
                break;
            default:
                len = static_cast<int64_t>(rng() % (3 * cap));
            }
            std::string d(static_cast<size_t>(len), '\0');
            for (char& c : d) c = static_cast<char>(rng());
            places.push_back(l.Place(len));
            data.push_back(d);
            stream += d;
        }
        std::vector<std::string> volumes;
        int64_t at = 0;
        for (int64_t size : l.VolumeSizes()) {
            volumes.push_back(stream.substr(static_cast<size_t>(at), static_cast<size_t>(size)));
            at += size;
        }
        ASSERT_EQ(at, static_cast<int64_t>(stream.size()));
        MemoryVolumes media(volumes);
        for (size_t i = 0; i < places.size(); ++i) {
            bool ok = false;
            std::vector<int32_t> blocks;
            EXPECT_EQ(ReadThrough(media, VolumeNumberText(places[i].volume), places[i].offset,
                                  places[i].length, ok, &blocks),
                      data[i])
                << "round " << round << " file " << i;
            EXPECT_TRUE(ok);
            std::vector<int32_t> reads;
            ASSERT_TRUE(SetupReads(places[i], l.VolumeSizes(), reads));
            int64_t sum = 0;
            for (int32_t g : reads) sum += g;
            EXPECT_GE(sum, places[i].length);
            // corvid-pack counts the very blocks the setup reads from the real volumes.
            EXPECT_EQ(reads, blocks);
        }
    }
}

TEST(PackLayout, SetupReadsStopAtTheLastVolume) {
    std::vector<int32_t> reads;
    Placement p;
    p.volume = 1;
    p.offset = 100;
    p.length = 5000;
    EXPECT_TRUE(SetupReads(p, {5100}, reads));
    EXPECT_EQ(reads, (std::vector<int32_t>{2048, 2048, 904}));
    EXPECT_FALSE(SetupReads(p, {3000}, reads));
    p.volume = 2;
    EXPECT_FALSE(SetupReads(p, {3000}, reads));
}

} // namespace
} // namespace corvid::pack
