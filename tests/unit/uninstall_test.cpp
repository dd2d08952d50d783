// The uninstaller on the fake platform: its command line, what it removes of an installation and
// what it refuses to touch when the log is hostile.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "fake_platform.h"
#include "uninstall/paths.h"
#include "uninstall/removal.h"
#include "uninstall/uninstaller.h"
#include "uninstall_log/log_reader.h"

using namespace corvid;

namespace {

const char kLog[] = "C:\\Tools\\setup\\uninst.log";
const char kReport[] = "C:\\Tools\\setup\\uninst.txt";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tools";

// An installation of "Tools" into C:\Tools as the setup leaves it, and its log.
struct Installed : ::testing::Test {
    FakePlatform p;
    std::string log;

    void SetUp() override {
        p.modulePath = "C:\\WINDOWS\\uncorvid.exe";
        p.WriteFile("C:\\WINDOWS\\uncorvid.exe", "MZ");
        p.RegWriteString(RegRoot::LocalMachine, "SOFTWARE\\KOVA\\corvid", "uninstall", "220");
        p.WriteFile("C:\\Tools\\tool.exe", "tool");
        p.WriteFile("C:\\Tools\\bin\\lib.dll", "lib");
        p.WriteFile("C:\\Tools\\docs\\deep\\guide.txt", "guide");
        p.WriteFile("C:\\Tools\\readme.txt", "read me");
        p.WriteFile("C:\\WINDOWS\\system\\tools.dll", "sys");
        // association txz, an INI entry, registry entries, the registration
        p.RegWriteString(RegRoot::ClassesRoot, ".txz", "", "txzautofile");
        p.RegWriteString(RegRoot::ClassesRoot, "txzautofile", "", "Tool file");
        p.RegWriteString(RegRoot::ClassesRoot, "txzautofile\\DefaultIcon", "",
                         "C:\\Tools\\tool.exe,1");
        p.RegWriteString(RegRoot::ClassesRoot, "txzautofile\\shell\\open\\command", "",
                         "C:\\Tools\\tool.exe %1");
        p.WriteFile("C:\\Tools\\tools.ini", "[Options]\r\nPath=C:\\x\r\n");
        p.WriteFile("C:\\WINDOWS\\win.ini", "[windows]\r\nload=\r\n[Tools]\r\nMode=1\r\n");
        p.RegWriteString(RegRoot::CurrentUser, "Software\\KOVA\\Tools", "Path", "C:\\Tools");
        p.RegWriteString(RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                         "Other", "other.exe");
        p.RegWriteString(RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                         "ToolsAgent", "C:\\Tools\\agent.exe");
        p.RegWriteString(RegRoot::LocalMachine, kUninstallKey, "UninstallString",
                         std::string("C:\\WINDOWS\\uncorvid.exe ") + kLog);
        p.RegWriteString(RegRoot::LocalMachine, kUninstallKey, "DisplayName", "Tools 1.0");
        log = "[readme]\r\nfile=C:\\Tools\\readme.txt\r\n"
              "[important!]\r\nc=corvid\r\ni1=This file is needed to uninstall Tools\r\n"
              "[files]\r\ntotal=4\r\nf1=\\tool.exe\r\nf2=\\bin\\lib.dll\r\nf4=\\docs\\deep\\guide."
              "txt\r\n"
              "[directories]\r\ntotal=2\r\nd1=\\bin\\\r\nd2=\\docs\\deep\\\r\n"
              "[extensions]\r\ntotal=1\r\ne1=txz\r\n"
              "[uninstall]\r\nversionname=1.0\r\nversion=3\r\nname=Tools\r\nlanguage=\r\n"
              "directory=C:\\Tools\r\nask=0\r\nprggrp=Tools Group\r\n"
              "[language]\r\nl11=\r\nl15=\r\nl10=\r\nl55=\r\nl56=\r\nl57=\r\nl58=\r\nl59=\r\nl60="
              "\r\nl61=\r\n"
              "[systemroot]\r\nf1=C:\\WINDOWS\\system\\tools.dll\r\ntotal=1\r\n"
              "[ini_1]\r\nname=C:\\Tools\\tools.ini\r\ns0=Options\r\nk0=Path\r\nv0=C:\\x\r\n"
              "[ini_2]\r\nname=C:\\WINDOWS\\win.ini\r\ns3=Tools\r\nk3=Mode\r\nv3=1\r\n"
              "[sysreg]\r\nremove=1\r\ntotal=2\r\nk1=2\r\np1=Software\\KOVA\\Tools\r\nb1=C:"
              "\\Tools\r\n"
              "k2=3\r\np2=\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\r\nb2=C:"
              "\\Tools\\agent.exe\r\n";
    }
    void WriteLog() { p.WriteFile(kLog, log); }
    int Run(const std::string& args = std::string(kLog) + " /silent") {
        WriteLog();
        return RunUninstaller(p, args);
    }
    bool Exists(const std::string& path) { return p.FileExists(path) || p.DirectoryExists(path); }
};

} // namespace

TEST(UninstallCommandLine, PathWithBlanksAndTheSilentOption) {
    EXPECT_EQ(ArgumentsOf("C:\\WINDOWS\\uncorvid.exe C:\\My Tools\\setup\\uninst.log"),
              "C:\\My Tools\\setup\\uninst.log");
    EXPECT_EQ(ArgumentsOf("\"C:\\Program Files\\u.exe\"   x y /silent "), "x y /silent");
    EXPECT_EQ(ArgumentsOf("uncorvid.exe"), "");

    UninstallCommand c = ParseUninstallArguments("C:\\My Tools\\setup\\uninst.log /silent");
    EXPECT_EQ(c.logPath, "C:\\My Tools\\setup\\uninst.log");
    EXPECT_TRUE(c.silent);
    c = ParseUninstallArguments("C:\\My Tools\\setup\\uninst.log /SILENT  ");
    EXPECT_TRUE(c.silent);
    EXPECT_EQ(c.logPath, "C:\\My Tools\\setup\\uninst.log");
    c = ParseUninstallArguments("C:\\x/silent");
    EXPECT_FALSE(c.silent); // the option needs its blank
    EXPECT_EQ(c.logPath, "C:\\x/silent");
    c = ParseUninstallArguments("\"C:\\My Tools\\uninst.log\"");
    EXPECT_EQ(c.logPath, "C:\\My Tools\\uninst.log");
    EXPECT_TRUE(ParseUninstallArguments("/silent").logPath.empty());
}

TEST(UninstallPaths, RelativePathsStayBelowTheirFolder) {
    std::vector<std::string> parts;
    std::string why;
    EXPECT_TRUE(ParseRelativePath("\\bin\\\\tool.exe", parts, why));
    EXPECT_EQ(parts, (std::vector<std::string>{"bin", "tool.exe"}));
    EXPECT_TRUE(ParseRelativePath("\\", parts, why));
    EXPECT_TRUE(parts.empty());
    for (const char* bad : {"\\..\\boot.ini", "\\bin\\..\\..\\x", "\\. .\\x", "\\...\\x", "C:\\x",
                            "\\\\server\\share\\x", "\\a:b", "\\x*", "\\a\x01"})
        EXPECT_FALSE(ParseRelativePath(bad, parts, why)) << bad;

    WinPath a, b;
    EXPECT_TRUE(ParseAbsolutePath("c:\\Tools\\", a, why));
    EXPECT_EQ(a.Text(), "C:\\Tools");
    EXPECT_TRUE(ParseAbsolutePath("C:\\TOOLS\\Bin\\x.dll", b, why));
    EXPECT_TRUE(IsBelow(b, a));
    EXPECT_FALSE(IsBelow(a, a));
    EXPECT_TRUE(ParseAbsolutePath("\\\\srv\\share", a, why));
    EXPECT_TRUE(a.IsRoot());
    EXPECT_TRUE(ParseAbsolutePath("C:", a, why));
    EXPECT_TRUE(a.IsRoot());
    for (const char* bad : {"C:x", "Tools", "\\Tools", "\\\\srv", "\\\\?\\C:\\x", "C:\\..\\x", ""})
        EXPECT_FALSE(ParseAbsolutePath(bad, a, why)) << bad;
}

TEST_F(Installed, SilentRemovalLeavesNothingTheLogNamesAndKeepsTheSharedParts) {
    EXPECT_EQ(Run(), kUninstallComplete) << p.ReadFile(kReport);
    for (const char* gone : {"C:\\Tools", "C:\\WINDOWS\\system\\tools.dll"})
        EXPECT_FALSE(Exists(gone)) << gone;
    EXPECT_TRUE(p.DirectoryExists("C:\\WINDOWS\\system"));
    EXPECT_TRUE(p.FileExists("C:\\WINDOWS\\uncorvid.exe"));
    EXPECT_TRUE(p.messageBoxes.empty());
    EXPECT_EQ(p.ddeCommands, std::vector<std::string>{"[DeleteGroup(Tools Group)]"});
    std::string v;
    EXPECT_TRUE(p.RegReadString(RegRoot::LocalMachine, "SOFTWARE\\KOVA\\corvid", "uninstall", v));
    EXPECT_FALSE(p.RegKeyExists(RegRoot::ClassesRoot, ".txz"));
    EXPECT_FALSE(p.RegKeyExists(RegRoot::ClassesRoot, "txzautofile"));
    EXPECT_FALSE(p.RegKeyExists(RegRoot::LocalMachine, kUninstallKey));
    EXPECT_TRUE(p.RegKeyExists(RegRoot::LocalMachine,
                               "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    // Our value goes, the shared key and its other value stay; emptied keys go up to Software.
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    EXPECT_FALSE(p.RegReadString(RegRoot::LocalMachine, run, "ToolsAgent", v));
    EXPECT_TRUE(p.RegReadString(RegRoot::LocalMachine, run, "Other", v));
    EXPECT_FALSE(p.RegKeyExists(RegRoot::CurrentUser, "Software\\KOVA"));
    EXPECT_TRUE(p.RegKeyExists(RegRoot::CurrentUser, "Software"));
    // win.ini keeps its own section; ours was emptied and went.
    EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\win.ini"), "[windows]\r\nload=\r\n");
}

TEST_F(Installed, InteractiveRunAsksAndShowsItsTextsFromTheLog) {
    log.replace(log.find("ask=0"), 5, "ask=1");
    log.replace(log.find("l15=\r\n"), 6, "l15=&Ja\r\n");
    log.replace(log.find("l55=\r\n"), 6, "l55=Tools entfernen?\r\n");
    log.replace(log.find("l60=\r\n"), 6, "l60=Fertig.\r\n");
    std::vector<std::string> seen;
    p.modalHandler = [&](Form& f) {
        seen = {f.name, f.caption, f["Lbl_question"].text, f["Btn_yes"].text, f["Btn_no"].text};
        return mb::IdNo;
    };
    EXPECT_EQ(Run(kLog), kUninstallDeclined);
    EXPECT_EQ(seen, (std::vector<std::string>{"Tquestion", "Uninstall Tools", "Tools entfernen?",
                                              "&Ja", "Cancel"}));
    EXPECT_TRUE(p.FileExists("C:\\Tools\\tool.exe"));
    EXPECT_TRUE(p.ddeCommands.empty());

    p.modalHandler = [&](Form&) { return mb::IdYes; };
    EXPECT_EQ(RunUninstaller(p, kLog), kUninstallComplete);
    EXPECT_FALSE(Exists("C:\\Tools"));
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_EQ(p.messageBoxes[0].text, "Fertig.");
    EXPECT_EQ(p.messageBoxes[0].caption, "Uninstall Tools");
    EXPECT_NE(std::find(p.attachedForms.begin(), p.attachedForms.end(), "Tuninst"),
              p.attachedForms.end());
}

TEST_F(Installed, WhatCannotGoStaysReportedAndTheLogWithIt) {
    p.WriteFile("C:\\Tools\\bin\\mine.doc", "user's own file");
    // An earlier installation's f5 beyond the total, and a file that is gone already.
    log.replace(log.find("f4="), 0, "f3=\\gone.exe\r\nf5=\\old.exe\r\n");
    p.WriteFile("C:\\Tools\\old.exe", "old");
    EXPECT_EQ(Run(), kUninstallIncomplete);
    EXPECT_FALSE(p.FileExists("C:\\Tools\\bin\\lib.dll"));
    EXPECT_TRUE(p.FileExists("C:\\Tools\\bin\\mine.doc"));
    EXPECT_TRUE(p.FileExists("C:\\Tools\\old.exe"));
    EXPECT_FALSE(p.DirectoryExists("C:\\Tools\\docs")); // empty parents go too
    EXPECT_TRUE(p.FileExists(kLog));
    const std::string report = p.ReadFile(kReport);
    EXPECT_NE(
        report.find(
            "LEFT          folder                   C:\\Tools\\bin  (it is not empty: mine.doc)"),
        std::string::npos)
        << report;
    EXPECT_NE(report.find("already gone  file                     C:\\Tools\\gone.exe"),
              std::string::npos);
    EXPECT_NE(report.find("f5 lies beyond [files] total 4"), std::string::npos);

    // Once the user's file is gone, a second run finishes the job.
    p.DeleteFile("C:\\Tools\\bin\\mine.doc");
    p.DeleteFile("C:\\Tools\\old.exe");
    EXPECT_EQ(RunUninstaller(p, std::string(kLog) + " /silent"), kUninstallComplete);
    EXPECT_FALSE(Exists("C:\\Tools"));
}

TEST_F(Installed, EntriesThatNowBelongToOthersStay) {
    p.RegWriteString(RegRoot::ClassesRoot, "txzautofile\\shell\\open\\command", "",
                     "C:\\Other\\o.exe %1");
    p.RegWriteString(RegRoot::LocalMachine, kUninstallKey, "UninstallString",
                     "C:\\WINDOWS\\uncorvid.exe D:\\Tools\\setup\\uninst.log");
    p.ddeAnswers = [](const std::string&, const std::string&) { return false; };
    p.SetFileAttributes("C:\\Tools\\tool.exe", 1); // read-only still goes
    log.replace(log.find("remove=1"), 8, "remove=0");
    EXPECT_EQ(Run(), kUninstallIncomplete);
    EXPECT_FALSE(p.FileExists("C:\\Tools\\tool.exe"));
    std::string v;
    EXPECT_TRUE(p.RegReadString(RegRoot::ClassesRoot, ".txz", "", v));
    EXPECT_TRUE(p.RegKeyExists(RegRoot::LocalMachine, kUninstallKey));
    EXPECT_TRUE(p.RegReadString(RegRoot::CurrentUser, "Software\\KOVA\\Tools", "Path", v));
    const std::string report = p.ReadFile(kReport);
    EXPECT_NE(report.find("the file type now starts another program: C:\\Other\\o.exe %1"),
              std::string::npos);
    EXPECT_NE(report.find("it belongs to another installation"), std::string::npos);
    EXPECT_NE(report.find("[sysreg] remove is 0"), std::string::npos);
    EXPECT_NE(
        report.find(
            "LEFT          program group            Tools Group  (no program manager answered)"),
        std::string::npos);
}

TEST_F(Installed, HostileLogRemovesNothingOutsideWhatItSafelyNames) {
    for (const char* keep : {"C:\\boot.ini", "C:\\WINDOWS\\win.com", "C:\\Other\\x.dat",
                             "D:\\data.txt", "C:\\Tools2\\y.txt"})
        p.WriteFile(keep, "keep");
    p.RegWriteString(RegRoot::ClassesRoot, "CLSID\\{1}", "", "x");
    log = "[readme]\r\nfile=C:\\Other\\x.dat\r\n"
          "[files]\r\ntotal=2147483647\r\nf1=\\..\\boot.ini\r\nf2=C:\\boot.ini\r\nf3="
          "\\\\srv\\s\\x\r\n"
          "f4=\\..\\Tools2\\y.txt\r\nf5=\\. "
          ".\\boot.ini\r\nf6=\\\r\nf06=\\tool.exe\r\nf7=\\tool.exe\r\n"
          "[systemroot]\r\ntotal=3\r\nf1=C:\\boot.ini\r\nf2=C:\\WINDOWS\\..\\boot.ini\r\nf3=D:"
          "\\data.txt\r\n"
          "[directories]\r\ntotal=2\r\nd1=\\..\\\r\nd2=C:\\Other\\\r\n"
          "[extensions]\r\ntotal=2\r\ne1=\\CLSID\r\ne2=\r\n"
          "[uninstall]\r\nname=\r\ndirectory=C:\\Tools\r\nprggrp=..\\..\r\n"
          "[sysreg]\r\nremove=1\r\ntotal=3\r\nk1=1\r\np1=\\\r\nb1=x\r\nk2=9\r\np2=CLSID\r\nb2=x\r\n"
          "k3=1\r\np3=CLSID\\\\{1}\r\nb3=x\r\n";
    EXPECT_EQ(Run(), kUninstallIncomplete);
    for (const char* keep : {"C:\\boot.ini", "C:\\WINDOWS\\win.com", "C:\\Other\\x.dat",
                             "D:\\data.txt", "C:\\Tools2\\y.txt"})
        EXPECT_TRUE(p.FileExists(keep)) << keep;
    EXPECT_FALSE(p.FileExists("C:\\Tools\\tool.exe"));    // f7 is sound
    EXPECT_TRUE(p.FileExists("C:\\Tools\\bin\\lib.dll")); // not named
    std::string v;
    EXPECT_TRUE(p.RegReadString(RegRoot::ClassesRoot, "CLSID\\{1}", "", v));
    EXPECT_TRUE(p.ddeCommands.empty());
    const std::string report = p.ReadFile(kReport);
    size_t refused = 0;
    for (size_t at = report.find("\nREFUSED"); at != std::string::npos;
         at = report.find("\nREFUSED", at + 1))
        ++refused;
    EXPECT_EQ(refused, 18u) << report;
    EXPECT_NE(report.find("it leaves its folder through \"..\""), std::string::npos);
    EXPECT_NE(report.find("it is not below the Windows directory"), std::string::npos);
    EXPECT_NE(report.find("it lies outside the destination"), std::string::npos);
}

TEST_F(Installed, DestinationThatIsARootOrMissingRemovesNothingBelowIt) {
    for (const char* dir : {"C:", "C:\\", "\\\\srv\\share", "", "Tools"}) {
        std::string l = log;
        l.replace(l.find("directory=C:\\Tools"), 18, std::string("directory=") + dir);
        log = l;
        EXPECT_EQ(Run(), kUninstallIncomplete) << dir;
        EXPECT_TRUE(p.FileExists("C:\\Tools\\tool.exe")) << dir;
        EXPECT_TRUE(p.FileExists("C:\\Tools\\readme.txt")) << dir;
        log = l;
        log.replace(log.find(std::string("directory=") + dir), 10 + std::string(dir).size(),
                    "directory=C:\\Tools");
    }
    // A log without any section but its own name reads as an empty installation.
    p.WriteFile("C:\\Tools\\setup\\empty.log", "");
    EXPECT_EQ(RunUninstaller(p, "C:\\Tools\\setup\\empty.log /silent"), kUninstallIncomplete);
    EXPECT_TRUE(p.FileExists("C:\\Tools\\tool.exe"));
    EXPECT_EQ(RunUninstaller(p, "C:\\nowhere\\uninst.log"), kUninstallNoLog);
    ASSERT_FALSE(p.messageBoxes.empty());
    EXPECT_EQ(p.messageBoxes.back().text,
              "The uninstall log cannot be read:\rC:\\nowhere\\uninst.log");
}

TEST_F(Installed, TenThousandEntriesAndValuesTooLongToTrust) {
    std::string files = "[files]\r\ntotal=10000\r\n";
    p.WriteFile("C:\\Tools\\many\\f1.dat", "x");
    const std::string many = p.HostPath("C:\\Tools\\many");
    for (int n = 1; n <= 10000; ++n) {
        const std::string name = "f" + std::to_string(n) + ".dat";
        std::ofstream(many + "/" + name) << "x";
        files += "f" + std::to_string(n) + "=\\many\\" + name + "\r\n";
    }
    // A value of more than 1023 characters: what the reading buffer keeps names a real file.
    std::string deep = "\\";
    while (deep.size() < 1000) deep += std::string(199, 'd') + "\\";
    const std::string cutName = deep.substr(0, 1001) + std::string(1022 - 1001, 'z');
    ASSERT_EQ(cutName.size(), 1022u);
    p.WriteFile("C:\\Tools" + cutName.substr(0, 1022), "kept");
    files += "f10001=" + cutName + "tail-beyond-the-buffer\r\n";
    log.replace(log.find("[files]"), log.find("[directories]") - log.find("[files]"), files);
    log.replace(log.find("total=10000"), 11, "total=10001");
    EXPECT_EQ(Run(), kUninstallIncomplete);
    EXPECT_FALSE(p.DirectoryExists("C:\\Tools\\many"));
    EXPECT_TRUE(p.FileExists("C:\\Tools" + cutName));
    EXPECT_NE(p.ReadFile(kReport).find("may have been cut off"), std::string::npos);
}

TEST(UninstallLog, CountsAndNumberedKeys) {
    EXPECT_EQ(ParseLogCount(" 12 "), 12);
    EXPECT_EQ(ParseLogCount("-3"), 0);
    EXPECT_EQ(ParseLogCount("0x10"), 0);
    EXPECT_EQ(ParseLogCount("99999999999"), INT32_MAX);
    FakePlatform p;
    p.WriteFile(
        "C:\\u.log",
        "[files]\r\ntotal=2\r\nf2=\\b\r\nf1=\\a\r\nf01=\\x\r\nF3=\\c\r\nf1=\\dup\r\n"
        "[ini_3]\r\ns0=\r\ns1=S\r\nk1=K\r\n[sysreg]\r\ntotal=1\r\nk1=3\r\np1=P\r\nb1=B\r\n");
    UninstallLogData d;
    ASSERT_TRUE(ReadUninstallLog(p, "C:\\u.log", d));
    ASSERT_EQ(d.files.entries.size(), 2u);
    EXPECT_EQ(d.files.entries[0].value, "\\a");
    EXPECT_EQ(d.files.entries[1].value, "\\b");
    ASSERT_EQ(d.files.beyond.size(), 1u);
    EXPECT_EQ(d.files.beyond[0].number, 3);
    ASSERT_EQ(d.iniFiles.size(), 1u);
    EXPECT_EQ(d.iniFiles[0].number, 3);
    ASSERT_EQ(d.iniFiles[0].entries.size(), 1u);
    EXPECT_EQ(d.iniFiles[0].entries[0].slot, 1);
    ASSERT_EQ(d.registry.size(), 1u);
    EXPECT_EQ(d.registry[0].kind, 3);
    EXPECT_EQ(d.Text(55, "fallback"), "fallback");
}

TEST_F(Installed, OnlyTheLogInItsOwnDestinationSaysWhatToRemoveThere) {
    p.WriteFile("C:\\WINDOWS\\system32\\x.dll", "system");
    // A foreign destination in a log in our destination.
    log.replace(log.find("directory=C:\\Tools"), 18, "directory=C:\\WINDOWS\\system32");
    log += "[files]\r\nf9=\\x.dll\r\n";
    EXPECT_EQ(Run(), kUninstallIncomplete);
    EXPECT_TRUE(p.FileExists("C:\\WINDOWS\\system32\\x.dll"));
    EXPECT_TRUE(p.FileExists("C:\\Tools\\tool.exe"));
    EXPECT_NE(p.ReadFile(kReport).find("the uninstall log does not lie in that folder's "
                                       "setup\\uninst.log"),
              std::string::npos)
        << p.ReadFile(kReport);
    // A log copied elsewhere names the right destination but is not the one lying there.
    log.replace(log.find("directory=C:\\WINDOWS\\system32"), 29, "directory=C:\\Tools");
    p.WriteFile("C:\\Other\\uninst.log", log);
    EXPECT_EQ(RunUninstaller(p, "C:\\Other\\uninst.log /silent"), kUninstallIncomplete);
    EXPECT_TRUE(p.FileExists("C:\\Tools\\tool.exe"));
    // The Windows directory as the destination, even with the log lying in it.
    p.WriteFile(
        "C:\\WINDOWS\\setup\\uninst.log",
        "[files]\r\ntotal=1\r\nf1=\\win.ini\r\n[uninstall]\r\ndirectory=C:\\windows\\.\r\n");
    EXPECT_EQ(RunUninstaller(p, "C:\\WINDOWS\\setup\\uninst.log /silent"), kUninstallIncomplete);
    EXPECT_TRUE(p.FileExists("C:\\WINDOWS\\win.ini"));
    EXPECT_NE(p.ReadFile("C:\\WINDOWS\\setup\\uninst.txt").find("it holds the Windows directory"),
              std::string::npos);
    // The destination in its short name is the same folder: the removal goes ahead.
    WriteLog();
    p.shortNames["c:\\tools~1"] = "Tools";
    EXPECT_EQ(RunUninstaller(p, "C:\\TOOLS~1\\setup\\uninst.log /silent"), kUninstallComplete)
        << p.ReadFile(kReport);
    EXPECT_FALSE(Exists("C:\\Tools"));
}

TEST_F(Installed, LinksAreNeverFollowedNorTheirTargetsChanged) {
    p.WriteFile("C:\\WINDOWS\\system\\lib.dll", "system's");
    p.WriteFile("C:\\WINDOWS\\win.com", "system's");
    // bin is a junction into the system folder; tool.exe a link to a system file; the report's
    // place a link to win.ini.
    std::filesystem::remove_all(p.HostPath("C:\\Tools\\bin"));
    p.MakeLink("C:\\Tools\\bin", "C:\\WINDOWS\\system");
    std::filesystem::remove(p.HostPath("C:\\Tools\\tool.exe"));
    p.MakeLink("C:\\Tools\\tool.exe", "C:\\WINDOWS\\win.com");
    const std::string winIni = p.ReadFile("C:\\WINDOWS\\win.ini");
    log.replace(log.find("[systemroot]"), 0,
                "[ini_3]\r\nname=C:\\Tools\\bin\\lib.ini\r\ns0=A\r\nk0=B\r\nv0=C\r\n");
    p.WriteFile("C:\\WINDOWS\\system\\lib.ini", "[A]\r\nB=C\r\n");
    EXPECT_EQ(Run(), kUninstallIncomplete);
    EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\system\\lib.dll"), "system's");
    EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\system\\lib.ini"), "[A]\r\nB=C\r\n");
    EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\win.com"), "system's");
    EXPECT_TRUE(p.attributes.empty()); // no read-only bit cleared anywhere
    EXPECT_TRUE(p.DirectoryExists("C:\\WINDOWS\\system"));
    const std::string report = p.ReadFile(kReport);
    EXPECT_NE(report.find("REFUSED       file                     C:\\Tools\\bin\\lib.dll  (the "
                          "way there leads through a link"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("REFUSED       file                     C:\\Tools\\tool.exe"),
              std::string::npos);
    EXPECT_NE(report.find("REFUSED       folder                   C:\\Tools\\bin"),
              std::string::npos);
    EXPECT_NE(report.find("REFUSED       INI file                 C:\\Tools\\bin\\lib.ini"),
              std::string::npos);
    // A link where the report goes: no report rather than one written into win.ini.
    p.DeleteFile(kReport);
    p.MakeLink(kReport, "C:\\WINDOWS\\win.ini");
    EXPECT_EQ(Run(), kUninstallIncomplete);
    EXPECT_TRUE(p.QueryPath(kReport).link);
    EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\win.ini").substr(0, 9), winIni.substr(0, 9));
    // A destination that is itself a link removes nothing.
    FakePlatform q;
    q.WriteFile("C:\\Real\\setup\\uninst.log",
                "[files]\r\ntotal=1\r\nf1=\\a.txt\r\n[uninstall]\r\ndirectory=C:\\Tools\r\n");
    q.WriteFile("C:\\Real\\a.txt", "a");
    q.MakeLink("C:\\Tools", "C:\\Real");
    EXPECT_EQ(RunUninstaller(q, "C:\\Tools\\setup\\uninst.log /silent"), kUninstallIncomplete);
    EXPECT_TRUE(q.FileExists("C:\\Real\\a.txt"));
}

TEST_F(Installed, NamesSpeltOtherwiseAreStillTheProtectedFiles) {
    p.shortNames["c:\\windows\\uncorv~1.exe"] = "uncorvid.exe";
    p.shortNames["c:\\tools\\setup\\uninst~1.log"] = "uninst.log";
    p.WriteFile("C:\\Tools\\nul.txt", "x");
    log.replace(log.find("[systemroot]"), log.find("[ini_1]") - log.find("[systemroot]"),
                "[systemroot]\r\ntotal=4\r\nf1=C:\\WINDOWS\\UNCORV~1.EXE\r\n"
                "f2=C:\\WINDOWS\\uncorvid.exe. \r\nf3=C:\\WINDOWS\\con\r\n"
                "f4=C:\\WINDOWS\\system\\tools.dll...\r\n");
    log.replace(log.find("f4=\\docs"), 0,
                "f3=\\setup\\UNINST~1.LOG\r\nf5=\\nul.txt\r\nf6=\\con\\con\r\nf7=\\COM1 .x\r\n"
                "f8=\\setup\\uninst.log .\r\n");
    log.replace(log.find("total=4\r\nf1=\\tool"), 7, "total=8");
    EXPECT_EQ(Run(), kUninstallIncomplete);
    EXPECT_TRUE(p.FileExists("C:\\WINDOWS\\uncorvid.exe"));
    EXPECT_FALSE(p.FileExists("C:\\WINDOWS\\system\\tools.dll")); // the trailing dots drop
    EXPECT_TRUE(p.FileExists("C:\\Tools\\nul.txt"));
    EXPECT_TRUE(p.FileExists(kLog));
    const std::string report = p.ReadFile(kReport);
    const std::string shared = "C:\\WINDOWS\\uncorvid.exe  (the shared uninstaller stays";
    ASSERT_NE(report.find(shared), std::string::npos) << report;
    EXPECT_NE(report.find(shared, report.find(shared) + 1), std::string::npos); // f1 and f2
    for (const char* kept : {"C:\\Tools\\setup\\UNINST~1.LOG  (the uninstall log itself",
                             "C:\\Tools\\setup\\uninst.log  (the uninstall log itself"})
        EXPECT_NE(report.find(kept), std::string::npos) << kept << "\n" << report;
    for (const char* device :
         {"\"con\" is a device's", "\"nul.txt\" is a device's", "\"COM1 .x\" is a device's"})
        EXPECT_NE(report.find(device), std::string::npos) << device;

    WinPath w;
    std::string why;
    for (const char* bad : {"//./C:/x", "\\\\./pipe/x", "\\\\.\\pipe\\x", "//?/C:/x",
                            "\\\\?\\UNC\\srv\\s", "C:\\x\\lpt9", "C:\\aux.dat\\y", "C:\\x:stream"})
        EXPECT_FALSE(ParseAbsolutePath(bad, w, why)) << bad;
    for (const char* fine : {"C:\\console\\com10", "C:\\nulls.txt", "\\\\srv\\share\\x"})
        EXPECT_TRUE(ParseAbsolutePath(fine, w, why)) << fine << ": " << why;
    ASSERT_TRUE(ParseAbsolutePath("C:\\Tools. \\x.exe..", w, why));
    EXPECT_EQ(w.Text(), "C:\\Tools\\x.exe");
}

TEST_F(Installed, IniEntriesOnlyInFilesBelowTheDestinationOrTheWindowsDirectory) {
    const std::string keys = "\r\ns0=A\r\nk0=B\r\n";
    const std::string tail = log.substr(log.find("[sysreg]"));
    log.replace(log.find("[sysreg]"), std::string::npos, "[ini_4]\r\nname=own.ini" + keys + tail);
    p.WriteFile("C:\\WINDOWS\\own.ini", "[A]\r\nB=C\r\n");
    const std::string base = log;
    for (const char* name : {"C:\\Other\\x.ini", "C:\\Tools\\..\\boot.ini", "D:\\y.ini",
                             "sub\\z.ini", "con", "C:\\WINDOWS\\uncorvid.exe"}) {
        SCOPED_TRACE(name);
        const std::string file = std::string(name) == "sub\\z.ini" ? "C:\\WINDOWS\\sub\\z.ini"
                                 : std::string(name) == "C:\\Tools\\..\\boot.ini" ? "C:\\boot.ini"
                                                                                  : name;
        if (std::string(name) != "con") p.WriteFile(file, "[A]\r\nB=C\r\n");
        log = base;
        log.replace(log.find("[ini_4]"), 0, "[ini_3]\r\nname=" + std::string(name) + keys);
        EXPECT_EQ(Run(), kUninstallIncomplete);
        if (std::string(name) != "con") {
            EXPECT_EQ(p.ReadFile(file), "[A]\r\nB=C\r\n");
        }
        EXPECT_NE(
            p.ReadFile(kReport).find("REFUSED       INI file                 " + std::string(name)),
            std::string::npos)
            << p.ReadFile(kReport);
    }
    EXPECT_FALSE(p.FileExists("C:\\WINDOWS\\own.ini")); // a bare name: the Windows directory
    EXPECT_FALSE(p.FileExists("C:\\Tools\\tools.ini"));
}
