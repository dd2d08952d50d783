// corvid-inf check on small hand-made distributions: it reads them as the setup does, so it
// accepts what the setup installs and reports what the setup would read differently.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "pack/check.h"
#include "setupinf/media_reader.h"
#include "test_folder.h"

namespace fs = std::filesystem;

namespace corvid::pack {
namespace {

class PackCheck : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestFolder("corvid-check-test-");
        fs::create_directories(dir_ / "dist");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A distribution in mode 0 whose component 1 installs the given files, laid one after the
    // other into the volume zdata_01.dsk; rows and extra lines go into setup.inf as they are.
    void Distribute(const std::vector<std::pair<std::string, int>>& files, const std::string& rows,
                    const std::string& extra = "") {
        std::string volume, option = "[Option_1]\r\n";
        for (size_t j = 0; j < files.size(); ++j) {
            const std::string n = std::to_string(j + 1), data = "data of " + files[j].first;
            option += "f" + n + "=" + files[j].first + "\r\nd" + n + "=" +
                      std::to_string(files[j].second) + "\r\ns" + n + "=01\r\np" + n + "=" +
                      std::to_string(volume.size()) + "\r\nz" + n + "=" +
                      std::to_string(data.size()) + "\r\n";
            volume += data;
        }
        Write("zdata_01.dsk", volume);
        Write("setup.inf", "[corvid]\r\nversion=220\r\n[software]\r\nmedium=1\r\nuniyes=0\r\n"
                           "Opt1_name=Main\r\nOpt1_space=100000\r\n[directories]\r\n" +
                               rows + option + extra);
    }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / "dist" / name, std::ios::binary) << bytes;
    }
    CheckReport Check() {
        return CheckDistribution((dir_ / "dist").string(), (dir_ / "out").string());
    }
    static std::string FindingAt(const CheckReport& r, const std::string& section,
                                 const std::string& key) {
        for (const Finding& f : r.findings)
            if (f.section == section && f.key == key) return f.message;
        return "";
    }
    static std::string Errors(const CheckReport& r) {
        std::string all;
        for (const Finding& f : r.findings)
            if (f.error) all += f.Where() + f.message + "\n";
        return all;
    }
    std::string Extracted(const fs::path& rel) {
        std::ifstream in(dir_ / "out" / rel, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return in ? ss.str() : "<missing>";
    }
    fs::path dir_;
};

TEST_F(PackCheck, TakesTheWholeDirectoryAfterSystemRootAsTheSetupDoes) {
    const std::string deep(40, 'a');
    Distribute({{"x.dll", 1}}, "total=1\r\nd1_1=%SystemRoot%\\" + deep + "\\\r\n");
    const CheckReport r = Check();
    EXPECT_EQ(Errors(r), "");
    EXPECT_EQ(Extracted(fs::path("SystemRoot") / deep / "x.dll"), "data of x.dll");
}

TEST_F(PackCheck, SystemRootInsideAValueIsPlacedWhereTheSetupPutsIt) {
    // The setup takes any value holding %SystemRoot% for one below the Windows directory and
    // drops its first 12 characters: "\data\%SystemRoot%\sys\" lands at the Windows directory
    // followed by "mRoot%\sys\". Row 2 lies beyond the total, but such a row is made with its
    // file, not by the directory rows.
    const std::string rows = "d1_1=\\bin\\\r\nd1_2=\\data\\%SystemRoot%\\sys\\\r\n";
    Distribute({{"y.dll", 2}}, "total=1\r\n" + rows);
    CheckReport r = Check();
    EXPECT_EQ(FindingAt(r, "Option_1", "d1"), "");
    EXPECT_EQ(Extracted(fs::path("SystemRootmRoot%") / "sys" / "y.dll"), "data of y.dll");
    // Where the row is checked, the value is refused: %SystemRoot% must begin it.
    Distribute({{"y.dll", 2}}, "total=2\r\n" + rows);
    r = Check();
    EXPECT_NE(FindingAt(r, "directories", "d1_2").find("must begin"), std::string::npos)
        << Errors(r);
}

TEST_F(PackCheck, AssociationsAreReadAsTheSetupReadsThem) {
    // The setup opens file f of [Option_<o>] with o and f as written: "01" is another section
    // and another key than "1".
    Distribute({{"tool.exe", 0}}, "total=0\r\n",
               "[extensions]\r\ntotal=3\r\ne1=abc\r\no1=01\r\nf1=1\r\ne2=def\r\no2=1\r\nf2=01\r\n"
               "e3=ghi\r\no3=1\r\nf3=1\r\n");
    const CheckReport r = Check();
    EXPECT_NE(FindingAt(r, "extensions", "o1").find("[Option_01] f1"), std::string::npos)
        << Errors(r);
    EXPECT_NE(FindingAt(r, "extensions", "f2").find("[Option_1] f01"), std::string::npos)
        << Errors(r);
    EXPECT_EQ(FindingAt(r, "extensions", "o3") + FindingAt(r, "extensions", "f3"), "");
}

TEST_F(PackCheck, FollowsTheDataIntoTheNextVolume) {
    // 4096 bytes, two whole blocks, in the first volume; the rest in the second.
    const std::string data(5000, 'q');
    Write("zdata_01.dsk", data.substr(0, 4096));
    Write("zdata_02.dsk", data.substr(4096));
    Write("setup.inf", "[corvid]\r\nversion=220\r\n[software]\r\nmedium=1\r\nuniyes=0\r\n"
                       "Opt1_name=Main\r\nOpt1_space=100000\r\n[directories]\r\ntotal=0\r\n"
                       "[Option_1]\r\nf1=big.bin\r\nd1=0\r\ns1=01\r\np1=0\r\nz1=5000\r\n"
                       "f2=more.bin\r\nd2=0\r\ns2=02\r\np2=898\r\nz2=10\r\n");
    CheckReport r = Check();
    EXPECT_EQ(FindingAt(r, "Option_1", "z1"), "");
    EXPECT_EQ(Extracted("big.bin"), data);
    EXPECT_NE(FindingAt(r, "Option_1", "z2")
                  .find("4 of its 10 bytes would come from "
                        "zdata_03.dsk"),
              std::string::npos)
        << Errors(r);
}

} // namespace
} // namespace corvid::pack

namespace corvid::pack {
namespace {

TEST_F(PackCheck, ChecksumsFindADamagedByteAndOnlyWhenGiven) {
    // "data of a.txt" and "data of b.txt", one after the other in zdata_01.dsk.
    const std::string sums = "c1=" + ChecksumText(Crc32(0, "data of a.txt", 13)) +
                             "\r\nc2=" + ChecksumText(Crc32(0, "data of b.txt", 13)) + "\r\n";
    Distribute({{"a.txt", 0}, {"b.txt", 0}}, "total=0\r\n", sums);
    EXPECT_EQ(Errors(Check()), "");

    // One byte of b.txt damaged on the medium.
    Write("zdata_01.dsk", "data of a.txtdata of b.tXt");
    CheckReport r = Check();
    EXPECT_EQ(FindingAt(r, "Option_1", "c1"), "");
    EXPECT_NE(FindingAt(r, "Option_1", "c2").find("zdata_01.dsk does not match its checksum"),
              std::string::npos)
        << Errors(r);

    // Without the keys nothing is checked; a malformed one says so.
    Distribute({{"a.txt", 0}}, "total=0\r\n", "c1=xyz\r\n");
    Write("zdata_01.dsk", "data of A.txt");
    r = Check();
    EXPECT_NE(FindingAt(r, "Option_1", "c1").find("eight hexadecimal digits"), std::string::npos);
}

} // namespace
} // namespace corvid::pack
