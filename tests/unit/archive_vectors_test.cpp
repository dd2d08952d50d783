// The shared archive vectors (LZH data from an independent encoder) expand exactly.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "archive/compress.h"
#include "archive_testutil.h"
#include "fake_platform.h"
#include "setupinf/profile.h"

namespace corvid {
namespace {

struct ManifestRow {
    std::string archive, name;
    int method;
    size_t size;
    std::string sha256;
    uint32_t dosTime;
    uint32_t attributes;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<ManifestRow> Manifest() {
    std::vector<ManifestRow> rows;
    std::istringstream in(Slurp(std::string(CORVID_TESTDATA) + "/archives/MANIFEST.tsv"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream f(line);
        ManifestRow r;
        std::string method, size, time, attr;
        std::getline(f, r.archive, '\t');
        std::getline(f, r.name, '\t');
        std::getline(f, method, '\t');
        std::getline(f, size, '\t');
        std::getline(f, r.sha256, '\t');
        std::getline(f, time, '\t');
        std::getline(f, attr, '\t');
        r.method = std::stoi(method);
        r.size = std::stoul(size);
        r.dosTime = static_cast<uint32_t>(std::stoul(time, nullptr, 16));
        r.attributes = static_cast<uint32_t>(std::stoul(attr, nullptr, 16));
        rows.push_back(r);
    }
    return rows;
}

TEST(ArchiveVectors, EveryMemberExpandsWithSizeHashDateAndAttributes) {
    std::vector<ManifestRow> rows = Manifest();
    ASSERT_EQ(rows.size(), 19u);
    std::map<std::string, std::vector<ManifestRow>> byArchive;
    for (const auto& r : rows) byArchive[r.archive].push_back(r);

    for (const auto& [archive, members] : byArchive) {
        SCOPED_TRACE(archive);
        FakePlatform p;
        p.WriteFile("D:\\" + archive, Slurp(std::string(CORVID_TESTDATA) + "/archives/" + archive));
        TCompress c(p);
        c.SetTargetPath("C:\\out");
        c.MakeDirectories = true;
        // Progress per output path, and which member is being decoded.
        std::string current;
        std::map<std::string, std::vector<int32_t>> progress;
        c.OnCheckFile = [&](std::string& path, TCProcessMode mode) {
            EXPECT_EQ(mode, TCProcessMode::cmExpand);
            current = path;
        };
        c.OnShowProgress = [&](int32_t& pct) { progress[current].push_back(pct); };

        std::vector<std::string> list;
        for (const auto& m : members) list.push_back(m.name);
        c.ExpandArchive("D:\\" + archive, &list);

        ASSERT_EQ(list.size(), members.size());
        for (size_t i = 0; i < members.size(); ++i) {
            const ManifestRow& m = members[i];
            SCOPED_TRACE(m.name);
            const std::string path = "C:\\out\\" + m.name;
            EXPECT_EQ(list[i], path);
            std::string bytes = p.ReadFile(path);
            EXPECT_EQ(bytes.size(), m.size);
            EXPECT_EQ(test::Sha256Hex(bytes), m.sha256);
            EXPECT_EQ(p.dosTimes[FoldCase(path)], m.dosTime);
            EXPECT_EQ(p.attributes[FoldCase(path)], m.attributes);
            const std::vector<int32_t>& seen = progress[path];
            if (m.method == kStored) {
                EXPECT_TRUE(seen.empty());
            } else if (m.size > 0) {
                ASSERT_FALSE(seen.empty());
                for (size_t k = 1; k < seen.size(); ++k) EXPECT_LE(seen[k - 1], seen[k]);
                EXPECT_EQ(seen.back(), 100);
            }
        }
    }
}

TEST(ArchiveVectors, SingleMembersAreFoundByNameAsExpandFileReturnsThem) {
    // Through ExpandFile as the setup calls it, with a request that differs in letter case.
    FakePlatform p;
    p.WriteFile("D:\\lzh.arc", Slurp(std::string(CORVID_TESTDATA) + "/archives/lzh-multi.arc"));
    p.CreateDir("C:\\temp");
    TCompress c(p);
    c.OnCheckFile = [](std::string& path, TCProcessMode) { path = "C:\\temp\\cvd.bmp"; };
    std::string fileSpec = "FAR.TXT";
    c.ExpandFile(fileSpec, "D:\\lzh.arc");
    EXPECT_EQ(fileSpec, "C:\\temp\\cvd.bmp");
    EXPECT_EQ(test::Sha256Hex(p.ReadFile(fileSpec)),
              "d4e266d8330fb39b95de55b2fe05762b8615c5391ce74268b1db690bea30434c");

    fileSpec = "missing.txt";
    c.ExpandFile(fileSpec, "D:\\lzh.arc");
    EXPECT_EQ(fileSpec, "");
}

TEST(ArchiveVectors, OurLzhEncoderStaysNearTheIndependentOne) {
    // Re-pack every LZH member and compare with the packed sizes in the vector archive.
    FakePlatform p;
    const std::string arc = Slurp(std::string(CORVID_TESTDATA) + "/archives/lzh-multi.arc");
    test::MemoryStream src(arc);
    ReadArchiveHeader(src);
    MemberHeader h;
    int64_t theirs = 0, ours = 0;
    TCompress c(p);
    while (ReadMemberHeader(src, h)) {
        test::MemoryStream out;
        c.ExpandMember(out, src, h, "LZH");
        std::string packed = PackData(kLzh, out.data);
        theirs += h.packedSize;
        ours += static_cast<int64_t>(packed.size());
        // Ours decodes back exactly.
        test::MemoryStream again;
        test::MemoryStream packedStream(packed);
        MemberHeader mine = h;
        mine.packedSize = static_cast<int32_t>(packed.size());
        c.ExpandMember(again, packedStream, mine, "LZH");
        EXPECT_EQ(again.data, out.data) << h.name;
    }
    EXPECT_LE(ours, theirs * 102 / 100) << "ours " << ours << " theirs " << theirs;
    RecordProperty("ours", static_cast<int>(ours));
    RecordProperty("theirs", static_cast<int>(theirs));
}

} // namespace
} // namespace corvid
