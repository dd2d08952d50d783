// What a project may ask for, and the clear refusals of what the setup cannot install.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pack/names.h"
#include "pack/project.h"
#include "test_folder.h"

namespace fs = std::filesystem;

namespace corvid::pack {
namespace {

TEST(PackNames, FileNamesTheSetupCannotStoreAreRefused) {
    EXPECT_EQ(FileNameProblem("tool.exe"), "");
    EXPECT_EQ(FileNameProblem("r\xE9sum\xE9.txt"), "");
    for (const char* bad : {"", "a:b", "a*b", "a\"b", "a|b", "a%b", " lead.txt", "trail.txt ",
                            "dot.", "[leer]", "CON", "con.txt", "LPT1.doc", "a\tb"})
        EXPECT_NE(FileNameProblem(bad), "") << bad;
    EXPECT_EQ(FileNameProblem("console.txt"), "");
}

TEST(PackNames, DirectoryValues) {
    EXPECT_EQ(DirectoryValueProblem("\\bin\\"), "");
    EXPECT_EQ(DirectoryValueProblem("\\a\\b c\\"), "");
    EXPECT_EQ(DirectoryValueProblem("%SystemRoot%\\system\\"), "");
    EXPECT_EQ(DirectoryValueProblem("%systemroot%\\"), "");
    for (const char* bad :
         {"bin\\", "\\bin", "\\a%b\\", "\\a\\\\b\\", "\\..\\", "C:\\x\\", "%SystemRoot%system\\"})
        EXPECT_NE(DirectoryValueProblem(bad), "") << bad;
    // The file transfer takes everything after %SystemRoot%, up to the value's 1023 characters.
    EXPECT_EQ(DirectoryValueProblem("%SystemRoot%\\" + std::string(28, 'a') + "\\"), "");
    EXPECT_EQ(DirectoryValueProblem("%SystemRoot%\\" + std::string(29, 'a') + "\\"), "");
    std::string deep = "%SystemRoot%";
    while (deep.size() < 1000) deep += "\\" + std::string(20, 'b');
    EXPECT_EQ(DirectoryValueProblem(deep + "\\"), "");
    EXPECT_NE(DirectoryValueProblem(deep + "\\" + std::string(30, 'c') + "\\"), "");
    // The setup takes a value holding %SystemRoot% anywhere for one below the Windows
    // directory, dropping its first 12 characters: only at the start does that mean it.
    EXPECT_NE(DirectoryValueProblem("\\data\\%SystemRoot%\\sys\\").find("must begin"),
              std::string::npos);
}

TEST(PackNames, HostNamesComeIntoTheCodePage) {
    std::string ansi;
    ASSERT_TRUE(HostNameToAnsi("caf\xC3\xA9.txt", ansi));
    EXPECT_EQ(ansi, "caf\xE9.txt");
    ASSERT_TRUE(HostNameToAnsi("\xE2\x82\xAC.txt", ansi)); // the euro sign is 0x80
    EXPECT_EQ(ansi, "\x80.txt");
    EXPECT_FALSE(HostNameToAnsi("\xE5\x90\x8D.txt", ansi)); // a CJK character
    EXPECT_FALSE(HostNameToAnsi("\xC4\x80.txt", ansi));     // A with macron: only a best fit
}

TEST(PackNames, VolumeSizes) {
    int64_t bytes = 0, cluster = 0;
    ASSERT_TRUE(ParseVolumeSize("floppy", bytes, cluster));
    EXPECT_EQ(bytes, 1457664);
    EXPECT_EQ(cluster, 512);
    ASSERT_TRUE(ParseVolumeSize("CD", bytes, cluster));
    EXPECT_EQ(bytes, 681574400);
    ASSERT_TRUE(ParseVolumeSize("720k", bytes, cluster));
    EXPECT_EQ(bytes, 737280);
    ASSERT_TRUE(ParseVolumeSize("100000", bytes, cluster));
    EXPECT_EQ(bytes, 100000);
    for (const char* bad : {"", "0", "-5", "2G", "3000M", "12x", "big"})
        EXPECT_FALSE(ParseVolumeSize(bad, bytes, cluster)) << bad;
}

class PackProject : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestFolder("corvid-pack-test-");
        fs::create_directories(dir_ / "tree" / "sub" / "empty");
        Write("tree/a.txt", "alpha");
        Write("tree/sub/b.txt", "beta");
        Write("tree/sub/zero.bin", "");
        Write("one.dll", "x");
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Write(const std::string& rel, const std::string& bytes) {
        std::ofstream(dir_ / rel, std::ios::binary) << bytes;
    }
    Project Load(const std::string& text) {
        Write("project.ini", text);
        std::vector<std::string> warnings;
        return LoadProject((dir_ / "project.ini").string(), warnings);
    }
    std::string Error(const std::string& text) {
        try {
            Load(text);
        } catch (const ProjectError& e) {
            return e.what();
        }
        return "";
    }
    fs::path dir_;
};

TEST_F(PackProject, FolderTreesBecomeFilesAndDirectoryRows) {
    Project p =
        Load("[component1]\n; comment lines are no keys\nname=Program\nstandard=1\nfiles=tree\n"
             "files2=one.dll -> %SystemRoot%\\system\n[software]\nname=X\n");
    ASSERT_EQ(p.components.size(), 1u);
    const Component& c = p.components[0];
    ASSERT_EQ(c.files.size(), 4u);
    EXPECT_EQ(c.files[0].name, "a.txt");
    EXPECT_EQ(c.files[0].dirIndex, 0);
    EXPECT_EQ(c.files[1].name, "b.txt");
    EXPECT_EQ(c.files[1].dir, "\\sub\\");
    EXPECT_EQ(c.files[2].name, "zero.bin");
    EXPECT_EQ(c.files[2].size, 0);
    EXPECT_EQ(c.files[3].dir, "%SystemRoot%\\system\\");
    // Every row, the empty folder's included, and each file's index into them.
    EXPECT_EQ(c.dirs,
              (std::vector<std::string>{"\\sub\\", "\\sub\\empty\\", "%SystemRoot%\\system\\"}));
    EXPECT_EQ(c.files[1].dirIndex, 1);
    EXPECT_EQ(c.files[3].dirIndex, 3);
    EXPECT_TRUE(c.standard);
    EXPECT_FALSE(c.custom);
}

TEST_F(PackProject, LinkedFoldersInATreeAreFollowed) {
    fs::create_directories(dir_ / "elsewhere");
    Write("elsewhere/c.txt", "gamma");
    fs::create_directory_symlink(dir_ / "elsewhere", dir_ / "tree" / "linked");
    Project p = Load("[component1]\nname=P\nfiles=tree\n");
    const Component& c = p.components[0];
    bool found = false;
    for (const SourceFile& f : c.files)
        found = found || (f.name == "c.txt" && f.dir == "\\linked\\");
    EXPECT_TRUE(found);
    // A link back to a folder above it is refused by name, not followed without end.
    fs::create_directory_symlink(dir_ / "tree", dir_ / "tree" / "sub" / "up");
    EXPECT_NE(Error("[component1]\nname=P\nfiles=tree\n").find("leads back into itself"),
              std::string::npos);
}

TEST_F(PackProject, GlobsAndProgramItemsByPath) {
    Project p = Load("[component1]\nname=P\nfiles=tree/sub/*.txt -> \\docs\\\n"
                     "[prggrp]\nf1=\\docs\\b.txt\np1=B\n[extensions]\ne1=txt\no1=1\nf1=b.txt\n");
    ASSERT_EQ(p.components[0].files.size(), 1u);
    EXPECT_EQ(p.components[0].files[0].dir, "\\docs\\");
    bool found = false;
    for (const Section& s : p.sections)
        for (const auto& kv : s.keys)
            if (kv.first == "f1") {
                EXPECT_EQ(kv.second, "1");
                found = true;
            }
    EXPECT_TRUE(found);
    EXPECT_NE(Error("[component1]\nname=P\nfiles=tree\n[prggrp]\nf1=\\nothere.exe\n"), "");
}

TEST_F(PackProject, ClearRefusals) {
    std::string eight;
    for (int k = 1; k <= 8; ++k)
        eight += "[component" + std::to_string(k) + "]\nname=C\nfiles=one.dll\n";
    EXPECT_NE(Error(eight).find("seven"), std::string::npos);
    EXPECT_NE(Error("[component1]\nname=P\nfiles=missing\n").find("no file or folder"),
              std::string::npos);
    EXPECT_NE(Error("[component1]\nname=P\nfiles=tree/*.none\n").find("no file matches"),
              std::string::npos);
    EXPECT_NE(Error("[component1]\nname=P\nfiles=tre*\n").find("name a folder"), std::string::npos);
    EXPECT_NE(Error("[component2]\nname=P\nfiles=one.dll\n").find("without gaps"),
              std::string::npos);
    EXPECT_NE(Error("[component1]\nname=P\n").find("no files"), std::string::npos);
    EXPECT_NE(Error("[component1]\nname=P\nfiles=one.dll\nfolder=x\n").find("folder"),
              std::string::npos);
    EXPECT_NE(Error("[component1]\nname=P\nfiles=one.dll\n[Option_1]\nf1=x\n"), "");
    EXPECT_NE(Error("[component1]\nname=P\nfiles=one.dll\n[corvid]\nversion=219\n"), "");
    EXPECT_NE(Error("[component1]\nname=P\nfiles=one.dll -> bin%\n"), "");
    EXPECT_NE(Error("[pack]\nmode=2\n[component1]\nname=P\nfiles=one.dll\n"), "");
    EXPECT_NE(Error("[pack]\nvolume=huge\n[component1]\nname=P\nfiles=one.dll\n"), "");
}

TEST_F(PackProject, TargetsAreComparedWithoutCaseWithinAComponent) {
    // Directories that differ in case only are one row; the files in them share its index.
    Project p = Load("[component1]\nname=P\nfiles=tree/a.txt -> \\Docs\nfiles2=tree/sub/b.txt -> "
                     "\\DOCS\\\n[component2]\nname=Q\nfiles=tree/a.txt -> \\docs\\\n");
    const Component& c = p.components[0];
    EXPECT_EQ(c.dirs, (std::vector<std::string>{"\\Docs\\"}));
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(c.files[0].dirIndex, 1);
    EXPECT_EQ(c.files[1].dirIndex, 1);
    // Another component may install a file of the same name there: it has rows of its own.
    EXPECT_EQ(p.components[1].dirs, (std::vector<std::string>{"\\docs\\"}));
    EXPECT_EQ(p.components[1].files[0].dirIndex, 1);
    // Within one component two files installed as the same name are refused, naming both.
    const std::string twice =
        Error("[component1]\nname=P\nfiles=tree/a.txt -> \\x\nfiles2=tree/sub/b.txt -> "
              "\\y\nfiles3=tree/a.txt -> \\X\\\n");
    EXPECT_NE(twice.find("would both be installed as \\X\\a.txt"), std::string::npos) << twice;
    EXPECT_NE(twice.find("tree/a.txt and "), std::string::npos) << twice;
}

TEST_F(PackProject, NamesTheSetupCannotStoreAreNamedInTheError) {
    Write("tree/bad:name.txt", "x");
    std::string e = Error("[component1]\nname=P\nfiles=tree\n");
    EXPECT_NE(e.find("bad:name.txt"), std::string::npos);
    EXPECT_NE(e.find("[component1] files"), std::string::npos);
    fs::remove(dir_ / "tree/bad:name.txt");
    Write("tree/A.TXT", "x");
    EXPECT_NE(Error("[component1]\nname=P\nfiles=tree\n").find("both"), std::string::npos);
}

} // namespace
} // namespace corvid::pack
