#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "fake_platform.h"
#include "setupinf/profile.h"
#include "setupinf/setup_description.h"
#include "setupinf/values.h"

using namespace corvid;

TEST(IntegerRule, AcceptsDecimalAndBothHexForms) {
    EXPECT_EQ(ParseInteger("0x1F", 7), 31);
    EXPECT_EQ(ParseInteger("0X1f", 7), 31);
    EXPECT_EQ(ParseInteger("$1F", 7), 31);
    EXPECT_EQ(ParseInteger("-5", 7), -5);
    EXPECT_EQ(ParseInteger("+5", 7), 5);
    EXPECT_EQ(ParseInteger("  12", 7), 12);
    EXPECT_EQ(ParseInteger("$FFFFFFFF", 7), -1);
    EXPECT_EQ(ParseInteger("$80000000", 7), INT32_MIN);
    EXPECT_EQ(ParseInteger("2147483647", 7), 2147483647);
    EXPECT_EQ(ParseInteger("-2147483647", 7), -2147483647);
    EXPECT_EQ(ParseInteger("000000000000042", 7), 42);
}

TEST(IntegerRule, MalformedTextGivesTheDefault) {
    for (const char* bad : {"", "0x", "1F", "12abc", "-$5", "+$5", "2147483648", "-2147483648",
                            "$123456789", "$", "-", "12 ", "0x-5", "yes", "true", "1.5"})
        EXPECT_EQ(ParseInteger(bad, 7), 7) << bad;
}

TEST(SourceFolder, IsTheProgramsDirectoryWithOneBackslash) {
    EXPECT_EQ(SourceFolderOf("D:\\DISK1\\setup.exe"), "D:\\DISK1\\");
    EXPECT_EQ(SourceFolderOf("A:\\setup.exe"), "A:\\");
    EXPECT_EQ(SourceFolderOf("A:setup.exe"), "A:\\");
    EXPECT_EQ(FileNamePart("D:\\pics\\logo.bm_"), "logo.bm_");
    EXPECT_EQ(FileNamePart("D:logo.bm_"), "logo.bm_");
}

namespace {
std::string Read(const std::string& ini, const std::string& s, const std::string& k,
                 const std::string& d = "<d>") {
    ProfileData data(ini);
    bool quotable = true;
    const std::string* value = data.Find(s, k, &quotable);
    return ProfileResult(value, d, true, quotable);
}
} // namespace

TEST(ProfileReader, ReadsLikeTheSystem) {
    std::string ini = "k0=before\r\n[Sec]\r\n  Key  =  value  \r\nkey=second\r\nq=\"quoted\"\n"
                      "s='single'\nu=\"unmatched\nempty=\nnoeq\n=v\n[sec]\nother=x\n"
                      "[ ]\nblank=1\n;c=comment\n";
    EXPECT_EQ(Read(ini, "SEC", "key"), "value");     // case, blanks, first wins
    EXPECT_EQ(Read(ini, " sec ", " KEY "), "value"); // the asked names are trimmed
    EXPECT_EQ(Read(ini, "sec", "q"), "quoted");
    EXPECT_EQ(Read(ini, "sec", "s"), "single");
    EXPECT_EQ(Read(ini, "sec", "u"), "\"unmatched");
    EXPECT_EQ(Read(ini, "sec", "empty"), "");
    EXPECT_EQ(Read(ini, "sec", "noeq"), "<d>");  // a line without "=" has no value
    EXPECT_EQ(Read(ini, "sec", "other"), "<d>"); // only the first section is searched
    EXPECT_EQ(Read(ini, "", "k0"), "before");    // keys before any section: section ""
    EXPECT_EQ(Read(ini, " ", "blank"), "<d>");   // which hides "[ ]"
    EXPECT_EQ(Read(ini, "sec", ";c"), "<d>");
    EXPECT_EQ(Read(ini, "sec", "missing", "\"dq\""), "dq"); // defaults lose quotes too
    EXPECT_EQ(Read(ini, "sec", "missing", "d  "), "d");     // and trailing blanks
}

TEST(ProfileReader, NamesAsTheSystemComparesThem) {
    // Header names lose their blanks; letter case is folded for ASCII letters only.
    // Windows-1252 in octal: \366 o-umlaut, \326 its capital, \337 sharp s, \304 and \344 A-umlaut.
    const std::string size = "Gr\366\337e", sizeUpper = "GR\326\337E";
    const std::string apples = "\304pfel", applesLower = "\344pfel";
    std::string ini = "[ x ]\nk=1\n[x]\nk=2\n[" + size + "]\n" + apples + "=3\nAB=4\n";
    EXPECT_EQ(Read(ini, "X", "k"), "1");
    EXPECT_EQ(Read(ini, "gr\366\337E", "\304PFEL"), "3");
    EXPECT_EQ(Read(ini, sizeUpper, apples), "<d>");
    EXPECT_EQ(Read(ini, size, applesLower), "<d>");
    EXPECT_EQ(Read(ini, size, "ab"), "4");
}

TEST(ProfileReader, ReadsUnicodeFilesInTheCodePage) {
    // UTF-16 little-endian with its byte-order mark.
    auto utf16 = [](const std::u16string& t) {
        std::string b = "\xFF\xFE";
        for (char16_t c : t) b += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        return b;
    };
    std::string ini = utf16(u"[s]\r\nq=\"v\"\r\nu=\u00e4\u0100\u4e2d\r\n"
                            u"w=\uff02x\uff02\r\nk\u0101=1\r\nka=2\r\n");
    EXPECT_EQ(Read(ini, "S", "q"), "v");
    EXPECT_EQ(Read(ini, "s", "u"), "\344A?"); // the code page's own, a best fit, none
    EXPECT_EQ(Read(ini, "s", "w"), "\"x\"");  // full-width quotes are no quotes
    EXPECT_EQ(Read(ini, "s", "ka"), "2");     // the key with the macron a is no "ka"
    // UTF-8 with its mark; a broken sequence reads as one "?".
    EXPECT_EQ(Read("\xEF\xBB\xBF[s]\nk=\xC3\xA4\xC3x\n", "s", "k"), "\xE4?x");
    // Without a mark the bytes are the code page's.
    EXPECT_EQ(Read("[s]\nk=\xC3\xA4\n", "s", "k"), "\xC3\xA4");
}

TEST(ProfileReader, MissingFileGivesTheDefault) {
    FakePlatform p;
    p.WriteFile("C:\\dir\\other.ini", "[s]\nk=v\n");
    // A missing file in an existing folder reads as an empty file: the default loses its quotes.
    EXPECT_EQ(p.ProfileString("C:\\dir\\none.ini", "s", "k", "\"q\""), "q");
    // A missing folder makes the file unopenable: the default stays as it is, but for its trailing
    // blanks.
    EXPECT_EQ(p.ProfileString("C:\\nodir\\none.ini", "s", "k", "\"q\"  "), "\"q\"");
}

TEST(ProfileReader, CutsLongValuesAt1023Characters) {
    std::string longValue(1500, 'x');
    EXPECT_EQ(Read("[s]\nk=" + longValue + "\n", "s", "k").size(), 1023u);
    // A quoted value that does not fit keeps no closing quote to remove.
    std::string q = "\"" + std::string(1023, 'y') + "\"";
    EXPECT_EQ(Read("[s]\nk=" + q + "\n", "s", "k"), std::string(1022, 'y'));
    q = "\"" + std::string(1022, 'y') + "\"";
    EXPECT_EQ(Read("[s]\nk=" + q + "\n", "s", "k"), std::string(1022, 'y'));
}

TEST(SetupDescriptionReader, TypesAndChangedFiles) {
    FakePlatform p;
    p.WriteFile("D:\\setup.inf", "[a]\ni=0x1F\nb=-1\nz=0\nt=true\ne=\ns=\"hi\"\n");
    SetupDescription d(p, "D:\\setup.inf");
    EXPECT_EQ(d.ReadInteger("a", "i", 0), 31);
    EXPECT_TRUE(d.ReadBool("a", "b", false));
    EXPECT_FALSE(d.ReadBool("a", "z", true));
    EXPECT_TRUE(d.ReadBool("a", "t", true));
    EXPECT_FALSE(d.ReadBool("a", "t", false));
    EXPECT_EQ(d.ReadString("a", "e", "dflt"), "");
    EXPECT_EQ(d.ReadInteger("a", "e", 9), 9);
    EXPECT_EQ(d.ReadString("a", "s", ""), "hi");
    p.WriteFile("D:\\setup.inf", "[a]\ni=12345\n");
    EXPECT_EQ(d.ReadInteger("a", "i", 0), 12345);
    SetupDescription missing(p, "D:\\none.inf");
    EXPECT_EQ(missing.ReadString("a", "i", "_"), "_");
    // Within one look the file is read as it was at the first look-up, then afresh again.
    {
        const SetupDescription::OneLook one(d);
        EXPECT_EQ(d.ReadInteger("a", "i", 0), 12345);
        p.WriteFile("D:\\setup.inf", "[a]\ni=7\n");
        EXPECT_EQ(d.ReadInteger("a", "i", 0), 12345);
        {
            const SetupDescription::OneLook inner(d);
            EXPECT_EQ(d.ReadInteger("a", "i", 0), 12345);
        }
        EXPECT_EQ(d.ReadInteger("a", "i", 0), 12345);
    }
    EXPECT_EQ(d.ReadInteger("a", "i", 0), 7);
    {
        const SetupDescription::OneLook one(missing);
        EXPECT_EQ(missing.ReadString("a", "i", "_"), "_");
        p.WriteFile("D:\\none.inf", "[a]\ni=1\n");
        EXPECT_EQ(missing.ReadString("a", "i", "_"), "_");
    }
    EXPECT_EQ(missing.ReadString("a", "i", "_"), "1");
}

TEST(ProfileWriter, ReplacesAddsAndAppends) {
    FakePlatform p;
    p.WriteFile("C:\\x.ini", "[A]\nk=1\n[B]\nm=2\n");
    ASSERT_TRUE(p.WriteProfileString("C:\\x.ini", "a", "K", "9"));
    ASSERT_TRUE(p.WriteProfileString("C:\\x.ini", "a", "new", "n"));
    ASSERT_TRUE(p.WriteProfileString("C:\\x.ini", "C", "z", "3"));
    EXPECT_EQ(p.ProfileString("C:\\x.ini", "A", "k", ""), "9");
    EXPECT_EQ(p.ProfileString("C:\\x.ini", "A", "new", ""), "n");
    EXPECT_EQ(p.ProfileString("C:\\x.ini", "B", "m", ""), "2");
    EXPECT_EQ(p.ProfileString("C:\\x.ini", "c", "z", ""), "3");
}

TEST(ProfileEditor, AUtf16FileIsRefusedRatherThanCorrupted) {
    const std::string path = ::testing::TempDir() + "corvid-utf16.ini";
    for (const char* mark : {"\xFF\xFE", "\xFE\xFF"}) {
        const std::string bytes = std::string(mark) + std::string("[\0a\0]\0", 6);
        std::ofstream(path, std::ios::binary) << bytes;
        EXPECT_FALSE(corvid::WriteProfileStringFile(path, "s", "k", "v"));
        std::ifstream in(path, std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), bytes);
    }
    std::remove(path.c_str());
}
