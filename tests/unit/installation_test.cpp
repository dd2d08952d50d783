// The installation run in the progress window, the file transfer from the archive volumes and
// the uninstall log, on the fake platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "archive/compress.h"
#include "archive/encode.h"
#include "fake_platform.h"
#include "install/abort_dialog.h"
#include "install/file_transfer.h"
#include "install/progress_window.h"
#include "pack/layout.h"
#include "setupinf/media_reader.h"
#include "setupinf/profile.h"
#include "state/context.h"
#include "uninstall_log/log_format.h"

using namespace corvid;

namespace {

// Records what the progress window shows: activity texts and gauge positions, in order.
class Trace : public FormView {
public:
    void FormChanged(Form&) override {}
    void ControlChanged(Control& c) override {
        if (c.name == "Lbl_o" && (texts.empty() || texts.back() != c.text)) texts.push_back(c.text);
        if (c.name == "Pr_o") upper.push_back(c.position);
        if (c.name == "Pr_u") lower.push_back(c.position);
    }
    void Repaint(Form&) override {}
    void Focus(Control&) override {}
    void FocusForm(Form&) override {}
    std::vector<std::string> texts;
    std::vector<int> upper, lower;
};

// Bytes that differ from file to file and do not repeat within 5000.
std::string Data(size_t n, unsigned seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

// Text that packs well but not to nothing: words picked at random.
std::string Text(size_t n) {
    static const char* const words[] = {"setup ",   "corvid ",  "file ",   "volume ",
                                        "disk\r\n", "archive ", "member ", "gauge "};
    std::string s;
    uint32_t x = 7;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 8];
    }
    s.resize(n);
    return s;
}

// A setup description built section by section, sections in the order first named.
class Inf {
public:
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        auto& keys = sections_[Index(section)].second;
        for (auto& kv : keys)
            if (kv.first == key) {
                kv.second = value;
                return;
            }
        keys.emplace_back(key, value);
    }
    void Erase(const std::string& section, const std::string& key) {
        auto& keys = sections_[Index(section)].second;
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i].first == key) keys.erase(keys.begin() + static_cast<long>(i));
    }
    std::string Text() const {
        std::string out;
        for (auto& s : sections_) {
            out += "[" + s.first + "]\r\n";
            for (auto& kv : s.second) out += kv.first + "=" + kv.second + "\r\n";
        }
        return out;
    }

private:
    size_t Index(const std::string& section) {
        for (size_t i = 0; i < sections_.size(); ++i)
            if (sections_[i].first == section) return i;
        sections_.push_back({section, {}});
        return sections_.size() - 1;
    }
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
};

// The distribution's stream of volumes, laid out as the packer does.
class VolumeStream {
public:
    explicit VolumeStream(int64_t capacity) : layout_(capacity) {}
    pack::Placement Append(const std::string& bytes) {
        stream_ += bytes;
        return layout_.Place(static_cast<int64_t>(bytes.size()));
    }
    std::vector<std::string> Volumes() const {
        std::vector<std::string> out;
        const std::vector<int64_t> sizes = layout_.VolumeSizes();
        for (int v = 1; v <= layout_.VolumeCount(); ++v)
            out.push_back(stream_.substr(static_cast<size_t>(layout_.VolumeStart(v)),
                                         static_cast<size_t>(sizes[static_cast<size_t>(v - 1)])));
        return out;
    }

private:
    pack::VolumeLayout layout_;
    std::string stream_;
};

std::string PackedFile(const std::string& name, const std::string& data) {
    return SingleMemberArchive(name, 0, 0x20, kLzh, data, true);
}

using Entries = std::vector<std::string>; // "section.key=value" in file order

class InstallTest : public ::testing::Test {
protected:
    FakePlatform p;
    Context ctx{p};
    Inf inf;
    VolumeStream volumes{1 << 20};
    int fileCount[8] = {};
    std::unique_ptr<Tabbruch> abbruch;
    std::unique_ptr<Tcopying> copying;
    Tcopying* window = nullptr;
    Trace trace;
    std::map<std::string, std::string> expected; // target -> bytes

    void SetUp() override {
        ctx.sourceFolder = "D:\\";
        ctx.choices.targetDirectory = "C:\\Tools";
        ctx.choices.components[1] = ctx.choices.components[2] = true;
        ctx.choices.typeStandard = true;
        ctx.choices.progressTotal = 40000;
        ctx.startup.setupVersion = 3;
        ctx.previous.version = -1;
        inf.Set("corvid", "version", "220");
        inf.Set("corvid", "versionname", "2.2");
        const char* texts[][2] = {
            {"l10", "Please wait"},  {"l11", "Exit"},          {"l14", "Copying:"},
            {"l15", "Terminate"},    {"l18", "Overall"},       {"l19", "Creating directories"},
            {"l20", "Insert disk "}, {"l22", "Program group"}, {"l23", "File types"},
            {"l27", "Abort?"},       {"l55", "Uninstall"},     {"l61", "Finish"}};
        for (auto& t : texts) inf.Set("language", t[0], t[1]);
        inf.Set("software", "name", "Demo");
        inf.Set("software", "readme", "readme.txt");
        inf.Set("software", "readmedir", "\\doc");
        inf.Set("software", "medium", "1");
        inf.Set("uninst", "ask", "1");
        inf.Set("directories", "total", "2");
        inf.Set("directories", "d1_1", "\\bin\\");
        inf.Set("directories", "d2_1", "\\help\\");
        inf.Set("directories", "d1_2", "\\bin\\data\\");
        p.WriteFile("D:\\readme.txt", "read me");
        p.WriteFile("D:\\uninst.ex_", "the uninstaller");
        p.CreateDir("C:\\WINDOWS");
    }

    bool Packed() const { return ctx.startup.compressionMode == 1; }

    // Adds file j of component k to the stream and the description; the target is recorded
    // for Installed().
    void AddFile(int k, const std::string& name, const std::string& data, int dirIndex,
                 const std::string& target) {
        const std::string section = "Option_" + std::to_string(k);
        const int j = ++fileCount[k];
        pack::Placement at = volumes.Append(Packed() ? PackedFile(name, data) : data);
        inf.Set(section, "f" + std::to_string(j), name);
        inf.Set(section, "d" + std::to_string(j), std::to_string(dirIndex));
        inf.Set(section, "s" + std::to_string(j), VolumeNumberText(at.volume));
        inf.Set(section, "p" + std::to_string(j), std::to_string(at.offset));
        inf.Set(section, "z" + std::to_string(j), std::to_string(at.length));
        expected[target] = data;
    }

    void AddStandardFiles() {
        AddFile(1, "prog.exe", Data(5000, 1), 1, "C:\\Tools\\bin\\prog.exe");
        AddFile(1, "base.dat", Data(3000, 2), 2, "C:\\Tools\\bin\\data\\base.dat");
        AddFile(2, "help.txt", std::string(7000, 'h'), 0, "C:\\Tools\\help.txt");
    }

    void WriteVolumes() {
        const auto& v = volumes.Volumes();
        for (size_t i = 0; i < v.size(); ++i)
            p.WriteFile("D:\\" + VolumeName(static_cast<int>(i + 1)), v[i]);
    }

    void Prepare() {
        WriteVolumes();
        p.WriteFile("D:\\setup.inf", inf.Text());
        ctx.description = std::make_unique<SetupDescription>(p, "D:\\setup.inf");
        ctx.language.Load(*ctx.description);
        abbruch = std::make_unique<Tabbruch>(ctx);
        ctx.abbruch = abbruch.get();
        abbruch->FormCreate();
        copying = std::make_unique<Tcopying>(ctx);
        copying->FormCreate();
        copying->view = &trace;
        copying->pumpSliceMs = 0; // every pause point lets messages run
        window = copying.get();
        ctx.installPending = true;
        p.terminated = false; // a run before this one ended the program
    }

    void Run() {
        if (!window) Prepare();
        window->FormActivate();
    }

    // A new setup run over a new distribution, the destination gone, for one case of a table.
    void StartAgain() {
        std::filesystem::remove_all(p.HostPath("C:\\Tools"));
        window = nullptr;
        copying.reset();
        p.messageBoxes.clear();
        p.registry.clear();
        inf = Inf();
        fileCount[1] = fileCount[2] = 0;
        volumes = VolumeStream(1 << 20);
        SetUp();
    }

    // Terminates in the abort dialog at the n-th pause point (1 = the first).
    void TerminateAtPause(int n) {
        p.onProcessMessages = [this, n, count = 0]() mutable {
            if (++count == n) abbruch->Btn_terminateClick();
        };
    }

    Entries Log() const {
        Entries out;
        std::istringstream in(p.ReadFile("C:\\Tools\\setup\\uninst.log"));
        std::string line, section;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) continue;
            if (line[0] == '[')
                section = line.substr(1, line.size() - 2);
            else
                out.push_back(section + "." + line);
        }
        return out;
    }

    std::string LogValue(const std::string& sectionKey) const {
        for (const std::string& e : Log())
            if (e.compare(0, sectionKey.size() + 1, sectionKey + "=") == 0)
                return e.substr(sectionKey.size() + 1);
        return "<missing>";
    }

    void ExpectInstalled() {
        for (auto& f : expected) {
            EXPECT_TRUE(p.FileExists(f.first)) << f.first;
            EXPECT_TRUE(p.ReadFile(f.first) == f.second) << f.first << " differs";
        }
    }

    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (auto& m : p.messageBoxes)
            if (m.caption == "Setup") out.push_back(m.text);
        return out;
    }
};

const Entries kHeaderAndCounters = {
    "readme.file=C:\\Tools\\doc\\readme.txt",
    std::string("important!.c=") + uninstall_log::kBanner,
    "important!.i1=This file is needed to uninstall Demo",
    "files.total=3",
    "files.f1=\\bin\\prog.exe",
    "files.f2=\\bin\\data\\base.dat",
    "files.f3=\\help.txt",
    "directories.total=3",
    "directories.d1=\\bin\\",
    "directories.d2=\\help\\",
    "directories.d3=\\bin\\data\\",
    "extensions.total=0",
    "uninstall.versionname=2.2",
    "uninstall.version=220",
    "uninstall.name=Demo",
    "uninstall.language=",
    "uninstall.directory=C:\\Tools",
    "uninstall.ask=1",
    "uninstall.prggrp=Demo", // the program group's phase
    "language.l11=Exit",
    "language.l15=Terminate",
    "language.l10=Please wait",
    "language.l55=Uninstall",
    "language.l56=",
    "language.l57=",
    "language.l58=",
    "language.l59=",
    "language.l60=",
    "language.l61=Finish",
    "systemroot.total=0",
    "sysreg.remove=0", // the registry entries' phase
    "sysreg.total=0",
};

TEST_F(InstallTest, NormalRunInstallsEveryFileAndWritesTheLogInPhaseOrder) {
    AddStandardFiles();
    Run();

    EXPECT_TRUE(Errors().empty());
    ExpectInstalled();
    EXPECT_EQ(Log(), kHeaderAndCounters);
    EXPECT_EQ(p.ReadFile("C:\\Tools\\doc\\readme.txt"), "read me");
    EXPECT_EQ(p.ReadFile("C:\\Tools\\setup\\setup.tmp"), p.ReadFile("D:\\setup.inf"));
    EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\uncorvid.exe"), "the uninstaller");
    EXPECT_EQ(p.registry[FakePlatform::RegPath(RegRoot::LocalMachine, "SOFTWARE\\KOVA\\corvid",
                                               "uninstall")],
              "220");
    EXPECT_TRUE(p.DirectoryExists("C:\\Tools\\help"));

    // What the window showed, in order.
    EXPECT_EQ(trace.texts,
              (std::vector<std::string>{"uninst.exe", "Creating directories",
                                        "Copying:", "Copying: prog.exe", "Copying: base.dat",
                                        "Copying: help.txt", "File types", "Program group"}));
    EXPECT_EQ(window->top, 405); // two thirds of 600, plus 5
    EXPECT_EQ(window->caption, "");
    EXPECT_FALSE((*window)["Lbl_o"].visible);
    EXPECT_FALSE((*window)["Btn_exit"].enabled);
    EXPECT_EQ((*window)["Pr_o"].position, 100);
    EXPECT_EQ((*window)["Pr_u"].position, 100);
    EXPECT_EQ(trace.lower.front(), 1); // the directory rows
    EXPECT_TRUE(ctx.installStarted);
    EXPECT_FALSE(ctx.installPending);
    EXPECT_TRUE(p.processStarts.empty());

    // Later activations do nothing.
    p.messageBoxes.clear();
    const auto before = trace.texts;
    window->FormActivate();
    EXPECT_EQ(trace.texts, before);
}

TEST_F(InstallTest, PausePointsWithinOneTimeSliceLetMessagesRunOnce) {
    AddStandardFiles();
    Prepare();
    window->pumpSliceMs = 20; // the clock of the fake stands still
    Run();
    EXPECT_TRUE(Errors().empty());
    ExpectInstalled();
    EXPECT_EQ(Log(), kHeaderAndCounters);
    EXPECT_EQ(p.processMessagesCalls, 2); // the window's first showing and the first pause

    // A terminate that a pump saw stops the run at the next pause point, pumped or not.
    window = nullptr;
    copying.reset();
    Prepare();
    window->pumpSliceMs = 20;
    TerminateAtPause(2); // the first directory row
    p.DeleteFile("C:\\Tools\\help.txt");
    Run();
    EXPECT_TRUE(ctx.abortRequested);
    EXPECT_FALSE(p.FileExists("C:\\Tools\\help.txt"));
    EXPECT_EQ((*window)["Lbl_o"].text, "Creating directories");
}

TEST_F(InstallTest, SlowPumpsComeLessOftenUpToATenthOfASecond) {
    // One second of pause points a millisecond apart; a pump costs `cost` milliseconds.
    auto pumpsInASecond = [&](uint32_t cost) {
        Prepare();
        window->pumpSliceMs = 20;
        p.onProcessMessages = [&] { p.tick += cost; };
        const int before = p.processMessagesCalls;
        for (const uint32_t end = p.tick + 1000; p.tick < end; ++p.tick) window->Pause();
        p.onProcessMessages = nullptr;
        return p.processMessagesCalls - before;
    };
    const int fast = pumpsInASecond(0);
    EXPECT_GE(fast, 49); // every 20 ms
    EXPECT_LE(fast, 51);
    // 5 ms a pump: the slice grows towards 40 ms as the mean learns the cost (20 ms slices
    // would give 40 pumps).
    const int slow = pumpsInASecond(5);
    EXPECT_GE(slow, 25);
    EXPECT_LE(slow, 35);
    // A very slow pump still comes ten times a second.
    const int slowest = pumpsInASecond(60);
    EXPECT_GE(slowest, 10);
    EXPECT_LE(slowest, 12);
}

TEST_F(InstallTest, WaitingInputIsAnsweredWithinMillisecondsWhenPumpsAreSlow) {
    // Pumps of 60 ms: the slice is at its longest. Pause points come a millisecond apart.
    Prepare();
    window->pumpSliceMs = 20;
    uint32_t pumpedAt = 0;
    p.onProcessMessages = [&] {
        pumpedAt = p.tick;
        p.tick += 60;
    };
    for (const uint32_t end = p.tick + 1000; p.tick < end; ++p.tick) window->Pause();
    ASSERT_EQ(window->Slice(), Tcopying::kLongestSliceMs);

    // A key arrives just after a pump, three times over: it is answered within one look's
    // interval, not at the end of the slice.
    for (int i = 0; i < 3; ++i) {
        const int pumps = p.processMessagesCalls;
        for (; p.processMessagesCalls == pumps; ++p.tick) window->Pause();
        p.inputWaiting = true;
        const uint32_t arrived = p.tick;
        for (; p.processMessagesCalls == pumps + 1; ++p.tick) window->Pause();
        EXPECT_LE(pumpedAt - arrived, Tcopying::kInputLookMs) << i;
    }

    // Without input the looks stay rare and the pumps as few as before.
    const int pumps = p.processMessagesCalls;
    const int looks = p.inputLooks;
    for (const uint32_t end = p.tick + 1000; p.tick < end; ++p.tick) window->Pause();
    EXPECT_LE(p.processMessagesCalls - pumps, 12);
    EXPECT_LE(p.inputLooks - looks, 1000 / static_cast<int>(Tcopying::kInputLookMs) + 1);
    p.onProcessMessages = nullptr;
}

TEST_F(InstallTest, CdTypeWritesZeroTotalsAndCreatesNothing) {
    AddStandardFiles();
    ctx.choices.typeStandard = false;
    ctx.choices.typeCd = true;
    Run();

    EXPECT_TRUE(Errors().empty());
    EXPECT_FALSE(p.DirectoryExists("C:\\Tools\\bin"));
    EXPECT_FALSE(p.FileExists("C:\\Tools\\help.txt"));
    const Entries log = Log();
    EXPECT_EQ(LogValue("files.total"), "0");
    EXPECT_EQ(LogValue("directories.total"), "0");
    EXPECT_EQ(LogValue("extensions.total"), "0");
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& e) { return e.rfind("files.f", 0) == 0; }),
              0);
    EXPECT_EQ(LogValue("systemroot.total"), "<missing>");
    EXPECT_EQ(trace.texts, (std::vector<std::string>{"uninst.exe", "File types", "Program group"}));
    EXPECT_EQ((*window)["Pr_u"].position, 100);
}

TEST_F(InstallTest, UniyesOffWritesNoLogAndInstallsNoUninstaller) {
    AddStandardFiles();
    inf.Set("software", "uniyes", "0");
    TerminateAtPause(6); // while the files are copied
    Run();
    window->FormDestroy();

    EXPECT_FALSE(p.FileExists("C:\\Tools\\setup\\uninst.log"));
    EXPECT_FALSE(p.FileExists("C:\\WINDOWS\\uncorvid.exe"));
    EXPECT_TRUE(p.registry.empty());
    // The uninstaller is started all the same, on the log's path.
    ASSERT_EQ(p.processStarts.size(), 1u);
    EXPECT_EQ(p.processStarts[0], "C:\\WINDOWS\\uncorvid.exe C:\\Tools\\setup\\uninst.log /silent");
}

TEST_F(InstallTest, FiveThousandBytesAtOffset100AreReadInThreeBlocks) {
    volumes.Append(std::string(100, 'x'));
    AddFile(1, "a.bin", Data(5000, 7), 0, "C:\\Tools\\a.bin");
    volumes.Append(std::string(3000, 'y')); // more data after the file in the same volume
    ctx.choices.components[2] = false;
    Run();

    ExpectInstalled();
    // Upper gauge: 0 at the start, then after each block the share copied.
    const std::vector<int> want = {0, 41, 82, 100};
    std::vector<int> got(trace.upper.begin() + 2, trace.upper.begin() + 6); // after the rows
    EXPECT_EQ(got, want);
    // Lower gauge in mode 0: round(done * 96 / total) + 1, done growing by whole blocks.
    EXPECT_EQ(trace.lower, (std::vector<int>{1, 6, 11, 16, 98, 99, 100}));
}

TEST_F(InstallTest, DataCrossesVolumeEndsIntoTheNextNumberedVolume) {
    // Volumes 01..10; the file starts in 09 and ends in 10, another crosses 01 into 02.
    volumes = VolumeStream(4096);
    volumes.Append(std::string(4000, 'a'));
    AddFile(1, "first.bin", Data(3000, 3), 0, "C:\\Tools\\first.bin"); // 01 -> 02
    volumes.Append(std::string(1192 + 6 * 4096, 'b'));                 // up to the end of 08
    volumes.Append(std::string(1000, 'c'));
    AddFile(1, "nine.bin", Data(5000, 4), 0, "C:\\Tools\\nine.bin"); // 09 -> 10
    ASSERT_EQ(volumes.Volumes().size(), 10u);
    ctx.choices.components[2] = false;
    Run();
    EXPECT_TRUE(Errors().empty());
    ExpectInstalled();
    EXPECT_TRUE(p.messageBoxes.empty());
}

TEST_F(InstallTest, FirstVolumeNameIsWrittenAsGivenAndGoesOnWithTwoDigits) {
    volumes = VolumeStream(2048);
    AddFile(1, "one.bin", Data(3000, 5), 0, "C:\\Tools\\one.bin");
    inf.Set("Option_1", "s1", "1");
    ctx.choices.components[2] = false;
    Prepare();
    p.WriteFile("D:\\zdata_1.dsk", volumes.Volumes()[0]);
    p.DeleteFile("D:\\zdata_01.dsk");
    Run();
    EXPECT_TRUE(Errors().empty());
    ExpectInstalled();
    EXPECT_TRUE(p.messageBoxes.empty());
    EXPECT_EQ(VolumeName(9), "zdata_09.dsk");
    EXPECT_EQ(VolumeName(10), "zdata_10.dsk");
}

TEST_F(InstallTest, VercheckRulesDecideWhetherAnExistingFileIsReplaced) {
    struct Case {
        int files, setup, installed;
        bool replaced;
    } cases[] = {{0, 3, 5, false}, {0, 3, 3, true},  {0, 3, -1, true},
                 {1, 3, 5, true},  {2, 9, 1, false}, {7, 3, 3, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceExistingFile(c.files, c.setup, c.installed), c.replaced)
            << c.files << " " << c.setup << " " << c.installed;
    }

    // Kept files are still counted and logged.
    AddStandardFiles();
    inf.Set("vercheck", "files", "0");
    ctx.previous.version = 5;
    p.WriteFile("C:\\Tools\\help.txt", "newer");
    Run();
    EXPECT_EQ(p.ReadFile("C:\\Tools\\help.txt"), "newer");
    EXPECT_EQ(LogValue("files.total"), "3");
    EXPECT_EQ(LogValue("files.f3"), "\\help.txt");
    EXPECT_EQ(p.ReadFile("C:\\Tools\\bin\\prog.exe"), Data(5000, 1));
}

TEST_F(InstallTest, FileBelowTheWindowsDirectoryIsLoggedApart) {
    AddFile(1, "a.txt", "a", 0, "C:\\Tools\\a.txt");
    AddFile(1, "x.dll", "xx", 3, "C:\\WINDOWS\\system\\x.dll");
    AddFile(1, "c.txt", "c", 0, "C:\\Tools\\c.txt");
    // A sub-path longer than 30 characters keeps all of it.
    AddFile(1, "y.dll", "yy", 4, "C:\\WINDOWS\\a-rather-long-folder-name\\below\\y.dll");
    inf.Set("directories", "d1_3", "%systemroot%\\system\\");
    inf.Set("directories", "d1_4", "%SystemRoot%\\a-rather-long-folder-name\\below\\");
    ctx.choices.components[2] = false;
    Run();

    EXPECT_TRUE(Errors().empty());
    ExpectInstalled();
    EXPECT_EQ(LogValue("files.total"), "4");
    EXPECT_EQ(LogValue("files.f1"), "\\a.txt");
    EXPECT_EQ(LogValue("files.f2"), "<missing>");
    EXPECT_EQ(LogValue("files.f3"), "\\c.txt");
    EXPECT_EQ(LogValue("systemroot.f1"), "C:\\WINDOWS\\system\\x.dll");
    EXPECT_EQ(LogValue("systemroot.f2"), "C:\\WINDOWS\\a-rather-long-folder-name\\below\\y.dll");
    EXPECT_EQ(LogValue("systemroot.total"), "2");
    // Neither %-directory is created with the rows.
    EXPECT_EQ(LogValue("directories.total"), "2");
}

TEST_F(InstallTest, SecondInstallationWithFewerFilesKeepsTheSurplusEntries) {
    AddStandardFiles();
    Run();
    ASSERT_EQ(LogValue("files.f3"), "\\help.txt");

    // The same destination again, only component 1 this time.
    ctx.choices.components[2] = false;
    copying.reset();
    window = nullptr;
    Run();
    EXPECT_TRUE(Errors().empty()) << Errors()[0];
    EXPECT_EQ(LogValue("files.total"), "2");
    EXPECT_EQ(LogValue("files.f3"), "\\help.txt");
    EXPECT_EQ(Log().size(), kHeaderAndCounters.size());
}

TEST_F(InstallTest, TerminateAfterFourFileEntriesLeavesTotalFiveAndStartsTheUninstaller) {
    for (int i = 1; i <= 6; ++i)
        AddFile(1, "f" + std::to_string(i) + ".txt", Data(100, i), 0,
                "C:\\Tools\\f" + std::to_string(i) + ".txt");
    ctx.choices.components[2] = false;
    // Pause points: the window's first showing, 2 rows, then per file one block and one
    // between files.
    TerminateAtPause(1 + 2 + 4 * 2);
    Run();
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(LogValue("files.total"), "4");
    EXPECT_EQ(LogValue("systemroot.total"), "0");
    EXPECT_FALSE(p.FileExists("C:\\Tools\\f5.txt"));
    // The abort dialog removed the work files and the read-me copy.
    EXPECT_FALSE(p.FileExists("C:\\Tools\\setup\\setup.tmp"));
    EXPECT_FALSE(p.FileExists("C:\\Tools\\doc\\readme.txt"));
    EXPECT_TRUE(p.processStarts.empty());

    window->FormDestroy();
    EXPECT_EQ(LogValue("files.total"), "5");
    ASSERT_EQ(p.processStarts.size(), 1u);
    EXPECT_EQ(p.processStarts[0], "C:\\WINDOWS\\uncorvid.exe C:\\Tools\\setup\\uninst.log /silent");
    EXPECT_EQ(ctx.run->workDescription, nullptr);
}

TEST_F(InstallTest, TerminateBetweenBlocksKeepsThePartWritten) {
    AddFile(1, "big.bin", Data(10000, 9), 0, "C:\\Tools\\big.bin");
    ctx.choices.components[2] = false;
    TerminateAtPause(1 + 2 + 2); // after the second block
    Run();
    EXPECT_EQ(p.ReadFile("C:\\Tools\\big.bin"), Data(10000, 9).substr(0, 4096));
    window->FormDestroy();
    EXPECT_EQ(LogValue("files.total"), "2");
}

TEST_F(InstallTest, TerminateInTheDirectoryPhaseStopsThere) {
    AddStandardFiles();
    TerminateAtPause(2); // after the first row
    Run();
    EXPECT_TRUE(p.DirectoryExists("C:\\Tools\\bin"));
    EXPECT_FALSE(p.DirectoryExists("C:\\Tools\\bin\\data")); // the second row
    EXPECT_EQ(LogValue("directories.total"), "0");
    window->FormDestroy();
    EXPECT_EQ(LogValue("files.total"), "1");
    EXPECT_EQ(p.processStarts.size(), 1u);
}

TEST_F(InstallTest, MissingVolumeIsAskedForUntilItIsThere) {
    volumes = VolumeStream(4096);
    AddFile(1, "a.bin", Data(6000, 11), 0, "C:\\Tools\\a.bin");
    ctx.choices.components[2] = false;
    Prepare();
    const std::string second = p.ReadFile("D:\\zdata_02.dsk");
    p.DeleteFile("D:\\zdata_02.dsk");
    int asked = 0;
    p.answerMessageBox = [&](const FakePlatform::MessageBoxCall&) {
        if (++asked == 2) p.WriteFile("D:\\zdata_02.dsk", second);
        return mb::IdOk;
    };
    Run();
    ASSERT_EQ(p.messageBoxes.size(), 2u);
    EXPECT_EQ(p.messageBoxes[0].text, "Insert disk\"2\"."); // l20 as read, trimmed
    EXPECT_EQ(p.messageBoxes[0].caption, "corvid");
    EXPECT_EQ(p.messageBoxes[0].flags, mb::OkCancel | mb::IconWarning);
    ExpectInstalled();
}

TEST_F(InstallTest, CancelAtTheDiskPromptOpensTheAbortDialog) {
    AddFile(1, "a.bin", Data(100, 12), 0, "C:\\Tools\\a.bin");
    ctx.choices.components[2] = false;
    Prepare();
    p.DeleteFile("D:\\zdata_01.dsk");
    int prompts = 0;
    p.answerMessageBox = [&](const FakePlatform::MessageBoxCall&) {
        ++prompts;
        return mb::IdCancel;
    };
    // First the user cancels the abort dialog (asked again), then terminates.
    int dialogs = 0;
    p.modalHandler = [&](Form& f) {
        if (++dialogs == 1) {
            static_cast<Tabbruch&>(f).Btn_cancelClick();
            return 2;
        }
        static_cast<Tabbruch&>(f).Btn_terminateClick();
        return 1;
    };
    Run();
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(p.modalForms, (std::vector<std::string>{"Tabbruch", "Tabbruch"}));
    EXPECT_TRUE(ctx.abortRequested);
    EXPECT_EQ(LogValue("files.total"), "1");
    window->FormDestroy();
    EXPECT_EQ(LogValue("files.total"), "2");
    // Nothing was copied below the Windows directory: no count of it is written.
    EXPECT_EQ(LogValue("systemroot.total"), "<missing>");
}

TEST_F(InstallTest, TerminateAtThePromptForTheNextDiskKeepsWhatTheFirstHeld) {
    volumes = VolumeStream(4096);
    AddFile(1, "a.bin", Data(6000, 14), 0, "C:\\Tools\\a.bin");
    ctx.choices.components[2] = false;
    Prepare();
    p.DeleteFile("D:\\zdata_02.dsk");
    p.answerMessageBox = [&](const FakePlatform::MessageBoxCall&) { return mb::IdCancel; };
    p.modalHandler = [&](Form& f) {
        static_cast<Tabbruch&>(f).Btn_terminateClick();
        return 1;
    };
    Run();
    ASSERT_FALSE(p.messageBoxes.empty());
    EXPECT_EQ(p.messageBoxes[0].text, "Insert disk\"2\".");
    // Both blocks of the first volume were written before the second was asked for.
    EXPECT_EQ(p.ReadFile("C:\\Tools\\a.bin"), Data(6000, 14).substr(0, 4096));
}

TEST_F(InstallTest, DamagedPositionsEndTheRunWithAMessageNamingTheFile) {
    struct Case {
        const char* key;
        const char* value;
    } cases[] = {{"p1", "-5"}, {"z1", "-1"}, {"p1", "999999"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        window = nullptr;
        copying.reset();
        p.messageBoxes.clear();
        inf = Inf();
        fileCount[1] = 0;
        volumes = VolumeStream(1 << 20);
        SetUp();
        ctx.choices.components[2] = false;
        AddFile(1, "a.bin", Data(100, 13), 0, "C:\\Tools\\a.bin");
        inf.Set("Option_1", c.key, c.value);
        Run();
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_NE(Errors()[0].find("a.bin"), std::string::npos) << Errors()[0];
        EXPECT_TRUE((*window)["Btn_exit"].enabled); // the way out stays
    }
}

TEST_F(InstallTest, EmptyFilesMissingDirectoryKeysAndNoProgressTotal) {
    AddFile(1, "empty.txt", "", 0, "C:\\Tools\\empty.txt");
    AddFile(1, "lost.txt", "lost", 9, "C:\\Tools\\lost.txt"); // no [directories] d1_9
    ctx.choices.components[2] = false;
    ctx.choices.progressTotal = 0;
    Run();
    EXPECT_TRUE(Errors().empty());
    ExpectInstalled();
    EXPECT_EQ(LogValue("files.f2"), "\\lost.txt");
    // The empty file's only block fills the upper gauge; the lower one shows 100.
    EXPECT_EQ(trace.upper[2], 0);
    EXPECT_EQ(trace.upper[3], 100);
    EXPECT_EQ(trace.lower[1], 100);
}

TEST_F(InstallTest, MediumAbsentOrNotANumberCopiesNoFile) {
    for (const char* medium : {"", "disk"}) {
        SCOPED_TRACE(medium);
        window = nullptr;
        copying.reset();
        inf = Inf();
        fileCount[1] = fileCount[2] = 0;
        SetUp();
        AddStandardFiles();
        if (*medium)
            inf.Set("software", "medium", medium);
        else
            inf.Erase("software", "medium");
        p.DeleteFile("C:\\Tools\\help.txt");
        Run();
        EXPECT_TRUE(Errors().empty()) << Errors()[0];
        EXPECT_TRUE(p.DirectoryExists("C:\\Tools\\bin\\data"));
        EXPECT_FALSE(p.FileExists("C:\\Tools\\help.txt"));
        EXPECT_EQ(LogValue("files.total"), "0");
        EXPECT_EQ((*window)["Pr_u"].position, 100);
    }
}

TEST_F(InstallTest, PackedFilesAreExpandedWithTheGaugesInTheirRanges) {
    ctx.startup.compressionMode = 1;
    AddStandardFiles();
    p.WriteFile("D:\\uninst.ex_", PackedFile("uninst32.ex_", "packed uninstaller"));
    Run();
    EXPECT_TRUE(Errors().empty());
    ExpectInstalled();
    EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\uncorvid.exe"), "packed uninstaller");
    EXPECT_TRUE(p.FileExists("C:\\Tools\\setup\\compress.tmp"));
    // The lower gauge stays below 98 until the files are done.
    const auto done = std::find(trace.lower.begin(), trace.lower.end(), 98);
    ASSERT_NE(done, trace.lower.end());
    for (auto it = trace.lower.begin(); it != done; ++it) EXPECT_LE(*it, 97);
    EXPECT_EQ(Log(), kHeaderAndCounters);
}

TEST_F(InstallTest, PackedCopyFillsTheUpperGaugeToTwentyThenTheExpansionToAHundred) {
    ctx.startup.compressionMode = 1;
    AddFile(1, "a.txt", Text(300000), 0, "C:\\Tools\\a.txt");
    ctx.choices.components[2] = false;
    inf.Set("software", "uniyes", "0");
    Run();
    ExpectInstalled();
    // After the rows: 0, the copy's blocks up to 20, the expansion from 20 to 100; then the
    // program group starts again at 0.
    auto start = trace.upper.begin() + 2;
    std::vector<int> got(start, std::find(start + 1, trace.upper.end(), 0));
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got.front(), 0);
    size_t i = 1;
    for (; i < got.size() && got[i] <= 20; ++i) EXPECT_GE(got[i], got[i - 1]);
    EXPECT_EQ(got[i - 1], 20);
    EXPECT_LT(i, got.size()); // the expansion reported its progress
    for (; i < got.size(); ++i) EXPECT_GT(got[i], 20);
    EXPECT_EQ(got.back(), 100);
}

TEST_F(InstallTest, TerminateDuringAnExpansionFinishesTheFileThenStops) {
    ctx.startup.compressionMode = 1;
    AddFile(1, "a.txt", std::string(200000, 'a') + Data(50000, 3), 0, "C:\\Tools\\a.txt");
    AddFile(1, "b.txt", "b", 0, "C:\\Tools\\b.txt");
    ctx.choices.components[2] = false;
    inf.Set("software", "uniyes", "0");
    Prepare();
    bool terminatedInExpansion = false;
    p.onProcessMessages = [&] {
        if (!terminatedInExpansion && (*window)["Pr_o"].position > 20 &&
            (*window)["Lbl_o"].text == "Copying: a.txt") {
            terminatedInExpansion = true;
            abbruch->Btn_terminateClick();
        }
    };
    Run();
    ASSERT_TRUE(terminatedInExpansion);
    EXPECT_EQ(window->caption, "Please wait");
    EXPECT_EQ(p.ReadFile("C:\\Tools\\a.txt"), expected["C:\\Tools\\a.txt"]);
    EXPECT_FALSE(p.FileExists("C:\\Tools\\b.txt"));
}

TEST_F(InstallTest, UninstallerIsKeptWhenVersion220IsRecorded) {
    EXPECT_EQ(UninstallerVersion("220"), 220);
    EXPECT_EQ(UninstallerVersion("0xDC"), 220);
    EXPECT_EQ(UninstallerVersion("0xdc"), 220);
    EXPECT_EQ(UninstallerVersion("abc"), 0);
    EXPECT_EQ(UninstallerVersion(""), 0);
    struct Case {
        const char* value;
        bool kept;
    } cases[] = {{"220", true}, {"0xDC", true}, {"219", false}, {nullptr, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "none");
        window = nullptr;
        copying.reset();
        p.registry.clear();
        p.WriteFile("C:\\WINDOWS\\uncorvid.exe", "old");
        if (c.value)
            p.registry[FakePlatform::RegPath(RegRoot::LocalMachine, "SOFTWARE\\KOVA\\corvid",
                                             "uninstall")] = c.value;
        Run();
        EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\uncorvid.exe"), c.kept ? "old" : "the uninstaller");
    }
}

TEST_F(InstallTest, KeysAndExitButtonOpenTheAbortDialog) {
    Prepare();
    int f3 = vk::F3, f4 = vk::F4, other = 'A';
    window->FormKeyDown(f3);
    (*window)["Button1"].onKeyDown(f4);
    (*window)["Btn_exit"].UserClick();
    window->FormKeyDown(other);
    EXPECT_EQ(p.modalForms, (std::vector<std::string>{"Tabbruch", "Tabbruch", "Tabbruch"}));
    EXPECT_EQ(f3, 0);
    EXPECT_EQ(other, 'A');
    EXPECT_TRUE((*window)["Btn_exit"].isCancel);
    EXPECT_EQ((*window)["Btn_exit"].text, "Exit (F3)");
    EXPECT_EQ((*window)["Lbl_u"].text, "Overall");
    EXPECT_EQ(window->clientWidth, 357);
    EXPECT_EQ(window->clientHeight, 83);
}

TEST_F(InstallTest, RefusedLogWriteEndsTheRunAndTerminateStillCleansUp) {
    AddStandardFiles();
    Prepare();
    // A file where the setup folder should be: nothing can be written below it.
    p.WriteFile("C:\\Tools\\setup", "in the way");
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], "Kann nicht nach C:\\Tools\\setup\\uninst.log schreiben");
    EXPECT_FALSE(p.FileExists("C:\\Tools\\bin\\prog.exe"));
    EXPECT_TRUE(ctx.installStarted);
    abbruch->Btn_terminateClick();
    window->FormDestroy();
    EXPECT_EQ(p.processStarts.size(), 1u);
}

TEST_F(InstallTest, TheLogOnDiskIsCurrentWheneverMessagesRunOrAWindowWaits) {
    volumes = VolumeStream(4096);
    AddFile(1, "a.bin", Data(3000, 21), 0, "C:\\Tools\\a.bin");
    AddFile(1, "b.bin", Data(5000, 22), 0, "C:\\Tools\\b.bin");
    AddFile(1, "c.bin", Data(100, 23), 0, "C:\\Tools\\c.bin");
    ctx.choices.components[2] = false;
    Prepare();
    // b.bin goes on in the second volume: its disk is asked for once.
    const std::string second = p.ReadFile("D:\\zdata_02.dsk");
    p.DeleteFile("D:\\zdata_02.dsk");
    int pumps = 0, stale = 0;
    std::string atPrompt;
    p.onProcessMessages = [&] {
        ++pumps;
        if (ctx.run && ctx.run->log.Changed()) ++stale;
    };
    p.answerMessageBox = [&](const FakePlatform::MessageBoxCall&) {
        if (ctx.run && ctx.run->log.Changed()) ++stale;
        atPrompt = LogValue("files.f2");
        p.WriteFile("D:\\zdata_02.dsk", second);
        return mb::IdOk;
    };
    Run();
    EXPECT_TRUE(Errors().empty());
    EXPECT_GT(pumps, 5);
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(atPrompt, "\\b.bin");
    // At the end the log is whole on disk, with nothing left beside it.
    EXPECT_FALSE(ctx.run->log.Changed());
    EXPECT_EQ(LogValue("files.total"), "3");
    EXPECT_EQ(LogValue("files.f3"), "\\c.bin");
    EXPECT_FALSE(p.FileExists("C:\\Tools\\setup\\uninst.log.new"));
    ExpectInstalled();
}

TEST_F(InstallTest, ASecondInstallationAddsToTheFirstOnesLog) {
    AddFile(1, "a.bin", Data(100, 31), 0, "C:\\Tools\\a.bin");
    ctx.choices.components[2] = false;
    Prepare();
    p.WriteFile("C:\\Tools\\setup\\uninst.log",
                "[files]\r\nf1=\\old.bin\r\nf2=\\older.bin\r\ntotal=2\r\n[mine]\r\nx=1\r\n");
    Run();
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(LogValue("files.total"), "1");
    EXPECT_EQ(LogValue("files.f1"), "\\a.bin");
    EXPECT_EQ(LogValue("files.f2"), "\\older.bin");
    EXPECT_EQ(LogValue("mine.x"), "1");
}

} // namespace

TEST_F(InstallTest, NamesThatLeaveTheDestinationStopTheRunAndWriteNothingThere) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        const char* message;
    } cases[] = {
        {"Option_1", "f1", "..\\..\\evil.txt",
         "places ..\\..\\evil.txt at \\..\\..\\evil.txt outside the destination: it leaves"},
        {"directories", "d1_1", "\\..\\..\\evil\\",
         "places the folder \\..\\..\\evil\\ at \\..\\..\\evil\\ outside the destination"},
        {"directories", "d1_3", "%SystemRoot%\\..\\evil\\",
         "places a.bin at \\..\\evil\\a.bin outside the Windows directory"},
        {"software", "readmedir", "\\..\\..\\evil",
         "places the read-me file at \\..\\..\\evil\\readme.txt outside the destination"},
        {"Option_1", "f1", "con", "places con at \\con outside the destination: the name \"con\""},
        {"ini_1", "name", "C:\\evil\\x.ini", "Kann nicht nach C:\\evil\\x.ini schreiben"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        StartAgain();
        ctx.choices.components[2] = false;
        AddFile(1, "a.bin", "a", 0, "C:\\Tools\\a.bin");
        inf.Set("Option_1", "d1", c.key == std::string("d1_3") ? "3" : "0");
        inf.Set("ini_1", "s0", "S");
        inf.Set("ini_1", "k0", "K");
        inf.Set(c.section, c.key, c.value);
        Run();
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_NE(Errors()[0].find(c.message), std::string::npos) << Errors()[0];
        for (const char* outside : {"C:\\evil.txt", "C:\\evil", "C:\\evil\\x.ini", "C:\\con"})
            EXPECT_FALSE(p.FileExists(outside) || p.DirectoryExists(outside)) << outside;
    }
}

TEST_F(InstallTest, AReadMeOutsideTheDestinationStopsTheRunBeforeAnythingIsWritten) {
    // Before the log exists the uninstaller could not undo anything: nothing may be made yet.
    AddStandardFiles();
    inf.Set("software", "readmedir", "\\..\\Elsewhere");
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_NE(Errors()[0].find("places the read-me file at \\..\\Elsewhere\\readme.txt"),
              std::string::npos)
        << Errors()[0];
    EXPECT_FALSE(ctx.installStarted);
    EXPECT_FALSE(p.DirectoryExists("C:\\Tools"));
    EXPECT_FALSE(p.DirectoryExists("C:\\Elsewhere"));
    window->FormDestroy();
    EXPECT_EQ(p.processStarts.size(), 0u);
}

TEST_F(InstallTest, LinksInTheDestinationAreNotWrittenThrough) {
    // A link where a file goes, where a work file goes, and a junction on the way into a folder
    // elsewhere: each stops the run before anything is written through it.
    struct Case {
        const char* link;
        const char* target;
        const char* message;
    } cases[] = {
        {"C:\\Tools\\help.txt", "C:\\WINDOWS\\win.ini",
         "at C:\\Tools\\help.txt, out of the destination"},
        {"C:\\Tools\\setup\\setup.tmp", "C:\\WINDOWS\\win.ini",
         "Kann Datei C:\\Tools\\setup\\setup.tmp nicht erstellen"},
        {"C:\\Tools\\setup\\compress.tmp", "C:\\WINDOWS\\win.ini",
         "Kann Datei C:\\Tools\\setup\\compress.tmp nicht erstellen"},
        {"C:\\Tools\\bin", "C:\\Elsewhere",
         "leads through a link (junction or symbolic link) at C:\\Tools\\bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        StartAgain();
        AddStandardFiles();
        p.WriteFile("C:\\WINDOWS\\win.ini", "[windows]\r\n");
        std::filesystem::remove_all(p.HostPath("C:\\Elsewhere"));
        p.CreateDir("C:\\Elsewhere");
        p.MakeLink(c.link, c.target);
        Run();
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_NE(Errors()[0].find(c.message), std::string::npos) << Errors()[0];
        EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\win.ini"), "[windows]\r\n");
        std::vector<std::string> names;
        EXPECT_TRUE(p.ListDirectory("C:\\Elsewhere", names));
        EXPECT_TRUE(names.empty()) << names[0];
    }
}

TEST_F(InstallTest, FoldersTheRunMadeAreNotLookedAtAgain) {
    // Under Wine a look for links costs about twenty round trips to the server; a folder this run
    // has just made is a plain folder.
    AddStandardFiles();
    Run();
    ASSERT_TRUE(Errors().empty()) << Errors()[0];
    EXPECT_EQ(p.pathLooks[FoldCase("C:\\Tools\\bin")], 1);
    EXPECT_EQ(p.pathLooks[FoldCase("C:\\Tools\\bin\\data")], 1);
    EXPECT_EQ(p.ReadFile("C:\\Tools\\bin\\data\\base.dat"), Data(3000, 2));
}

TEST_F(InstallTest, TerminateDeletesOnlyTheReadMeThisRunWrote) {
    AddStandardFiles();
    p.WriteFile("C:\\Tools\\doc\\readme.txt", "somebody else's");
    p.DeleteFile("D:\\readme.txt"); // the copy fails: the file there is not ours
    TerminateAtPause(3);
    Run();
    window->FormDestroy();
    EXPECT_EQ(p.ReadFile("C:\\Tools\\doc\\readme.txt"), "somebody else's");
}

TEST_F(InstallTest, VolumeNumberAtTheTopEndsWithAMessage) {
    AddFile(1, "a.bin", Data(100, 3), 0, "C:\\Tools\\a.bin");
    ctx.choices.components[2] = false;
    inf.Set("Option_1", "s1", "2147483647");
    WriteVolumes();
    p.WriteFile("D:\\" + VolumeName(2147483647), Data(10, 3)); // shorter than the file
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_NE(Errors()[0].find("a.bin"), std::string::npos) << Errors()[0];
}

TEST_F(InstallTest, AReadErrorMidVolumeIsNeverTakenForItsEnd) {
    volumes = VolumeStream(8192);
    AddFile(1, "a.bin", Data(6000, 21), 0, "C:\\Tools\\a.bin");
    AddFile(1, "b.bin", Data(6000, 22), 0, "C:\\Tools\\b.bin"); // crosses into volume 2
    ctx.choices.components[2] = false;
    p.failingReads["d:\\" + FoldCase(VolumeName(1))] = 7000; // a bad sector inside b.bin
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    // The run-time's text, naming the file and the volume that failed.
    EXPECT_EQ(Errors()[0].rfind(kStreamReadError, 0), 0u) << Errors()[0];
    EXPECT_NE(Errors()[0].find("the data of b.bin cannot be read from " + VolumeName(1)),
              std::string::npos)
        << Errors()[0];
    EXPECT_EQ(p.ReadFile("C:\\Tools\\a.bin"), Data(6000, 21));
    EXPECT_NE(p.ReadFile("C:\\Tools\\b.bin"), Data(6000, 22));
    EXPECT_EQ(p.processStarts.size(), 0u);
    EXPECT_TRUE((*window)["Btn_exit"].enabled); // no completion: the way out stays
}

TEST_F(InstallTest, PackedFailuresStopWithAMessageNamingTheFile) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* message;
    } cases[] = {
        {"target is a folder", [this] { p.WriteFile("C:\\Tools\\help.txt\\in.txt", ""); },
         "Kann Datei C:\\Tools\\help.txt nicht erstellen"},
        {"member missing from its archive", [this] { inf.Set("Option_2", "f1", "other.txt"); },
         "Damaged medium: the archive of other.txt holds no member other.txt."},
        {"work copy cannot be made",
         [this] { p.WriteFile("C:\\Tools\\setup\\setup.tmp\\in.txt", ""); },
         "Kann Datei C:\\Tools\\setup\\setup.tmp nicht erstellen"},
        {"uninstaller archive missing", [this] { p.DeleteFile("D:\\uninst.ex_"); },
         "Kann Datei D:\\uninst.ex_ nicht \xF6"
         "ffnen"},
        {"uninstaller archive without its member",
         [this] { p.WriteFile("D:\\uninst.ex_", PackedFile("x.ex_", "x")); },
         "Damaged medium: the archive of D:\\uninst.ex_ holds no member uninst32.ex_."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartAgain();
        ctx.startup.compressionMode = 1;
        AddStandardFiles();
        p.WriteFile("C:\\WINDOWS\\uncorvid.exe", "the old shared one");
        p.WriteFile("D:\\uninst.ex_", PackedFile("uninst32.ex_", "packed uninstaller"));
        c.arrange();
        Run();
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_EQ(Errors()[0], c.message);
        EXPECT_TRUE((*window)["Btn_exit"].enabled);
        // A failed uninstaller leaves the shared one as it was, and records no version.
        if (std::string(c.what).find("uninstaller") != std::string::npos) {
            EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\uncorvid.exe"), "the old shared one");
            EXPECT_TRUE(p.registry.empty());
        }
    }
}

TEST_F(InstallTest, ChecksumsStopADamagedMediumAndNameTheFileAndVolume) {
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        StartAgain();
        ctx.startup.compressionMode = mode;
        ctx.choices.components[2] = false;
        inf.Set("software", "uniyes", "0");
        const std::string data[] = {Data(3000, 31), Data(3000, 32)};
        for (int j = 0; j < 2; ++j) {
            const std::string name = j ? "b.bin" : "a.bin";
            AddFile(1, name, data[j], 0, "C:\\Tools\\" + name);
            const std::string medium = mode == 1 ? PackedFile(name, data[j]) : data[j];
            inf.Set("Option_1", "c" + std::to_string(j + 1),
                    ChecksumText(Crc32(0, medium.data(), medium.size())));
        }
        Prepare();
        // One byte of b's data damaged on the medium.
        std::string volume = p.ReadFile("D:\\zdata_01.dsk");
        volume[volume.size() - 100] ^= 0x01;
        p.WriteFile("D:\\zdata_01.dsk", volume);
        window->FormActivate();
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_EQ(Errors()[0], "Damaged medium: the data of b.bin in zdata_01.dsk does not match "
                               "its checksum. Copy the distribution again, or use another copy.");
        EXPECT_EQ(p.ReadFile("C:\\Tools\\a.bin"), data[0]);
        EXPECT_NE(p.ReadFile("C:\\Tools\\b.bin"), data[1]);

        // The same medium undamaged installs both.
        copying.reset();
        window = nullptr;
        p.messageBoxes.clear();
        Run();
        EXPECT_TRUE(Errors().empty()) << Errors()[0];
        EXPECT_EQ(p.ReadFile("C:\\Tools\\b.bin"), data[1]);
    }
}
