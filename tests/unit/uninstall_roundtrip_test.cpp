// The round trip on the fake platform: a distribution packed as distributors pack it, installed
// by the real start-up and run, then removed by the real uninstaller from the log the run wrote,
// started with the command line the setup registered or started. The machine is then as it was,
// but for what stays by design: the shared uncorvid.exe and its version value, and the start-up
// files' added lines and backups. (The picture folder C:\temp comes from loading the start-up
// pictures, which these tests leave out.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "app/main.h"
#include "fake_platform.h"
#include "install/abort_dialog.h"
#include "install/complete.h"
#include "install/progress_window.h"
#include "pack/builder.h"
#include "pack/project.h"
#include "state/context.h"
#include "uninstall/uninstaller.h"

namespace fs = std::filesystem;
using namespace corvid;

namespace {

const char kRegistration[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo";
const char kGroup[] = "Demo Tools";
const char kAutoexec[] = "@ECHO OFF\r\nPATH C:\\DOS\r\n";
const char kAppended[] = "\r\nSET DEMO=C:\\DEMO\r\n";
const char kUninstallerBytes[] = "MZ the uninstaller";

// Everything the setup description can make the run change, each once.
const char kProject[] = R"([pack]
mode=1
volume=4096
setup=setup.exe
uninstaller=uncorvid.exe

[component1]
name=Program
standard=1
min=1
custom=1
files=product/bin -> \bin\
files2=product/system/demo.dll -> %SystemRoot%\system\

[component2]
name=Help
standard=1
custom=1
files=product/help -> \help\

[corvid]
version=220
versionname=1.0

[language]
l14=Copying:
l60=Demo was removed.

[software]
name=Demo
name_display=Demo 1.0
prggrp=Demo Tools
o_standard=1
o_min=1
o_cd=1
o_custom=1
readme=product/readme.txt
readmedir=\doc

[vercheck]
version=3
take=1

[directories]
d0=C:\Demo Tools

[extensions]
total=1
e1=dmw
n1=Demo words
o1=1
f1=\bin\demo.exe

[ini_1]
name=demo.ini
s0=Settings
k0=Folder
v0=C:\Demo Tools

[sysreg]
remove=1
total=2
k1=2
p1=Software\KOVA\Demo
e1=Words
b1=C:\Demo Tools\bin\data\words.txt
k2=3
p2=Software\KOVA\Demo
e2=Version
b2=1.0

[prggrp]
total=2
o1=1
f1=\bin\demo.exe
p1=Demo
o2=2
f2=\help\manual.txt
p2=Manual

[prggrp_run]
total=1
v1=\bin\demo.exe
p1=Demo from the CD

[dos]
bkp_a=autoexec.cvd
a1=SET DEMO=C:\DEMO

[uninst]
ask=1
)";

// Bytes that do not pack, so that the files' data crosses the volumes' ends.
std::string Noise(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(random());
    return s;
}

void WriteHostFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadHostFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the fake machine holds, one entry per folder and file of its drives ("file C:\x\" for a
// folder, with the bytes of a file), registry key ("key hklm\software") and registry value
// ("value hklm\software\kova\corvid\uninstall", with its data).
using Machine = std::map<std::string, std::string>;

Machine Snapshot(const FakePlatform& p) {
    Machine m;
    for (char drive : {'C', 'D'}) {
        const fs::path root = fs::path(p.root) / std::string(1, drive);
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            std::string name = "file " + std::string(1, drive) + ":\\" +
                               e.path().lexically_relative(root).string();
            for (char& c : name)
                if (c == '/') c = '\\';
            if (e.is_directory())
                m[name + "\\"] = "";
            else
                m[name] = ReadHostFile(e.path());
        }
    }
    // A key exists once made or holding a value, and so does every key above it.
    const auto exists = [&](std::string key) {
        for (size_t cut; (cut = key.rfind('\\')) != std::string::npos; key.erase(cut))
            m["key " + key] = "";
    };
    for (const std::string& k : p.registryKeys) exists(k);
    for (const auto& v : p.registry) {
        m["value " + v.first] = v.second;
        exists(v.first.substr(0, v.first.rfind('\\')));
    }
    return m;
}

// Lines "<sign> <name>" in the order of their names.
void SortByName(std::vector<std::string>& lines) {
    std::sort(lines.begin(), lines.end(),
              [](const std::string& a, const std::string& b) { return a.substr(2) < b.substr(2); });
}

// One line per difference: "+" added, "-" gone, "~" changed; a value with its data.
std::vector<std::string> Changes(const Machine& before, const Machine& after) {
    const auto line = [](const char* sign, const std::pair<const std::string, std::string>& e) {
        return sign + e.first + (e.first.rfind("value ", 0) == 0 ? "=" + e.second : "");
    };
    std::vector<std::string> out;
    for (const auto& e : before)
        if (!after.count(e.first)) out.push_back(line("- ", e));
    for (const auto& e : after) {
        const auto was = before.find(e.first);
        if (was == before.end())
            out.push_back(line("+ ", e));
        else if (was->second != e.second)
            out.push_back(line("~ ", e));
    }
    SortByName(out);
    return out;
}

// The group names in the program manager commands "[<verb>(name)...".
std::set<std::string> Groups(const std::vector<std::string>& commands, size_t from, size_t to,
                             const std::string& verb) {
    std::set<std::string> names;
    const std::string head = "[" + verb + "(";
    for (size_t i = from; i < to; ++i)
        if (commands[i].compare(0, head.size(), head) == 0)
            names.insert(commands[i].substr(head.size(), commands[i].find(')') - head.size()));
    return names;
}

// One start of setup.exe from the distribution on D:, through start-up to the wizard's last
// page with the user's choice made, then the run in the progress window.
class SetupProcess {
public:
    explicit SetupProcess(FakePlatform& p) : ctx(p) {
        p.modulePath = "D:\\setup.exe";
        p.terminated = false;
        main = std::make_unique<Tmain>(ctx);
        ctx.main = main.get();
        main->FormCreate();
        abbruch = std::make_unique<Tabbruch>(ctx);
        ctx.abbruch = abbruch.get();
        abbruch->FormCreate();
        copying = std::make_unique<Tcopying>(ctx);
        copying->FormCreate();
        copying->pumpSliceMs = 0; // every pause point lets messages run
        window = copying.get();
        ctx.copying = copying.get();
        complete = std::make_unique<Tcomplete>(ctx);
        complete->FormCreate();
        ctx.complete = complete.get();
    }

    // The wizard's setup types: standard installs the components it names, cd installs none.
    void ChooseStandard(std::initializer_list<int> leftOut = {}) {
        ctx.choices.typeStandard = true;
        for (int k = 1; k <= 7; ++k) ctx.choices.components[k] = ctx.components[k].inStandard;
        for (int k : leftOut) ctx.choices.components[k] = false;
        ctx.choices.progressTotal = 1;
    }
    void ChooseCd() { ctx.choices.typeCd = true; }

    // The progress window's first activation runs the installation up to the completion dialog;
    // the program ends with the window's destruction.
    void Run() {
        window->FormActivate();
        window->FormDestroy();
    }

    Context ctx;
    std::unique_ptr<Tmain> main;
    std::unique_ptr<Tabbruch> abbruch;
    std::unique_ptr<Tcopying> copying;
    std::unique_ptr<Tcomplete> complete;
    Tcopying* window = nullptr;
};

class RoundTrip : public ::testing::Test {
protected:
    FakePlatform p;
    Machine before;
    size_t ddeBefore = 0;
    std::string projectText = kProject;

    void SetUp() override {
        const fs::path project = fs::path(p.root) / "project";
        WriteHostFile(project / "project.ini", projectText);
        WriteHostFile(project / "setup.exe", "MZ the setup");
        WriteHostFile(project / "uncorvid.exe", kUninstallerBytes);
        WriteHostFile(project / "product/bin/demo.exe", Noise(5000, 1));
        WriteHostFile(project / "product/bin/data/words.txt", std::string(3000, 'w'));
        WriteHostFile(project / "product/system/demo.dll", Noise(2000, 2));
        WriteHostFile(project / "product/help/manual.txt", Noise(6000, 3));
        WriteHostFile(project / "product/readme.txt", "read me");
        std::vector<std::string> warnings;
        pack::BuildOptions options;
        options.outDir = p.HostPath("D:\\");
        options.jobs = 1;
        pack::BuildDistribution(pack::LoadProject((project / "project.ini").string(), warnings),
                                options);
        fs::remove_all(project);

        // The machine's own parts the installation touches.
        p.CreateDir("C:\\WINDOWS");
        p.CreateDir("C:\\WINDOWS\\system");
        p.WriteFile("C:\\autoexec.bat", kAutoexec);
        p.RegCreateKey(RegRoot::LocalMachine,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
        p.RegCreateKey(RegRoot::CurrentUser, "Software");
        p.RegWriteString(RegRoot::ClassesRoot, ".txt", "", "txtfile");
        // The completion dialog waits for the program group's window.
        p.foregroundTitle = [] { return std::string(kGroup); };
        p.modalHandler = [](Form& f) {
            if (f.name == "Tcomplete") static_cast<Tcomplete&>(f).Btn_completeClick();
            return f.name == "Tquestion" ? mb::IdYes : 1;
        };
        before = Snapshot(p);
    }

    std::vector<std::string> RunErrors() const {
        std::vector<std::string> out;
        for (const auto& m : p.messageBoxes)
            if (m.caption == "Setup") out.push_back(m.text);
        return out;
    }

    std::string RegisteredCommand() {
        std::string command;
        p.RegReadString(RegRoot::LocalMachine, kRegistration, "UninstallString", command);
        return command;
    }

    // Starts a command line as Windows would: the program it names, with the rest as arguments.
    int Uninstall(const std::string& commandLine) {
        p.modulePath = commandLine.substr(0, commandLine.find(' '));
        EXPECT_EQ(p.ReadFile(p.modulePath), kUninstallerBytes);
        p.terminated = false;
        ddeBefore = p.ddeCommands.size();
        return RunUninstaller(p, ArgumentsOf(commandLine));
    }

    // Runs the uninstaller and expects it to remove everything; its report says what it did not.
    void ExpectCompleteRemoval(const std::string& commandLine) {
        EXPECT_EQ(Uninstall(commandLine), kUninstallComplete)
            << p.ReadFile("C:\\Demo Tools\\setup\\uninst.txt");
    }

    // The installation created these program groups, and the uninstaller deleted them.
    void ExpectGroupsRemoved(const std::set<std::string>& groups) {
        EXPECT_EQ(Groups(p.ddeCommands, 0, ddeBefore, "CreateGroup"), groups);
        EXPECT_EQ(Groups(p.ddeCommands, ddeBefore, p.ddeCommands.size(), "DeleteGroup"), groups);
    }

    // What stays by design after a complete removal: the shared uninstaller and its version
    // value, and (when the run got that far) the start-up file's added lines and backup.
    std::vector<std::string> StaysByDesign(bool startupFiles) const {
        std::vector<std::string> stays = {"+ file C:\\WINDOWS\\uncorvid.exe"};
        if (startupFiles)
            stays.insert(stays.end(), {"~ file C:\\autoexec.bat", "+ file C:\\autoexec.cvd"});
        stays.insert(stays.end(),
                     {"+ key hklm\\software\\kova", "+ key hklm\\software\\kova\\corvid",
                      "+ value hklm\\software\\kova\\corvid\\uninstall=220"});
        return stays;
    }
};

} // namespace

TEST_F(RoundTrip, NormalInstallationIsRemovedByTheRegisteredCommand) {
    SetupProcess setup(p);
    setup.ChooseStandard();
    setup.Run();
    ASSERT_TRUE(RunErrors().empty()) << RunErrors()[0];
    ASSERT_TRUE(p.FileExists("C:\\Demo Tools\\bin\\data\\words.txt"));
    ASSERT_TRUE(p.FileExists("C:\\WINDOWS\\system\\demo.dll"));
    ASSERT_EQ(p.ProfileString("demo.ini", "Settings", "Folder", ""), "C:\\Demo Tools");

    ExpectCompleteRemoval(RegisteredCommand());
    EXPECT_EQ(Changes(before, Snapshot(p)), StaysByDesign(true));
    EXPECT_EQ(p.ReadFile("C:\\autoexec.bat"), std::string(kAutoexec) + kAppended);
    EXPECT_EQ(p.ReadFile("C:\\autoexec.cvd"), kAutoexec);
    ExpectGroupsRemoved({kGroup});
    // The closing message is the description's text, carried by the log.
    EXPECT_EQ(p.messageBoxes.back().text, "Demo was removed.");
}

TEST_F(RoundTrip, CdInstallationIsRemovedByTheRegisteredCommand) {
    SetupProcess setup(p);
    setup.ChooseCd();
    setup.Run();
    ASSERT_TRUE(RunErrors().empty()) << RunErrors()[0];
    ASSERT_FALSE(p.FileExists("C:\\Demo Tools\\bin\\demo.exe"));

    ExpectCompleteRemoval(RegisteredCommand());
    EXPECT_EQ(Changes(before, Snapshot(p)), StaysByDesign(true));
    ExpectGroupsRemoved({kGroup});
}

TEST_F(RoundTrip, TerminatedInstallationIsRemovedByTheSilentUninstallItStarts) {
    SetupProcess setup(p);
    setup.ChooseStandard();
    // Terminate in the abort dialog while the second file is being copied.
    std::set<std::string> copying;
    bool terminated = false;
    p.onProcessMessages = [&] {
        const std::string& activity = (*setup.window)["Lbl_o"].text;
        if (activity.rfind("Copying: ", 0) == 0) copying.insert(activity);
        if (!terminated && copying.size() == 2) {
            terminated = true;
            setup.abbruch->Btn_terminateClick();
        }
    };
    setup.Run();
    p.onProcessMessages = nullptr;
    ASSERT_TRUE(terminated);
    ASSERT_EQ(p.processStarts.size(), 1u);
    EXPECT_EQ(p.processShowModes[0], 0);      // hidden
    EXPECT_TRUE(RegisteredCommand().empty()); // the run stopped before the registration

    const size_t boxes = p.messageBoxes.size();
    ExpectCompleteRemoval(p.processStarts[0]);
    EXPECT_EQ(p.messageBoxes.size(), boxes); // silent
    EXPECT_EQ(Changes(before, Snapshot(p)), StaysByDesign(false));
    ExpectGroupsRemoved({}); // the run stopped before the program group
}

TEST_F(RoundTrip, SecondInstallationOverTheFirstIsRemovedWhole) {
    {
        SetupProcess first(p);
        first.ChooseStandard({2});
        first.Run();
    }
    SetupProcess second(p);
    EXPECT_EQ(second.ctx.choices.targetDirectory, "C:\\Demo Tools"); // from the registration
    second.ChooseStandard();
    second.Run();
    ASSERT_TRUE(RunErrors().empty()) << RunErrors()[0];

    ExpectCompleteRemoval(RegisteredCommand());
    EXPECT_EQ(Changes(before, Snapshot(p)), StaysByDesign(true));
    EXPECT_EQ(p.ReadFile("C:\\autoexec.bat"), std::string(kAutoexec) + kAppended + kAppended);
    EXPECT_EQ(p.ReadFile("C:\\autoexec.cvd"), std::string(kAutoexec) + kAppended);
    ExpectGroupsRemoved({kGroup});
}

TEST_F(RoundTrip, SecondInstallationWithFewerFilesLeavesTheFirstOnesSurplus) {
    {
        SetupProcess first(p);
        first.ChooseStandard();
        first.Run();
    }
    SetupProcess second(p);
    second.ChooseStandard({2});
    second.Run();
    ASSERT_TRUE(RunErrors().empty()) << RunErrors()[0];

    // The log's entries beyond the second run's totals are the first run's: they stay, and with
    // them the destination, the log and the report that names them.
    EXPECT_EQ(Uninstall(RegisteredCommand()), kUninstallIncomplete);
    std::vector<std::string> stays = {"+ file C:\\Demo Tools\\",
                                      "+ file C:\\Demo Tools\\help\\",
                                      "+ file C:\\Demo Tools\\help\\manual.txt",
                                      "+ file C:\\Demo Tools\\setup\\",
                                      "+ file C:\\Demo Tools\\setup\\uninst.log",
                                      "+ file C:\\Demo Tools\\setup\\uninst.txt"};
    for (const std::string& s : StaysByDesign(true)) stays.push_back(s);
    SortByName(stays);
    EXPECT_EQ(Changes(before, Snapshot(p)), stays);
    const std::string report = p.ReadFile("C:\\Demo Tools\\setup\\uninst.txt");
    EXPECT_NE(report.find("lies beyond [files] total 3: an earlier installation's entry"),
              std::string::npos)
        << report;
    ExpectGroupsRemoved({kGroup});
}

// The destination's parent and a folder below Windows do not exist before: the setup makes them.
class RoundTripIntoNewFolders : public RoundTrip {
protected:
    void SetUp() override {
        for (auto [from, to] : {std::pair<std::string, std::string>{"%SystemRoot%\\system\\",
                                                                    "%SystemRoot%\\demosys\\"},
                                {"d0=C:\\Demo Tools", "d0=C:\\Vendor\\Demo Tools"}})
            projectText.replace(projectText.find(from), from.size(), to);
        RoundTrip::SetUp();
    }
    void ExpectCompleteRemoval(const std::string& commandLine) {
        EXPECT_EQ(Uninstall(commandLine), kUninstallComplete)
            << p.ReadFile("C:\\Vendor\\Demo Tools\\setup\\uninst.txt");
    }
};

TEST_F(RoundTripIntoNewFolders, FoldersTheSetupMadeGoWithTheInstallation) {
    SetupProcess setup(p);
    setup.ChooseStandard();
    setup.Run();
    ASSERT_TRUE(RunErrors().empty()) << RunErrors()[0];
    ASSERT_TRUE(p.FileExists("C:\\WINDOWS\\demosys\\demo.dll"));
    ASSERT_TRUE(p.FileExists("C:\\Vendor\\Demo Tools\\bin\\demo.exe"));

    ExpectCompleteRemoval(RegisteredCommand());
    EXPECT_EQ(Changes(before, Snapshot(p)), StaysByDesign(true));
}

TEST_F(RoundTripIntoNewFolders, TerminatedAfterTheSystemFileLeavesNothingBehind) {
    SetupProcess setup(p);
    setup.ChooseStandard();
    // Terminate once the file after the one below Windows is under way.
    bool terminated = false;
    p.onProcessMessages = [&] {
        if (!terminated && (*setup.window)["Lbl_o"].text == "Copying: manual.txt") {
            terminated = true;
            setup.abbruch->Btn_terminateClick();
        }
    };
    setup.Run();
    p.onProcessMessages = nullptr;
    ASSERT_TRUE(terminated);
    ASSERT_TRUE(p.FileExists("C:\\WINDOWS\\demosys\\demo.dll"));
    ASSERT_EQ(p.processStarts.size(), 1u);

    ExpectCompleteRemoval(p.processStarts[0]);
    EXPECT_EQ(Changes(before, Snapshot(p)), StaysByDesign(false));
}
