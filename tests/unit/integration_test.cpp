// System integration (program group, associations, start-up files, INI and registry entries,
// uninstall registration) and the completion dialog, on the fake platform.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "install/complete.h"
#include "install/integration.h"
#include "state/context.h"

using namespace corvid;

namespace {

// Records what the run would show.
class RecordingProgress : public RunProgress {
public:
    std::vector<std::string> events;
    void ShowActivity(const std::string& text) override { events.push_back("label " + text); }
    void SetUpper(int32_t p) override { events.push_back("upper " + std::to_string(p)); }
    void SetLower(int32_t p) override { events.push_back("lower " + std::to_string(p)); }
    void Pause() override { events.push_back("pause"); }
};

// The message of the run-time error an operation raises.
template <typename F> std::string ErrorOf(F operation) {
    try {
        operation();
    } catch (const RuntimeError& e) {
        return e.what();
    }
    return "<no error>";
}

class Integration : public ::testing::Test {
protected:
    Integration() : ctx(p), run(p) {
        ctx.sourceFolder = "D:\\";
        ctx.choices.targetDirectory = "C:\\Tools";
        ctx.choices.programGroup = "Tools";
        ctx.startup.setupVersion = 7;
        ctx.language.l[7] = "Restart now?";
        ctx.language.l[8] = "Please restart later.";
        ctx.language.l[21] = "Setup is complete.";
        ctx.language.l[22] = "Creating the program group";
        ctx.language.l[23] = "Registering file types";
        run.destination = "C:\\Tools";
        run.windowsDirectory = "C:\\WINDOWS";
        run.setupFolder = "C:\\Tools\\setup";
        run.log.Open(run.setupFolder + "\\uninst.log", true);
        run.uninstallerPath = "C:\\WINDOWS\\uncorvid.exe";
        p.CreateDir("C:\\WINDOWS");
    }

    // Writes the working description and opens the run's reader on it.
    void Describe(const std::string& text) {
        p.WriteFile(run.setupFolder + "\\setup.tmp", text);
        run.workDescription =
            std::make_unique<SetupDescription>(p, run.setupFolder + "\\setup.tmp");
    }
    // What the log holds once written (the run writes it whole at its pause points).
    std::string Logged(const std::string& section, const std::string& key) {
        run.log.Flush();
        return p.ProfileString(run.log.Path(), section, key, "<none>");
    }
    std::string Reg(RegRoot root, const std::string& key, const std::string& name) {
        std::string v = "<none>";
        p.RegReadString(root, key, name, v);
        return v;
    }
    void Group() {
        BuildGroupLines(ctx, run, progress);
        SendGroupLines(ctx, run);
    }

    FakePlatform p;
    Context ctx;
    RunState run;
    RecordingProgress progress;
};

// ---------------------------------------------------------------- program group

TEST_F(Integration, WorkedExampleReachesTheProgramManagerAsOneLine) {
    Describe("[software]\nname=Tools\n[prggrp]\nuninst=0\ntotal=1\no1=1\nf1=1\np1=Tool\n"
             "[Option_1]\nf1=tool.exe\nd1=1\n[directories]\nd1_1=\\bin\\\n");
    ctx.choices.components[1] = true;
    Group();
    ASSERT_EQ(p.ddeCommands.size(), 1u);
    EXPECT_EQ(p.ddeCommands[0],
              "[CreateGroup(Tools)][AddItem(C:\\Tools\\bin\\\\tool.exe,Tool)]\r\n");
    // The empty topic first, then the program manager's own topic; closed once.
    EXPECT_EQ(p.ddeConnects, (std::vector<std::string>{"Progman|", "Progman|Progman"}));
    EXPECT_EQ(p.ddeCloses, 1);
    EXPECT_TRUE(p.processStarts.empty());
    EXPECT_TRUE(ctx.groupItemsAdded);
    EXPECT_EQ(Logged("uninstall", "prggrp"), "Tools");
    EXPECT_TRUE(run.groupLines.empty()); // sent once
}

TEST_F(Integration, UninstallItemAndSelectedComponentsEachOneTransaction) {
    Describe("[software]\nname=Tools\n[prggrp]\ntotal=3\no1=1\nf1=1\np1=One\no2=2\np2=Two\n"
             "o3=3\nf3=2\nr3=-x %1\n[Option_1]\nf1=one.exe\nd1=0\n[Option_3]\nf2=three.exe\n"
             "d2=2\n[directories]\nd3_2=\\lib\\\n");
    ctx.choices.components[1] = ctx.choices.components[3] = true;
    Group();
    EXPECT_EQ(p.ddeCommands,
              (std::vector<std::string>{
                  "[CreateGroup(Tools)][AddItem(C:\\WINDOWS\\uncorvid.exe "
                  "C:\\Tools\\setup\\uninst.log,Uninstall Tools)]\r\n",
                  // d1 = 0 names [directories] d1_0, which is missing: "\" stands for it.
                  "[AddItem(C:\\Tools\\\\one.exe,One)]\r\n",
                  "[AddItem(C:\\Tools\\lib\\\\three.exe -x %1,[unbenannt_3])]\r\n"}));
    // The label, the gauges and a pause for every row, built or not.
    EXPECT_EQ(progress.events,
              (std::vector<std::string>{"label Creating the program group", "upper 33", "lower 99",
                                        "pause", "label Creating the program group", "upper 67",
                                        "lower 99", "pause", "label Creating the program group",
                                        "upper 100", "lower 99", "pause"}));
}

TEST_F(Integration, NothingSelectedAndNoUninstallItemSendsNothing) {
    Describe("[software]\nname=Tools\n[prggrp]\nuninst=0\ntotal=2\no1=1\no2=2\n");
    ctx.choices.components[3] = true;
    Group();
    EXPECT_TRUE(p.ddeConnects.empty());
    EXPECT_TRUE(p.ddeCommands.empty());
    EXPECT_TRUE(p.processStarts.empty());
    EXPECT_FALSE(ctx.groupItemsAdded);
}

TEST_F(Integration, UninstallTitleAndGroupName) {
    for (auto [name, title] :
         std::vector<std::pair<std::string, std::string>>{{"name=Editor [beta]\n", "Uninstall"},
                                                          {"", "Uninstall"},
                                                          {"name=Editor\n", "Uninstall Editor"}}) {
        Describe("[software]\n" + name + "[prggrp]\ntotal=0\n");
        ctx.choices.programGroup.clear();
        p.ddeCommands.clear();
        Group();
        ASSERT_EQ(p.ddeCommands.size(), 1u);
        const std::string group = name.empty() ? "_" : name.substr(5, name.size() - 6);
        EXPECT_EQ(p.ddeCommands[0], "[CreateGroup(" + group + ")][AddItem(" +
                                        integration::UninstallCommand(run) + "," + title +
                                        ")]\r\n");
        EXPECT_EQ(Logged("uninstall", "prggrp"), group);
    }
}

TEST_F(Integration, PercentAndLongSystemPathsReachTheProgramManagerUnchanged) {
    const std::string sub = "\\system\\a very long sub-directory name\\and another one below it";
    Describe("[software]\nname=Tools\n[prggrp]\nuninst=0\ntotal=2\no1=1\nf1=1\np1=50% %s %d\n"
             "o2=1\nf2=2\np2=Two\n[Option_1]\nf1=a%20b.exe\nd1=1\nf2=sys.exe\nd2=2\n"
             "[directories]\nd1_1=\\100%\\\nd1_2=%systemroot%" +
             sub + "\\\n");
    ctx.choices.components[1] = true;
    ctx.choices.programGroup = "Tools %s";
    Group();
    EXPECT_EQ(p.ddeCommands,
              (std::vector<std::string>{
                  "[CreateGroup(Tools %s)][AddItem(C:\\Tools\\100%\\\\a%20b.exe,50% %s %d)]\r\n",
                  "[AddItem(C:\\WINDOWS" + sub + "\\\\sys.exe,Two)]\r\n"}));
}

TEST_F(Integration, ProgramManagerStartedMinimisedWhenNobodyAnswers) {
    Describe("[software]\nname=Tools\n[prggrp]\ntotal=0\n");
    p.ddeAnswers = [this](const std::string&, const std::string& topic) {
        return !p.processStarts.empty() && topic.empty();
    };
    Group();
    EXPECT_EQ(p.processStarts, (std::vector<std::string>{"Progman "}));
    EXPECT_EQ(p.processShowModes, (std::vector<int>{SW_SHOWMINNOACTIVE_}));
    EXPECT_EQ(p.ddeConnects, (std::vector<std::string>{"Progman|", "Progman|Progman", "Progman|"}));
    EXPECT_EQ(p.ddeCommands.size(), 1u);

    // Nobody at all: nothing is sent and nothing is reported.
    p.ddeAnswers = [](const std::string&, const std::string&) { return false; };
    p.ddeCommands.clear();
    Group();
    EXPECT_TRUE(p.ddeCommands.empty());
    EXPECT_TRUE(p.messageBoxes.empty());
}

TEST_F(Integration, MediumItemsRunFromTheSetupsDrive) {
    Describe("[software]\nname=Tools\n[prggrp_run]\nv1=\\bin\\app.exe\np1=App\n");
    ctx.choices.programGroup.clear();
    p.modulePath = "\\\\server\\share\\disk1\\setup.exe";
    BuildMediumGroupLines(ctx, run, progress);
    SendGroupLines(ctx, run);
    EXPECT_EQ(p.ddeCommands, (std::vector<std::string>{
                                 "[CreateGroup(New)][AddItem(" +
                                     integration::UninstallCommand(run) + ",Uninstall Tools)]\r\n",
                                 "[AddItem(\\\\server\\share\\bin\\app.exe,App)]\r\n",
                                 "[AddItem(\\\\server\\share_,noname2])]\r\n"}));
    EXPECT_EQ(Logged("uninstall", "prggrp"), "New");
    EXPECT_TRUE(progress.events.empty());

    // Without the uninstall item the medium's items do not count as group items.
    Describe("[prggrp]\nuninst=0\n[prggrp_run]\ntotal=1\nv1=\\app.exe\n");
    ctx.groupItemsAdded = false;
    ctx.choices.programGroup = "Run";
    p.modulePath = "D:\\setup.exe";
    p.ddeCommands.clear();
    BuildMediumGroupLines(ctx, run, progress);
    SendGroupLines(ctx, run);
    EXPECT_EQ(p.ddeCommands,
              (std::vector<std::string>{"[CreateGroup(Run)][AddItem(D:\\app.exe,noname1])]\r\n"}));
    EXPECT_FALSE(ctx.groupItemsAdded);
}

// ---------------------------------------------------------------- registry

TEST_F(Integration, RegistryFileImportedSilentlyWithItsPathQuoted) {
    Describe("");
    ImportRegistryFile(ctx, run);
    EXPECT_TRUE(p.processStarts.empty()); // no zsys.re_
    p.WriteFile("D:\\my disk\\zsys.re_", "REGEDIT4\r\n");
    ctx.sourceFolder = "D:\\my disk\\";
    ImportRegistryFile(ctx, run);
    EXPECT_EQ(p.processStarts, (std::vector<std::string>{"regedit /s \"D:\\my disk\\zsys.re_\""}));
}

TEST_F(Integration, AssociationsPointWhereTheFileWasInstalled) {
    Describe("[extensions]\ntotal=3\ne1=abc\no1=1\nf1=2\nn1=ABC file\ne3=xyz\no3=2\nf3=1\n"
             "[Option_1]\nf2=abc.exe\nd2=1\n[Option_2]\nf1=xyz.exe\n"
             "[directories]\nd1_1=\\bin\\\n");
    EXPECT_EQ(MakeAssociations(ctx, run, progress), 2);
    EXPECT_EQ(Reg(RegRoot::ClassesRoot, ".abc", ""), "abcautofile");
    EXPECT_EQ(Reg(RegRoot::ClassesRoot, "abcautofile", ""), "ABC file");
    EXPECT_EQ(Reg(RegRoot::ClassesRoot, "abcautofile\\DefaultIcon", ""),
              "C:\\Tools\\bin\\abc.exe,1");
    EXPECT_EQ(Reg(RegRoot::ClassesRoot, "abcautofile\\shell\\open\\command", ""),
              "C:\\Tools\\bin\\abc.exe %1");
    EXPECT_EQ(Reg(RegRoot::ClassesRoot, "xyzautofile\\shell\\open\\command", ""),
              "C:\\Tools\\xyz.exe %1");
    EXPECT_EQ(Reg(RegRoot::ClassesRoot, "xyzautofile", ""), "");
    EXPECT_EQ(Logged("extensions", "e1"), "abc");
    EXPECT_EQ(Logged("extensions", "e2"), "xyz");
    EXPECT_EQ(Logged("extensions", "e3"), "<none>");
    EXPECT_EQ(Logged("extensions", "total"), "2");
    EXPECT_EQ(
        std::count(progress.events.begin(), progress.events.end(), "label Registering file types"),
        3);

    // A classes root that cannot be opened makes none, and logs the total 0.
    p.refusedKeys.insert("hkcr");
    p.registry.clear();
    EXPECT_EQ(MakeAssociations(ctx, run, progress), 0);
    EXPECT_TRUE(p.registry.empty());
    EXPECT_EQ(Logged("extensions", "total"), "0");
}

TEST_F(Integration, RegistryEntriesOfEachKind) {
    Describe("[sysreg]\nremove=1\ntotal=5\n"
             "k1=1\np1=\\.corvid\\shell\ne1=Name\nb1=one\n"
             "k2=2\np2=Software\\Tools\nb2=\n"
             "k3=3\np3=SOFTWARE\\Tools\\Empty\ne3=x\n"
             "k4=4\np4=Ignored\nb4=x\n"
             "k5=3\np5=SOFTWARE\\Tools\ne5=Path\nb5=C:\\Tools\n");
    WriteRegistryEntries(ctx, run, progress);
    EXPECT_EQ(Reg(RegRoot::ClassesRoot, ".corvid\\shell", "Name"), "one");
    EXPECT_EQ(Reg(RegRoot::CurrentUser, "Software\\Tools", ""), ""); // empty data is written
    EXPECT_TRUE(p.registryKeys.count("hklm\\software\\tools\\empty"));
    EXPECT_EQ(Reg(RegRoot::LocalMachine, "SOFTWARE\\Tools\\Empty", "x"), "<none>");
    EXPECT_EQ(Reg(RegRoot::LocalMachine, "SOFTWARE\\Tools", "Path"), "C:\\Tools");
    EXPECT_EQ(Logged("sysreg", "remove"), "1");
    EXPECT_EQ(Logged("sysreg", "total"), "5");
    EXPECT_EQ(Logged("sysreg", "k2"), "2");
    EXPECT_EQ(Logged("sysreg", "p1"), "\\.corvid\\shell");
    EXPECT_EQ(Logged("sysreg", "b5"), "C:\\Tools");
    EXPECT_EQ(Logged("sysreg", "k4"), "<none>");
    EXPECT_TRUE(p.messageBoxes.empty());
}

TEST_F(Integration, RegistryEntryFailures) {
    // Kind 3 refused: a message, no log entry, and the next entry still made.
    Describe("[sysreg]\ntotal=2\nk1=3\np1=Locked\nb1=x\nk2=2\np2=Software\\Tools\ne2=a\nb2=b\n");
    p.refusedKeys.insert("hklm\\locked");
    WriteRegistryEntries(ctx, run, progress);
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_EQ(p.messageBoxes[0].text,
              "No permission to create a key at the top of\rHKEY_LOCAL_MACHINE");
    EXPECT_EQ(p.messageBoxes[0].caption, "registry");
    EXPECT_EQ(p.messageBoxes[0].flags, mb::Ok);
    EXPECT_EQ(Logged("sysreg", "k1"), "<none>");
    EXPECT_EQ(Logged("sysreg", "k2"), "2");

    // Kinds 1 and 2 end the run with the run-time's messages.
    p.refusedKeys.insert("hkcu\\software\\tools");
    EXPECT_EQ(ErrorOf([&] { WriteRegistryEntries(ctx, run, progress); }),
              "Erzeugung von Schl\xFCssel Software\\Tools misslungen");
    p.refusedKeys.clear();
    p.refusedValues.insert("a");
    EXPECT_EQ(ErrorOf([&] { WriteRegistryEntries(ctx, run, progress); }),
              "Konnte Daten f\xFCr 'a' nicht setzen");
}

TEST_F(Integration, UninstallRegistrationAlsoWithoutTheLog) {
    Describe("[software]\nname=Tools\nname_display=Tools 1.0\nuniyes=0\n");
    run.log.Open(run.log.Path(), false);
    run.registryRoot = RegRoot::CurrentUser;
    Group();
    RegisterUninstall(ctx, run);
    const std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tools";
    EXPECT_EQ(Reg(RegRoot::LocalMachine, key, "UninstallString"),
              "C:\\WINDOWS\\uncorvid.exe C:\\Tools\\setup\\uninst.log");
    EXPECT_EQ(Reg(RegRoot::LocalMachine, key, "DisplayName"), "Tools 1.0");
    EXPECT_EQ(Reg(RegRoot::LocalMachine, key, "version"), "7");
    EXPECT_EQ(run.registryRoot, RegRoot::LocalMachine);
    EXPECT_EQ(p.ddeCommands.size(), 1u); // the uninstall item is still made
    EXPECT_FALSE(p.FileExists(run.log.Path()));

    Describe("[software]\nname=Other\nCP=0\n");
    p.registry.clear();
    RegisterUninstall(ctx, run);
    EXPECT_TRUE(p.registry.empty());
}

// ---------------------------------------------------------------- start-up files and INI files

TEST_F(Integration, StartupFilesAppendedAfterBackupsAndNeverCreated) {
    Describe("[dos]\nbkp_a=autoexec.cvd\na2=SET X=1\nbkp_c=config.cvd\nc1=FILES=40\n");
    const std::string before = "@ECHO OFF\r\nPATH C:\\DOS\r\n\x1A\x1A";
    p.WriteFile("C:\\autoexec.bat", before);
    EditStartupFiles(ctx, run);
    EXPECT_EQ(p.ReadFile("C:\\autoexec.cvd"), before);
    EXPECT_EQ(p.ReadFile("C:\\autoexec.bat"), "@ECHO OFF\r\nPATH C:\\DOS\r\n\r\nSET X=1\r\n");
    EXPECT_FALSE(p.FileExists("C:\\config.sys"));
    EXPECT_FALSE(p.FileExists("C:\\config.cvd"));
}

TEST_F(Integration, StartupFileEndMarkCutOnlyInTheLastBlock) {
    Describe("[dos]\nc1=FILES=40\nc5=BUFFERS=20\n");
    const std::string early = "REM\x1A" + std::string(200, 'x') + "\r\n";
    p.WriteFile("C:\\config.sys", early);
    EditStartupFiles(ctx, run);
    EXPECT_EQ(p.ReadFile("C:\\config.sys"), early + "\r\nFILES=40\r\n\r\nBUFFERS=20\r\n");

    // A mark within the last 128 bytes cuts the file at the first mark there, text after it too.
    const std::string late = std::string(200, 'y') + "\x1Agarbage\x1A";
    p.WriteFile("C:\\config.sys", late);
    EditStartupFiles(ctx, run);
    EXPECT_EQ(p.ReadFile("C:\\config.sys"),
              std::string(200, 'y') + "\r\nFILES=40\r\n\r\nBUFFERS=20\r\n");
}

TEST_F(Integration, IniEntriesBelowWindowsAndElsewhere) {
    const std::string deep = "\\profiles\\a directory name long enough to pass forty\\tools.ini";
    Describe("[ini_1]\nname=%SystemRoot%\\win.ini\nbkp=win.cvd\ns0=Tools\nk0=Path\nv0=C:\\Tools\n"
             "[ini_2]\nname=C:\\Tools\\cfg\\tools.ini\ns3=Options\nk3=Level\nv3=2\n"
             "[ini_3]\nname=%systemroot%" +
             deep + "\ns9=S\nk9=K\nv9=V\n[ini_4]\nname=plain.ini\ns1=A\nk1=B\nv1=C\n");
    p.WriteFile("C:\\WINDOWS\\win.ini", "[windows]\r\nload=\r\n");
    WriteIniEntries(ctx, run);
    EXPECT_EQ(p.ProfileString("C:\\WINDOWS\\win.ini", "Tools", "Path", ""), "C:\\Tools");
    EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\win.cvd"), "[windows]\r\nload=\r\n");
    EXPECT_EQ(p.ProfileString("C:\\Tools\\cfg\\tools.ini", "Options", "Level", ""), "2");
    EXPECT_EQ(p.ProfileString("C:\\WINDOWS" + deep, "S", "K", ""), "V");
    EXPECT_EQ(p.ProfileString("C:\\WINDOWS\\plain.ini", "A", "B", ""), "C");
    // Names below the Windows directory are not logged; their entries are.
    EXPECT_EQ(Logged("ini_1", "name"), "<none>");
    EXPECT_EQ(Logged("ini_1", "s0"), "Tools");
    EXPECT_EQ(Logged("ini_1", "v0"), "C:\\Tools");
    EXPECT_EQ(Logged("ini_2", "name"), "C:\\Tools\\cfg\\tools.ini");
    EXPECT_EQ(Logged("ini_2", "k3"), "Level");
    EXPECT_EQ(Logged("ini_2", "s0"), "<none>");
    EXPECT_EQ(Logged("ini_3", "name"), "<none>");
    EXPECT_EQ(Logged("ini_4", "name"), "plain.ini");
}

TEST_F(Integration, RefusedIniWriteEndsTheRun) {
    Describe("[ini_1]\nname=Q:\\nowhere\\x.ini\ns0=A\nk0=B\nv0=C\n");
    EXPECT_EQ(ErrorOf([&] { WriteIniEntries(ctx, run); }),
              "Kann nicht nach Q:\\nowhere\\x.ini schreiben");
}

// ---------------------------------------------------------------- completion dialog

class Completion : public Integration {
protected:
    Completion() : dialog(ctx) {
        dialog.FormCreate();
        p.WriteFile("C:\\Tools\\setup\\compress.tmp", "x");
        p.WriteFile("C:\\temp\\cvd.bmp", "x");
        run.readmeTarget = "C:\\Tools\\doc\\readme.txt";
        ctx.readmeCopyPath = run.readmeTarget;
    }
    // The run hands its state to the context before the dialog opens.
    void Open(const std::string& description) {
        Describe(description);
        ctx.run.reset(new RunState(p));
        ctx.run->workDescription = std::move(run.workDescription);
        ctx.run->readmeTarget = run.readmeTarget;
        dialog.FormShow();
    }

    Tcomplete dialog;
};

TEST_F(Completion, LayoutAndSingleCentredButton) {
    EXPECT_EQ(dialog.caption, "corvid");
    EXPECT_EQ(dialog.clientWidth, 263);
    EXPECT_EQ(dialog.clientHeight, 85);
    EXPECT_EQ(dialog["Lbl_complete"].text, "Setup is complete.");
    EXPECT_FALSE(dialog["Btn_readme"].visible);
    EXPECT_EQ(dialog["Btn_complete"].text, "&Ok");
    Open("[software]\nreadmestart=2\n"); // no read-me file
    EXPECT_EQ(dialog["Lbl_complete"].text, "Setup is complete. ");
    EXPECT_FALSE(dialog["Btn_readme"].visible);
    EXPECT_EQ(dialog["Btn_complete"].x, 87);
    EXPECT_TRUE(p.processStarts.empty());
    EXPECT_EQ(p.processMessagesCalls, 0); // no group items: no wait
    EXPECT_TRUE(p.foregroundTitleLengths.empty());
}

TEST_F(Completion, ReadmeButtonOpensTheFileThenCompletes) {
    p.WriteFile(run.readmeTarget, "read me");
    Open("[software]\nreadmestart=2\nrun=bin\\tool.exe\n");
    EXPECT_TRUE(dialog["Btn_readme"].visible);
    EXPECT_EQ(dialog["Btn_complete"].x, 56);
    EXPECT_EQ(dialog["Btn_readme"].x, 133);
    EXPECT_TRUE(p.processStarts.empty());
    dialog["Btn_readme"].UserClick();
    EXPECT_EQ(p.processStarts, (std::vector<std::string>{"write C:\\Tools\\doc\\readme.txt",
                                                         "C:\\Tools\\bin\\tool.exe"}));
    EXPECT_FALSE(dialog["Btn_readme"].enabled);
    EXPECT_TRUE(p.terminated);
    EXPECT_FALSE(p.FileExists("C:\\Tools\\setup\\setup.tmp"));
    EXPECT_FALSE(p.FileExists("C:\\Tools\\setup\\compress.tmp"));
    EXPECT_FALSE(p.FileExists("C:\\temp\\cvd.bmp"));
    EXPECT_TRUE(p.FileExists(run.readmeTarget));
    EXPECT_FALSE(ctx.run->workDescription);
    EXPECT_TRUE(p.messageBoxes.empty()); // reboot 0: no question
}

TEST_F(Completion, ReadmeOpenedAtOnceWithNotepadWhenWriteFails) {
    p.WriteFile(run.readmeTarget, "read me");
    p.startResult = [](const std::string& cmd) { return cmd.rfind("write ", 0) == 0 ? 2u : 33u; };
    Open("[software]\nreadmestart=1\nmsg2=Thank you\n");
    EXPECT_EQ(p.processStarts, (std::vector<std::string>{"write C:\\Tools\\doc\\readme.txt",
                                                         "notepad C:\\Tools\\doc\\readme.txt"}));
    EXPECT_EQ(p.processShowModes, (std::vector<int>{SW_SHOWNORMAL_, SW_SHOWNORMAL_}));
    EXPECT_FALSE(dialog["Btn_readme"].visible);
    EXPECT_EQ(dialog["Btn_complete"].x, 87);
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_EQ(p.messageBoxes[0].text, "Thank you");
    EXPECT_EQ(p.messageBoxes[0].caption, "corvid");
    EXPECT_EQ(p.messageBoxes[0].flags, mb::Ok | mb::IconInfo);
}

TEST_F(Completion, WaitsForTheGroupWindow) {
    ctx.groupItemsAdded = true;
    ctx.choices.programGroup = "A group name longer than nineteen";
    int pumps = 0;
    p.onProcessMessages = [&] {
        ++pumps;
        p.tick += 100;
    };
    // The shell's window comes forward after a while; its title holds the group name.
    p.foregroundTitle = [&] { return pumps < 5 ? "Setup" : ctx.choices.programGroup; };
    Open("[software]\n");
    EXPECT_EQ(pumps, 5);
    EXPECT_TRUE(ctx.groupItemsAdded);
    EXPECT_EQ(p.bringToFrontCalls, 1);
    EXPECT_EQ(p.foregroundTitleLengths.back(), 19);
}

TEST_F(Completion, GivesUpOnTheGroupWindowAfterSixSeconds) {
    ctx.groupItemsAdded = true;
    p.tick = 0xFFFFF000; // the tick count wraps during the wait
    p.onProcessMessages = [&] { p.tick += 250; };
    p.foregroundTitle = [] { return std::string("Tool"); }; // shorter than the name
    Open("[software]\n");
    EXPECT_FALSE(ctx.groupItemsAdded);
    EXPECT_EQ(p.bringToFrontCalls, 0);
    EXPECT_EQ(p.processMessagesCalls, 6000 / 250);
}

TEST_F(Completion, RestartQuestion) {
    struct Case {
        int reboot;
        int answer;
        bool refused;
        std::vector<unsigned> exits;
        bool l8;
    };
    for (const Case& c : std::vector<Case>{{1, mb::IdOk, false, {EWX_REBOOT_}, false},
                                           {1, mb::IdOk, true, {EWX_REBOOT_}, true},
                                           {1, mb::IdCancel, false, {}, true},
                                           {2, mb::IdOk, true, {EWX_LOGOFF_}, false},
                                           {2, mb::IdCancel, false, {}, true},
                                           {3, mb::IdOk, false, {}, false}}) {
        SCOPED_TRACE(testing::Message() << "reboot " << c.reboot << " answer " << c.answer);
        p.messageBoxes.clear();
        p.exitWindowsCalls.clear();
        p.terminated = false;
        p.exitWindowsRefused = c.refused;
        p.answerMessageBox = [&](const FakePlatform::MessageBoxCall& m) {
            return m.flags == mb::OkCancel ? c.answer : mb::IdOk;
        };
        Open("[software]\nreboot=" + std::to_string(c.reboot) + "\n");
        dialog["Btn_complete"].UserClick();
        ASSERT_GE(p.messageBoxes.size(), 1u);
        EXPECT_EQ(p.messageBoxes[0].text, "Restart now?");
        EXPECT_EQ(p.messageBoxes[0].caption, "corvid");
        EXPECT_EQ(p.messageBoxes[0].flags, mb::OkCancel);
        EXPECT_EQ(p.exitWindowsCalls, c.exits);
        EXPECT_EQ(p.messageBoxes.size(), c.l8 ? 2u : 1u);
        if (c.l8) {
            EXPECT_EQ(p.messageBoxes[1].text, "Please restart later.");
        }
        EXPECT_TRUE(p.terminated);
    }
}

TEST_F(Completion, EscAndF4OnOkComplete) {
    for (int key : {vk::Escape, vk::F4, vk::Return}) {
        p.terminated = false;
        Open("[software]\n");
        int k = key;
        dialog["Btn_complete"].onKeyDown(k);
        EXPECT_EQ(p.terminated, key != vk::Return) << key;
    }
}

} // namespace

// ---------------------------------------------------------------- counts from the description

// Terminates at the given pause point, as a user pressing the exit button would.
class TerminatingProgress : public RecordingProgress {
public:
    explicit TerminatingProgress(int at) : at_(at) {}
    void ShowActivity(const std::string&) override {}
    void SetUpper(int32_t) override {}
    void SetLower(int32_t) override {}
    void Pause() override {
        if (++pauses == at_) throw RunTerminated();
    }
    int pauses = 0;

private:
    int at_;
};

TEST_F(Integration, HugeTotalsCanBeTerminatedAndNeverGrowMemoryOrWrap) {
    const std::string top = "2147483647";
    Describe("[extensions]\ntotal=" + top + "\n[sysreg]\ntotal=" + top +
             "\n[prggrp]\ntotal=" + top + "\n[prggrp_run]\ntotal=" + top + "\n");
    ctx.choices.components[1] = true; // every row of [prggrp] defaults to file 1 of component 1
    for (int phase = 0; phase < 3; ++phase) {
        TerminatingProgress stop(5000);
        try {
            if (phase == 0) MakeAssociations(ctx, run, stop);
            if (phase == 1) WriteRegistryEntries(ctx, run, stop);
            if (phase == 2) BuildMediumGroupLines(ctx, run, stop);
            if (phase != 2) ADD_FAILURE() << "phase " << phase << " ran to its end";
        } catch (const RunTerminated&) {
            EXPECT_EQ(stop.pauses, 5000) << phase;
        }
        EXPECT_LE(run.groupLines.size(), 1000u);
        run.groupLines.clear();
    }
    // The group stops growing at its limit, and the loop with it.
    TerminatingProgress never(-1);
    BuildGroupLines(ctx, run, never);
    EXPECT_EQ(run.groupLines.size(), 1000u);
    EXPECT_LE(never.pauses, 1000);
}
