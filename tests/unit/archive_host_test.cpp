// The host platform of the tools: expansion into real directories with dates and read-only bits.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "archive/compress.h"
#include "archive_testutil.h"
#include "platform/host_platform.h"

namespace corvid {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    TempDir() {
        char tmpl[] = "/tmp/corvid-host-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path + "/ro.txt", fs::perms::owner_all, ec);
        fs::remove_all(path, ec);
    }
    std::string path;
};

int64_t MTime(const std::string& path) {
    auto ft = fs::last_write_time(path);
    return std::chrono::duration_cast<std::chrono::seconds>(
               ft - fs::file_time_type::clock::now() +
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

TEST(ArchiveHost, DosDatesConvertBothWaysAndBadOnesAreRefused) {
    for (uint32_t dos : {0x24CF63C0u, 0x00210000u, 0x5A9E7BBDu}) {
        int64_t t = 0;
        ASSERT_TRUE(DosDateTimeToUnix(dos, t)) << std::hex << dos;
        EXPECT_EQ(UnixToDosDateTime(t), dos) << std::hex << dos;
    }
    int64_t t = 0;
    EXPECT_FALSE(DosDateTimeToUnix(0x24C00000u, t)); // month 6, day 0
    EXPECT_FALSE(DosDateTimeToUnix(0x25A10000u, t)); // month 13
    EXPECT_FALSE(DosDateTimeToUnix(0x24CFC000u, t)); // hour 24
    EXPECT_FALSE(DosDateTimeToUnix(0x5A9F0000u, t)); // April 31
}

TEST(ArchiveHost, ExpansionWritesFilesWithDatesAndTheReadOnlyBit) {
    TempDir dir;
    const std::string arc = test::BuildArchive({{"sub\\deeper\\a.txt", "alpha", kLzh, 0x24CF63C0},
                                                {"ro.txt", "beta", kRle, 0x24CF63C0, 0x21},
                                                {"bad-date.txt", "gamma", kStored, 0x24C00000}});
    HostPlatform p;
    {
        auto out = p.OpenFile(dir.path + "\\x.arc", OpenMode::Create);
        ASSERT_TRUE(out);
        out->Write(arc.data(), static_cast<int32_t>(arc.size()));
    }
    TCompress c(p);
    c.SetTargetPath(dir.path);
    c.MakeDirectories = true;
    std::vector<std::string> list{"SUB\\DEEPER\\A.TXT", "ro.txt", "bad-date.txt"};
    c.ExpandArchive(dir.path + "\\x.arc", &list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], dir.path + "\\sub\\deeper\\a.txt");

    std::ifstream in(dir.path + "/sub/deeper/a.txt", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "alpha");
    int64_t expected = 0;
    ASSERT_TRUE(DosDateTimeToUnix(0x24CF63C0, expected));
    EXPECT_NEAR(static_cast<double>(MTime(dir.path + "/sub/deeper/a.txt")),
                static_cast<double>(expected), 1.0);
    EXPECT_NEAR(static_cast<double>(MTime(dir.path + "/ro.txt")), static_cast<double>(expected),
                1.0);
    // An impossible date leaves the file's own time.
    EXPECT_GT(MTime(dir.path + "/bad-date.txt"), expected + 86400);

    EXPECT_EQ(fs::status(dir.path + "/ro.txt").permissions() & fs::perms::owner_write,
              fs::perms::none);
    EXPECT_NE(fs::status(dir.path + "/bad-date.txt").permissions() & fs::perms::owner_write,
              fs::perms::none);
    EXPECT_TRUE(p.FileExists(dir.path + "\\SUB\\deeper\\a.txt") ||
                p.FileExists(dir.path + "\\sub\\deeper\\a.txt"));
    EXPECT_TRUE(p.DirectoryExists(dir.path + "\\sub\\deeper"));
    EXPECT_GT(p.DiskFree('C'), 0);
}

} // namespace
} // namespace corvid
