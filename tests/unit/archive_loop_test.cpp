// The member loop of the archive component: selection, output paths, space, directories,
// failures, and damaged member records.
#include <gtest/gtest.h>

#include "archive/compress.h"
#include "archive_testutil.h"
#include "fake_platform.h"
#include "setupinf/profile.h"

namespace corvid {
namespace {

using test::BuildArchive;
using test::Member;
using test::RawHeader;
using test::RawMember;
using test::StoredHeader;

class ArchiveLoop : public ::testing::Test {
protected:
    // Expands the archive bytes; returns the list of files written.
    std::vector<std::string> Expand(const std::string& bytes,
                                    std::vector<std::string> wanted = {}) {
        p.WriteFile("D:\\a.arc", bytes);
        if (wanted.empty()) {
            std::vector<std::string> written;
            c.OnCheckFile = [&, prev = c.OnCheckFile](std::string& path, TCProcessMode m) {
                if (prev) prev(path, m);
                if (!path.empty() && path != "*") written.push_back(path);
            };
            c.ExpandArchive("D:\\a.arc", nullptr);
            return written;
        }
        c.ExpandArchive("D:\\a.arc", &wanted);
        return wanted;
    }
    FakePlatform p;
    TCompress c{p};
};

TEST_F(ArchiveLoop, TheWorkedExampleBytesExpand) {
    const std::string bytes = std::string("MORV\x1A"
                                          "NON\x03\x00\x00\x00\x01",
                                          13) +
                              std::string(8, '\0') +
                              std::string("\x05\x00\xC0\x63\xCF\x24\x20\x00\x03\x00\x00\x00"
                                          "\x03\x00\x00\x00\x00\x26\x01\x00\x00\x00\x00\x00\x00",
                                          25) +
                              "a.txtabc";
    c.SetTargetPath("C:\\");
    EXPECT_EQ(Expand(bytes, {"a.txt"}), std::vector<std::string>{"C:\\a.txt"});
    EXPECT_EQ(p.ReadFile("C:\\a.txt"), "abc");
    EXPECT_EQ(p.dosTimes[FoldCase("C:\\a.txt")], 0x24CF63C0u);
    EXPECT_EQ(p.attributes[FoldCase("C:\\a.txt")], 0x20u);
}

TEST_F(ArchiveLoop, TargetPathSetterAddsOneBackslash) {
    EXPECT_EQ(c.TargetPath(), "");
    c.SetTargetPath("C:\\x");
    EXPECT_EQ(c.TargetPath(), "C:\\x\\");
    c.SetTargetPath("C:\\y\\");
    EXPECT_EQ(c.TargetPath(), "C:\\y\\");
    c.SetTargetPath("");
    EXPECT_EQ(c.TargetPath(), "");
    EXPECT_FALSE(c.MakeDirectories);
    EXPECT_EQ(c.Key, 0);
    EXPECT_FALSE(c.ExceptionOnFileError);
}

TEST_F(ArchiveLoop, SelectionByNameSkipsOthersAndIgnoresCase) {
    const std::string arc = BuildArchive({{"one.txt", "first", kLzh},
                                          {"Two.TXT", std::string(20000, 'x'), kRle},
                                          {"three.txt", "third member", kStored}});
    c.SetTargetPath("C:\\");
    EXPECT_EQ(Expand(arc, {"THREE.TXT", "two.txt"}),
              (std::vector<std::string>{"C:\\Two.TXT", "C:\\three.txt"}));
    EXPECT_EQ(p.ReadFile("C:\\three.txt"), "third member");
    EXPECT_EQ(p.ReadFile("C:\\two.txt"), std::string(20000, 'x'));
    EXPECT_FALSE(p.FileExists("C:\\one.txt"));
}

TEST_F(ArchiveLoop, ABackslashNameIgnoresTargetPath) {
    c.SetTargetPath("C:\\target");
    p.CreateDir("C:\\target");
    p.CreateDir("C:\\abs");
    EXPECT_EQ(Expand(BuildArchive({{"\\abs\\f.txt", "x"}, {"rel.txt", "y"}})),
              (std::vector<std::string>{"\\abs\\f.txt", "C:\\target\\rel.txt"}));
    EXPECT_EQ(p.ReadFile("C:\\abs\\f.txt"), "x");
    EXPECT_EQ(p.ReadFile("C:\\target\\rel.txt"), "y");
}

TEST_F(ArchiveLoop, TheHeaderTotalStopsAfterTheMemberThatReachesIt) {
    std::string arc = RawHeader("NON", 5) + RawMember(StoredHeader("a", "abc"), "abc") +
                      RawMember(StoredHeader("b", "de"), "de") +
                      RawMember(StoredHeader("c", "fgh"), "fgh");
    c.SetTargetPath("C:\\");
    EXPECT_EQ(Expand(arc, {"a", "b", "c"}), (std::vector<std::string>{"C:\\a", "C:\\b"}));
    EXPECT_FALSE(p.FileExists("C:\\c"));
}

TEST_F(ArchiveLoop, TrailingEmptyMembersOfOurArchivesAreReached) {
    c.SetTargetPath("C:\\");
    EXPECT_EQ(Expand(BuildArchive({{"a", "abc"}, {"e1", ""}, {"e2", "", kLzh}})),
              (std::vector<std::string>{"C:\\a", "C:\\e1", "C:\\e2"}));
    EXPECT_TRUE(p.FileExists("C:\\e2"));
    EXPECT_EQ(p.ReadFile("C:\\e2"), "");
}

TEST_F(ArchiveLoop, AnEmptyStoredMemberGetsDateAndAttributes) {
    Member m{"empty.txt", "", kStored, 0x12345678, 0x21};
    c.SetTargetPath("C:\\");
    Expand(BuildArchive({m, {"after", "z"}}), {"empty.txt"});
    ASSERT_TRUE(p.FileExists("C:\\empty.txt"));
    EXPECT_EQ(p.ReadFile("C:\\empty.txt"), "");
    EXPECT_EQ(p.dosTimes[FoldCase("C:\\empty.txt")], 0x12345678u);
    EXPECT_EQ(p.attributes[FoldCase("C:\\empty.txt")], 0x21u);
}

TEST_F(ArchiveLoop, CheckFileCanRedirectSkipOrStop) {
    const std::string arc = BuildArchive({{"a", "1"}, {"b", "22"}, {"c", "333"}, {"d", "4444"}});
    c.OnCheckFile = [](std::string& path, TCProcessMode) {
        if (path == "a") path = "C:\\x\\renamed";
        if (path == "b") path.clear();
        if (path == "c") path = "C:\\c";
        if (path == "d") path = "*";
    };
    p.CreateDir("C:\\x");
    EXPECT_EQ(Expand(arc, {"a", "b", "c", "d"}),
              (std::vector<std::string>{"C:\\x\\renamed", "C:\\c"}));
    EXPECT_EQ(p.ReadFile("C:\\x\\renamed"), "1");
    EXPECT_FALSE(p.FileExists("C:\\b"));

    // ExpandFile reports an empty path for a member that was skipped.
    std::string fileSpec = "b";
    c.ExpandFile(fileSpec, "D:\\a.arc");
    EXPECT_EQ(fileSpec, "");
}

TEST_F(ArchiveLoop, AnOutputFileThatCannotBeCreatedIsSkippedOrRaises) {
    const std::string arc = BuildArchive({{"missing\\dir\\f.txt", "abc"}, {"ok.txt", "def"}});
    c.SetTargetPath("C:\\");
    EXPECT_EQ(Expand(arc, {"missing\\dir\\f.txt", "ok.txt"}),
              std::vector<std::string>{"C:\\ok.txt"});
    EXPECT_EQ(p.ReadFile("C:\\ok.txt"), "def");

    c.ExceptionOnFileError = true;
    try {
        Expand(arc, {"missing\\dir\\f.txt"});
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "Kann Datei C:\\missing\\dir\\f.txt nicht erstellen");
    }

    c.MakeDirectories = true;
    EXPECT_EQ(Expand(arc, {"missing\\dir\\f.txt"}),
              std::vector<std::string>{"C:\\missing\\dir\\f.txt"});
    EXPECT_EQ(p.ReadFile("C:\\missing\\dir\\f.txt"), "abc");
}

TEST_F(ArchiveLoop, DiskSpaceCountsAnExistingFile) {
    const std::string big(5000, 'b');
    const std::string arc = BuildArchive({{"f.bin", big, kLzh}});
    c.SetTargetPath("C:\\");
    p.diskFree['C'] = 1000;
    try {
        Expand(arc, {"f.bin"});
        FAIL() << "no error";
    } catch (const EInsufficientDiskSpace& e) {
        EXPECT_STREQ(e.what(), "Not enough disk space to expand C:\\f.bin");
    }
    EXPECT_FALSE(p.FileExists("C:\\f.bin")); // raised before the file is created

    p.WriteFile("C:\\f.bin", std::string(4000, 'o')); // 1000 free + 4000 existing = 5000
    EXPECT_EQ(Expand(arc, {"f.bin"}), std::vector<std::string>{"C:\\f.bin"});
    EXPECT_EQ(p.ReadFile("C:\\f.bin"), big);

    // A failed query counts as -1 bytes: not even an empty member fits.
    p.diskFree['D'] = -1;
    c.SetTargetPath("");
    const std::string two = BuildArchive({{"D:\\e", ""}, {"D:\\f", "x"}});
    EXPECT_THROW(Expand(two, {"D:\\e"}), EInsufficientDiskSpace);
    EXPECT_THROW(Expand(two, {"D:\\f"}), EInsufficientDiskSpace);

    // A path without a drive letter uses the current drive.
    p.diskFree['C'] = 0;
    p.DeleteFile("C:\\f.bin");
    EXPECT_THROW(Expand(arc, {"f.bin"}), EInsufficientDiskSpace);
}

TEST_F(ArchiveLoop, HeaderFailuresComeBeforeAnyFile) {
    const std::string member = RawMember(StoredHeader("a", "abc"), "abc");
    c.SetTargetPath("C:\\");
    EXPECT_THROW(Expand("MORV\x1A", {"a"}), EInvalidHeader);
    EXPECT_THROW(Expand("MORX" + RawHeader("NON", 3).substr(4) + member, {"a"}), EInvalidHeader);
    EXPECT_THROW(Expand(RawHeader("NON", 3, 0) + member, {"a"}), EInvalidHeaderArchiveType);
    EXPECT_THROW(Expand(RawHeader("NON", 3, 2) + member, {"a"}), EInvalidHeaderArchiveType);
    EXPECT_THROW(Expand(RawHeader("lzh", 3) + member, {"a"}), EUnrecognizedCompressionMethod);
    EXPECT_THROW(Expand(RawHeader("CUS", 3) + member, {"a"}), EUnrecognizedCompressionMethod);
    EXPECT_FALSE(p.FileExists("C:\\a"));
    try {
        Expand(RawHeader("XYZ", 3) + member, {"a"});
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Unrecognized compression method in header");
    }
    try {
        Expand(RawHeader("NON", 3, 0) + member, {"a"});
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Expand can't handle caSingle archive type in compressed header");
    }
    try {
        Expand("", {"a"});
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Can't recognize compressed file header");
    }
}

TEST_F(ArchiveLoop, CompressIdsAndCustomMembers) {
    EXPECT_EQ(c.CheckCompressID("NON"), 0);
    EXPECT_EQ(c.CheckCompressID("RLE"), 1);
    EXPECT_EQ(c.CheckCompressID("LZH"), 2);
    EXPECT_THROW(c.CheckCompressID("ABC"), EUnrecognizedCompressionMethod);

    std::vector<std::string> asked;
    c.OnRecognize = [&](const std::string& id, bool& recognized) {
        asked.push_back(id);
        recognized = id == "ABC";
    };
    EXPECT_THROW(c.CheckCompressID("ABC"), EUnrecognizedCompressionMethod); // needs OnExpand too
    EXPECT_TRUE(asked.empty());

    struct Call {
        int32_t sourceSize, destSize;
        std::string id;
    };
    std::vector<Call> calls;
    c.OnExpand = [&](Stream& dest, Stream& source, int32_t ss, int32_t ds, const std::string& id,
                     int32_t& checksum) {
        calls.push_back({ss, ds, id});
        std::string buf(static_cast<size_t>(ss), '\0');
        source.Read(&buf[0], ss);
        for (char& ch : buf) ch = static_cast<char>(ch ^ 0x20); // the "custom" method
        dest.Write(buf.data(), ss);
        checksum =
            static_cast<int32_t>(ByteSum(reinterpret_cast<const uint8_t*>(buf.data()), buf.size()));
    };
    EXPECT_EQ(c.CheckCompressID("CUS"), 3);
    EXPECT_EQ(c.CheckCompressID("ABC"), 3);
    EXPECT_THROW(c.CheckCompressID("XYZ"), EUnrecognizedCompressionMethod);
    EXPECT_EQ(asked, (std::vector<std::string>{"ABC", "XYZ"}));

    MemberHeader h = StoredHeader("c.txt", "HELLO");
    h.method = kCustom;
    h.expandedSize = 99;
    h.checksum = static_cast<int32_t>(ByteSum(reinterpret_cast<const uint8_t*>("hello"), 5));
    c.SetTargetPath("C:\\");
    Expand(RawHeader("ABC", 100) + RawMember(h, "HELLO") + RawMember(StoredHeader("n", "x"), "x"),
           {"c.txt", "n"});
    EXPECT_EQ(p.ReadFile("C:\\c.txt"), "hello");
    EXPECT_EQ(p.ReadFile("C:\\n"), "x");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].sourceSize, 5);
    EXPECT_EQ(calls[0].destSize, 99);
    EXPECT_EQ(calls[0].id, "ABC");
}

TEST_F(ArchiveLoop, LockedMembersNeedAKeyAndLeaveNoFile) {
    MemberHeader h = StoredHeader("locked.txt", "secret");
    h.lock = 1;
    const std::string arc = RawHeader("NON", 6) + RawMember(h, "secret");
    c.SetTargetPath("C:\\");
    try {
        Expand(arc, {"locked.txt"});
        FAIL() << "no error";
    } catch (const EInvalidKey& e) {
        EXPECT_STREQ(e.what(), "File locked -- valid key required");
    }
    EXPECT_FALSE(p.FileExists("C:\\locked.txt"));
    c.Key = 7;
    Expand(arc, {"locked.txt"});
    EXPECT_EQ(p.ReadFile("C:\\locked.txt"), "secret");
}

TEST_F(ArchiveLoop, BadChecksumLeavesTheDecodedBytesWithoutDate) {
    MemberHeader h;
    h.name = "r.txt";
    h.method = kRle;
    h.attributes = 0x01;
    h.dosDateTime = 0x11111111;
    h.expandedSize = 5;
    h.packedSize = 3;
    h.checksum = 5 * 0x41 + 1;
    c.SetTargetPath("C:\\");
    try {
        Expand(RawHeader("RLE", 5) + RawMember(h, "\x41\x94\x05"), {"r.txt"});
        FAIL() << "no error";
    } catch (const EBadChecksum& e) {
        EXPECT_STREQ(e.what(), "Bad checksum during expansion -- data may be invalid");
    }
    EXPECT_EQ(p.ReadFile("C:\\r.txt"), "AAAAA");
    EXPECT_EQ(p.dosTimes.count(FoldCase("C:\\r.txt")), 0u);
    EXPECT_EQ(p.attributes[FoldCase("C:\\r.txt")], 0x01u);

    // Stored members carry no checked sum.
    MemberHeader s = StoredHeader("s.txt", "abc");
    s.checksum = 0;
    Expand(RawHeader("NON", 3) + RawMember(s, "abc"), {"s.txt"});
    EXPECT_EQ(p.ReadFile("C:\\s.txt"), "abc");
}

TEST_F(ArchiveLoop, AnUnknownMethodIsPassedOverByItsPackedSize) {
    MemberHeader odd = StoredHeader("odd", "");
    odd.method = 9;
    odd.packedSize = 30; // data that does not start a member record
    odd.expandedSize = 1;
    odd.checksum = 0;
    c.SetTargetPath("C:\\");
    Expand(RawHeader("NON", 100) + RawMember(odd, std::string(30, '\x7F')) +
               RawMember(StoredHeader("next", "n"), "n"),
           {"odd", "next"});
    EXPECT_EQ(p.ReadFile("C:\\odd"), "");
    EXPECT_EQ(p.ReadFile("C:\\next"), "n");
}

TEST_F(ArchiveLoop, WriteErrorsRaiseTheStreamMessage) {
    test::MemoryStream src(BuildArchive({{"big", test::Text(30000, 3), kLzh}}));
    ReadArchiveHeader(src);
    MemberHeader h;
    ASSERT_TRUE(ReadMemberHeader(src, h));
    test::MemoryStream dest;
    dest.writeLimit = 10000;
    try {
        c.ExpandMember(dest, src, h, "LZH");
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "Stream-Write-Fehler ");
    }
}

TEST_F(ArchiveLoop, AnArchiveThatCannotBeOpenedRaisesTheFileOpenError) {
    try {
        c.ExpandArchive("D:\\none.arc", nullptr);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "Kann Datei D:\\none.arc nicht \xF6"
                               "ffnen");
    }
}

// --- damaged member records

TEST_F(ArchiveLoop, NegativeSizesEndTheLoopLikeATruncatedHeader) {
    const std::string first = RawMember(StoredHeader("first", "111"), "111");
    const std::string later = RawMember(StoredHeader("later", "2"), "2");
    for (int field : {0, 8, 12}) { // name length, expanded size, packed size
        SCOPED_TRACE(field);
        std::string bad = RawMember(StoredHeader("bad", "bad"), "bad");
        if (field == 0)
            bad[1] = '\x80'; // int16 below zero
        else
            bad[static_cast<size_t>(field) + 3] = '\xF0';
        const std::string arc = RawHeader("NON", 1000) + first + bad + later;
        test::MemoryStream src(arc);
        std::vector<std::string> list{"first", "bad", "later"};
        c.SetTargetPath("C:\\");
        c.ExpandStream(src, &list);
        EXPECT_EQ(list, std::vector<std::string>{"C:\\first"});
        EXPECT_EQ(src.backwardSeeks, 0);

        // Passed over (not requested) it behaves the same.
        test::MemoryStream again(arc);
        std::vector<std::string> onlyLater{"later"};
        c.ExpandStream(again, &onlyLater);
        EXPECT_TRUE(onlyLater.empty());
        EXPECT_EQ(again.backwardSeeks, 0);
    }
}

TEST_F(ArchiveLoop, TruncatedHeadersAndNamesEndTheLoopQuietly) {
    const std::string arc = BuildArchive({{"a", "abc"}, {"b", "def"}});
    const size_t firstEnd = 21 + 25 + 1 + 3;
    c.SetTargetPath("C:\\");
    for (size_t cut = firstEnd; cut < arc.size() - 3; ++cut) {
        std::vector<std::string> list{"a", "b"};
        test::MemoryStream src(arc.substr(0, cut));
        c.ExpandStream(src, &list);
        EXPECT_EQ(list, std::vector<std::string>{"C:\\a"}) << cut;
    }
}

TEST_F(ArchiveLoop, DataCutShortByTheArchiveEndRaisesAReadError) {
    const std::string text = test::Text(20000, 9);
    c.SetTargetPath("C:\\");
    for (int method : {kStored, kRle, kLzh}) {
        SCOPED_TRACE(method);
        const std::string arc = BuildArchive({{"f", text, method}});
        for (size_t keep : {size_t{1}, size_t{100}, arc.size() - 47 - 100}) {
            test::MemoryStream src(arc.substr(0, 21 + 26 + keep));
            std::vector<std::string> list{"f"};
            try {
                c.ExpandStream(src, &list);
                FAIL() << "no error for " << keep;
            } catch (const RuntimeError& e) {
                EXPECT_STREQ(e.what(), "Stream-Read-Fehler");
            }
        }
    }
}

TEST_F(ArchiveLoop, AnInflatedLzhSizeEndsSoonWithABadChecksum) {
    {
        const std::string text = test::Text(3000, 4);
        std::string arc = BuildArchive({{"f", text, kLzh}});
        arc[21 + 8 + 3] = '\x70'; // expanded size near 1.9 GB
        arc[8 + 3] = '\x7F';      // and a header total that lets it run
        test::MemoryStream src(arc);
        std::vector<std::string> list{"f"};
        c.SetTargetPath("C:\\");
        p.diskFree['C'] = int64_t{1} << 40;
        EXPECT_THROW(c.ExpandStream(src, &list), EBadChecksum);
        EXPECT_LT(p.ReadFile("C:\\f").size(), text.size() + 64 * 8 * 60);
        EXPECT_EQ(p.ReadFile("C:\\f").substr(0, text.size()), text);
    }
}

} // namespace
} // namespace corvid
