// The path rules the setup's layers share, on the fake platform.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "platform/paths.h"

using namespace corvid;

TEST(Paths, DriveOfALocalOrNetworkPath) {
    EXPECT_EQ(DriveOf("d:\\setup.exe"), "d:");
    EXPECT_EQ(DriveOf("C:"), "C:");
    EXPECT_EQ(DriveOf("\\\\server\\share\\setup.exe"), "\\\\server\\share");
    EXPECT_EQ(DriveOf("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(DriveOf("\\\\server"), "\\\\server");
    EXPECT_EQ(DriveOf("\\setup.exe"), "");
    EXPECT_EQ(DriveOf("x"), "");
}

TEST(Paths, ForceDirectoriesMakesEveryMissingLevel) {
    FakePlatform p;
    EXPECT_TRUE(ForceDirectories(p, "C:\\a\\b\\c\\"));
    EXPECT_TRUE(p.DirectoryExists("C:\\a\\b\\c"));
    EXPECT_TRUE(ForceDirectories(p, "C:\\A\\b")); // there already, in another case
    EXPECT_TRUE(ForceDirectories(p, "C:"));

    // A file in the way: nothing below it can be made.
    p.WriteFile("C:\\a\\file", "x");
    EXPECT_FALSE(ForceDirectories(p, "C:\\a\\file\\sub"));
    EXPECT_FALSE(p.DirectoryExists("C:\\a\\file\\sub"));
}
