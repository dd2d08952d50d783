// Setups started with options on the fake platform: the same wizard models walked without a
// person, the choices the options give, the messages answered, the text log, the answer files
// and the exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/program.h"
#include "app/unattended.h"
#include "fake_platform.h"
#include "setupinf/profile.h"
#include "state/context.h"
#include "uninstall/uninstaller.h"
#include "wizard/dialog.h"

using namespace corvid;
namespace fs = std::filesystem;

namespace {

// Three components in compression mode 0, one file each, in one volume or, with the last file
// in a second volume, two. Standard installs 1 and 2, minimal 1, custom offers 1 (locked) to 3.
struct Product {
    std::string extra; // more [software] lines
    bool twoVolumes = false;
    std::string files[4] = {"", std::string(3000, 'c') + "core", "help\r\n", "extra bits"};

    void WriteTo(FakePlatform& p) const {
        std::string volume1, volume2, options;
        for (int k = 1; k <= 3; ++k) {
            const bool second = twoVolumes && k == 3;
            std::string& volume = second ? volume2 : volume1;
            options += "[Option_" + std::to_string(k) + "]\nf1=file" + std::to_string(k) +
                       ".dat\nd1=1\ns1=" + (second ? "02" : "01") +
                       "\np1=" + std::to_string(volume.size()) +
                       "\nz1=" + std::to_string(files[k].size()) + "\n";
            volume += files[k];
        }
        p.CreateDir("C:\\WINDOWS");
        p.WriteFile("D:\\zdata_01.dsk", volume1);
        if (twoVolumes) p.WriteFile("D:\\zdata_02.dsk", volume2);
        p.WriteFile("D:\\uninst.ex_", "uninst");
        p.WriteFile("D:\\setup.inf",
                    "[corvid]\nversion=220\n"
                    "[language]\nl2=Bad folder name\nl3=Please correct it.\nl6=Bad group name\n"
                    "l7=Restart now?\nl8=Restart later.\nl13=Not enough space\nl16=Space\n"
                    "l20=Insert disk\nl30=Welcome\nl31=Destination\nl32=Type\nl33=Components\n"
                    "l34=Program group\nl35=Ready\nl63=Older\nl64=Same\nl65=Remove the old one?\n"
                    "l66=Remove the old one first\n"
                    "[software]\nname=Tools\nprggrp=Tools\nmedium=1\no_standard=1\no_min=1\n"
                    "o_custom=1\nOpt1_name=Core\nOpt1_standard=1\nOpt1_min=1\nOpt1_custom=1\n"
                    "Opt1_prgitem=1\nOpt1_space=4000\nOpt2_name=Help\nOpt2_standard=1\n"
                    "Opt2_custom=1\nOpt2_space=100\nOpt3_name=Extras\nOpt3_space=100\n" +
                        extra +
                        "[vercheck]\nversion=2\n"
                        "[directories]\nd0=C:\\Tools\ntotal=1\nd1_1=\\bin\\\nd2_1=\\help\\\n"
                        "d3_1=\\extra\\\n"
                        "[prggrp]\ntotal=1\no1=1\nf1=1\np1=Tool\n"
                        "[compression]\nmode=0\n" +
                        options);
    }
};

// Every file below a drive's folder with its bytes, the paths relative and folded.
std::map<std::string, std::string> Tree(const FakePlatform& p, char drive = 'C') {
    std::map<std::string, std::string> t;
    const fs::path base = fs::path(p.root) / std::string(1, drive);
    for (auto& e : fs::recursive_directory_iterator(base)) {
        const std::string rel = FoldCase(fs::relative(e.path(), base).string());
        if (e.is_directory()) {
            t[rel + "/"] = "";
        } else {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            t[rel] = s.str();
        }
    }
    return t;
}

class Unattended : public ::testing::Test {
protected:
    Product product;
    FakePlatform p;

    int Run(const std::string& arguments) {
        product.WriteTo(p);
        return RunProgram(p, arguments);
    }
    std::string Log(const std::string& path = "C:\\setup.log") const { return p.ReadFile(path); }
    bool Installed(int component, const std::string& destination = "C:\\Tools") {
        static const char* const dirs[] = {"", "bin", "help", "extra"};
        const std::string path =
            destination + "\\" + dirs[component] + "\\file" + std::to_string(component) + ".dat";
        return p.FileExists(path) && p.ReadFile(path) == product.files[component];
    }
};

// A person going through the wizard with the buttons, choosing a type and components on the
// way when asked to, on a platform of its own.
struct PersonAtTheWizard {
    FakePlatform p;
    Context ctx{p};
    Program program{ctx};
    std::string type;            // the button to choose on the type page, or none
    std::vector<int> components; // the boxes to leave checked on the component page
    std::string group;           // typed into the group field when not empty

    void Install(const Product& product) {
        product.WriteTo(p);
        p.foregroundTitle = [this] { return ctx.choices.programGroup; }; // the group's window
        p.modalHandler = [](Form& f) {
            if (f.name == "Tcomplete") f["Btn_complete"].UserClick();
            return f.modalResult;
        };
        p.messageLoop = [&] {
            Tleader& w = *program.leader;
            for (int press = 0; press < 10 && !p.terminated; ++press) {
                if (w.page == WizardPage::SetupType && !type.empty()) w[type].UserClick();
                if (w.page == WizardPage::Components && w["Ebn_components"].visible)
                    for (int n = 1; n <= 7; ++n) {
                        Control& box = w["Opt_" + std::to_string(n)];
                        const bool want = std::count(components.begin(), components.end(), n) > 0;
                        if (box.checked != want) box.UserClick();
                    }
                if (w.page == WizardPage::ProgramGroup && !group.empty())
                    w["Edt_prggroup"].UserSetText(group);
                w["Btn_weiter"].UserClick();
            }
        };
        EXPECT_EQ(program.Run(), 0);
    }
};

} // namespace

TEST_F(Unattended, VerySilentLeavesWhatTheWizardLeavesWithoutAWindowOrAMessage) {
    PersonAtTheWizard person;
    person.Install(product);

    EXPECT_EQ(Run("/verysilent"), kExitInstalled);
    EXPECT_TRUE(p.attachedForms.empty());
    EXPECT_TRUE(p.modalForms.empty());
    EXPECT_TRUE(p.messageBoxes.empty());
    EXPECT_TRUE(p.processStarts.empty()); // no read-me viewer, no product, no uninstaller
    EXPECT_TRUE(Installed(1) && Installed(2));
    EXPECT_FALSE(Installed(3));

    EXPECT_EQ(Tree(p), Tree(person.p));
    EXPECT_EQ(p.registry, person.p.registry);
    EXPECT_EQ(p.ddeCommands, person.p.ddeCommands);
    EXPECT_FALSE(p.ddeCommands.empty());
}

TEST_F(Unattended, ChoicesFromTheCommandLineMatchTheSameChoicesMadeByHand) {
    PersonAtTheWizard person;
    person.type = "cf_custom";
    person.components = {1, 3};
    person.group = "My_Tools";
    person.Install(product);

    EXPECT_EQ(Run("/VERYSILENT -components=\"core, 3\" /group=My_Tools"), kExitInstalled);
    EXPECT_TRUE(Installed(1) && Installed(3));
    EXPECT_FALSE(Installed(2));
    EXPECT_EQ(Tree(p), Tree(person.p));
    EXPECT_EQ(p.registry, person.p.registry);
    EXPECT_EQ(p.ddeCommands, person.p.ddeCommands);
}

TEST_F(Unattended, DestinationTypeGroupAndNoIcons) {
    // The folder check's rule holds as in the wizard: blanks become underscores.
    EXPECT_EQ(Run("/verysilent /dir=\"C:\\My Tools\" /type=minimal /noicons /log=C:\\setup.log"),
              kExitInstalled);
    EXPECT_TRUE(Installed(1, "C:\\My_Tools"));
    EXPECT_FALSE(Installed(2, "C:\\My_Tools"));
    EXPECT_TRUE(p.ddeCommands.empty());
    EXPECT_EQ(p.ProfileString("C:\\My_Tools\\setup\\uninst.log", "files", "total", ""), "1");
    EXPECT_NE(Log().find("no program group (/noicons)"), std::string::npos);
    EXPECT_NE(Log().find("setup type minimal, components 1,"), std::string::npos);
}

TEST_F(Unattended, TheGroupOptionNamesTheGroupMade) {
    EXPECT_EQ(Run("/silent /group=\"Tools Box\""), kExitInstalled);
    ASSERT_FALSE(p.ddeCommands.empty());
    // The group check's rule: blanks become underscores.
    EXPECT_EQ(p.ddeCommands[0].rfind("[CreateGroup(Tools_Box)]", 0), 0u) << p.ddeCommands[0];
    // /silent shows the progress window only.
    EXPECT_EQ(p.attachedForms, std::vector<std::string>{"Tcopying"});
    EXPECT_EQ(p.modalForms, std::vector<std::string>{"Tcopying"});
}

TEST_F(Unattended, FailedChecksEndBeforeAnythingIsWrittenWithTheMessageLogged) {
    EXPECT_EQ(Run("/verysilent /dir=C:\\a?b /log=D:\\setup.log"), kExitNotInstalled);
    EXPECT_TRUE(p.messageBoxes.empty());
    // Only the picture folder every start-up makes.
    EXPECT_EQ(Tree(p), (std::map<std::string, std::string>{{"temp/", ""}, {"windows/", ""}}));
    const std::string log = Log("D:\\setup.log");
    EXPECT_NE(log.find("Bad folder name / ? * | \" < > / Please correct it. -> OK (answered"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("check on page \"Destination\" failed"), std::string::npos);
    EXPECT_NE(log.find("exit code 2"), std::string::npos);
}

TEST_F(Unattended, TooLittleSpaceAndABadGroupEndWithExitCodeTwo) {
    p.diskFree['C'] = 1000; // below even the minimal type
    EXPECT_EQ(Run("/verysilent"), kExitNotInstalled);
    EXPECT_FALSE(p.DirectoryExists("C:\\Tools"));

    FakePlatform q;
    product.WriteTo(q);
    q.diskFree['C'] = 4050; // enough for the minimal total, not for the standard one
    EXPECT_EQ(RunProgram(q, "/verysilent /type=standard"), kExitNotInstalled);
    EXPECT_FALSE(q.DirectoryExists("C:\\Tools"));

    FakePlatform r;
    product.WriteTo(r);
    EXPECT_EQ(RunProgram(r, "/verysilent /group=a-b"), kExitNotInstalled);
    EXPECT_FALSE(r.DirectoryExists("C:\\Tools"));
}

TEST_F(Unattended, BadOptionsAndValuesEndWithExitCodeOneAndListTheOptionsUnlessSilent) {
    EXPECT_EQ(Run("/dir=C:\\X /colour=blue"), kExitCannotStart);
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_NE(p.messageBoxes[0].text.find("/colour=blue"), std::string::npos);
    EXPECT_NE(p.messageBoxes[0].text.find("/verysilent"), std::string::npos);
    EXPECT_FALSE(p.DirectoryExists("C:\\X"));

    for (const char* bad :
         {"/silent /colour=blue", "/verysilent /type=cd", "/verysilent /components=1,9",
          "/verysilent /components=Manual", "/verysilent /log=C:\\no\\such\\folder\\x.log",
          "/verysilent /loadinf=C:\\missing.inf"}) {
        FakePlatform q;
        product.WriteTo(q);
        EXPECT_EQ(RunProgram(q, bad), kExitCannotStart) << bad;
        EXPECT_TRUE(q.messageBoxes.empty()) << bad;
        EXPECT_FALSE(q.DirectoryExists("C:\\Tools")) << bad;
    }

    FakePlatform q; // a type the description does not offer, asked interactively
    product.WriteTo(q);
    EXPECT_EQ(RunProgram(q, "/type=cd"), kExitCannotStart);
    ASSERT_EQ(q.messageBoxes.size(), 1u);
    EXPECT_NE(q.messageBoxes[0].text.find("\"cd\""), std::string::npos);
}

TEST_F(Unattended, HelpListsTheOptionsAndAMissingDescriptionIsExitCodeOne) {
    EXPECT_EQ(RunProgram(p, "/?"), kExitInstalled);
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_NE(p.messageBoxes[0].text.find("/loadinf=FILE"), std::string::npos);

    FakePlatform q; // no setup.inf at all
    EXPECT_EQ(RunProgram(q, "/verysilent"), kExitCannotStart);
    EXPECT_TRUE(q.messageBoxes.empty());
    FakePlatform r;
    EXPECT_EQ(RunProgram(r, ""), 0); // without options, as it always was
    EXPECT_EQ(r.messageBoxes.size(), 1u);
}

TEST_F(Unattended, AMissingVolumeEndsVerySilentWithTheCleanUpAndExitCodeFive) {
    product.twoVolumes = true;
    product.WriteTo(p);
    p.DeleteFile("D:\\zdata_02.dsk");
    EXPECT_EQ(RunProgram(p, "/verysilent /type=custom /components=1,3 /log=C:\\setup.log"),
              kExitTerminated);
    EXPECT_TRUE(p.messageBoxes.empty());
    // The clean-up ran to its end before the setup ended.
    EXPECT_EQ(p.waitedRuns,
              std::vector<std::string>{"C:\\WINDOWS\\uncorvid.exe C:\\Tools\\setup\\uninst.log "
                                       "/silent"});
    EXPECT_TRUE(p.processStarts.empty());
    EXPECT_NE(Log().find("Insert disk\"2\". -> Cancel (answered unattended)"), std::string::npos)
        << Log();
}

TEST_F(Unattended, SilentShowsTheDiskPromptToThePersonNearby) {
    product.twoVolumes = true;
    product.WriteTo(p);
    p.DeleteFile("D:\\zdata_02.dsk");
    int prompts = 0;
    p.answerMessageBox = [&](const FakePlatform::MessageBoxCall& m) {
        EXPECT_EQ(m.text, "Insert disk\"2\".");
        if (++prompts == 2) p.WriteFile("D:\\zdata_02.dsk", product.files[3]); // inserted
        return mb::IdOk;
    };
    EXPECT_EQ(RunProgram(p, "/silent /components=3"), kExitInstalled);
    EXPECT_EQ(prompts, 2);
    EXPECT_TRUE(Installed(1) && Installed(3)); // the first component is locked
    EXPECT_TRUE(p.waitedRuns.empty());

    // Cancel there opens the abort dialog on the screen; terminating ends with exit code 5.
    FakePlatform q;
    product.WriteTo(q);
    q.DeleteFile("D:\\zdata_02.dsk");
    q.answerMessageBox = [](const FakePlatform::MessageBoxCall&) { return mb::IdCancel; };
    q.modalHandler = [](Form& f) {
        if (f.name == "Tabbruch") f["Btn_terminate"].UserClick();
        return f.modalResult;
    };
    EXPECT_EQ(RunProgram(q, "/silent /components=3"), kExitTerminated);
    EXPECT_EQ(q.modalForms, (std::vector<std::string>{"Tcopying", "Tabbruch"}));
    EXPECT_EQ(q.waitedRuns.size(), 1u);
}

TEST_F(Unattended, ANeededRestartIsNeverMadeUnaskedAndGivesExitCode3010) {
    product.extra = "reboot=1\nrun=bin\\file1.dat\nreadme=readme.txt\nreadmestart=1\n";
    p.WriteFile("D:\\readme.txt", "read me");
    EXPECT_EQ(Run("/verysilent"), kExitRestartNeeded);
    EXPECT_TRUE(p.exitWindowsCalls.empty());
    EXPECT_TRUE(p.messageBoxes.empty());
    EXPECT_TRUE(p.processStarts.empty()); // neither the product nor the read-me

    FakePlatform n;
    product.WriteTo(n);
    EXPECT_EQ(RunProgram(n, "/silent /norestart"), kExitRestartNeeded);
    EXPECT_TRUE(n.exitWindowsCalls.empty());
    EXPECT_TRUE(n.messageBoxes.empty());

    // /silent without /norestart asks the person; OK restarts, Cancel leaves it to the code.
    FakePlatform q;
    product.WriteTo(q);
    EXPECT_EQ(RunProgram(q, "/silent"), kExitInstalled);
    ASSERT_EQ(q.messageBoxes.size(), 1u);
    EXPECT_EQ(q.messageBoxes[0].text, "Restart now?");
    EXPECT_EQ(q.exitWindowsCalls, std::vector<unsigned>{EWX_REBOOT_});
    FakePlatform r;
    product.WriteTo(r);
    r.answerMessageBox = [](const FakePlatform::MessageBoxCall& m) {
        return m.text == "Restart now?" ? mb::IdCancel : mb::IdOk;
    };
    EXPECT_EQ(RunProgram(r, "/silent"), kExitRestartNeeded);
    EXPECT_TRUE(r.exitWindowsCalls.empty());
}

TEST_F(Unattended, AnOlderVersionIsRemovedSilentlyFirstOrEndsTheSetup) {
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tools";
    const std::string command = "C:\\WINDOWS\\uncorvid.exe C:\\Old\\setup\\uninst.log";
    product.extra = "";
    product.WriteTo(p);
    auto old = [](FakePlatform& f, const char* value) {
        std::string inf = f.ReadFile("D:\\setup.inf");
        inf.insert(inf.find("[vercheck]\n") + 11, std::string("old=") + value + "\n");
        f.WriteFile("D:\\setup.inf", inf);
    };
    old(p, "1");
    p.RegWriteString(RegRoot::LocalMachine, key, "UninstallString", command);
    p.RegWriteString(RegRoot::LocalMachine, key, "version", "1");
    EXPECT_EQ(RunProgram(p, "/verysilent /log=C:\\setup.log"), kExitInstalled);
    EXPECT_EQ(p.waitedRuns, std::vector<std::string>{command + " /silent"});
    EXPECT_TRUE(p.processStarts.empty());
    // The destination proposed is the earlier one's, as in the wizard.
    EXPECT_TRUE(Installed(1, "C:\\Old"));
    EXPECT_NE(Log().find("Remove the old one? -> Yes (answered unattended)"), std::string::npos);

    FakePlatform q;
    product.WriteTo(q);
    old(q, "2");
    q.RegWriteString(RegRoot::LocalMachine, key, "UninstallString", command);
    q.RegWriteString(RegRoot::LocalMachine, key, "version", "1");
    EXPECT_EQ(RunProgram(q, "/verysilent"), kExitNotInstalled);
    EXPECT_TRUE(q.waitedRuns.empty());
    EXPECT_TRUE(q.processStarts.empty());
    EXPECT_FALSE(q.DirectoryExists("C:\\Old"));
}

TEST_F(Unattended, TheLogNamesEveryStepWithATimeOnEveryLine) {
    EXPECT_EQ(Run("/verysilent /log=C:\\setup.log"), kExitInstalled);
    const std::string log = Log();
    std::istringstream lines(log);
    std::string line;
    // "2026-12-09 15:04:05  text\r"
    auto timed = [](const std::string& l) {
        const std::string shape = "dddd-dd-dd dd:dd:dd  ";
        if (l.size() < shape.size() + 2 || l.back() != '\r') return false;
        for (size_t i = 0; i < shape.size(); ++i)
            if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(l[i]))
                                : l[i] != shape[i])
                return false;
        return true;
    };
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_TRUE(timed(line)) << line;
    }
    EXPECT_GT(count, 10);
    for (const char* want :
         {"options: /verysilent /log=C:\\setup.log",
          "choices: destination C:\\Tools, setup type "
          "standard, components 1,2, program group Tools",
          "directory C:\\Tools\\bin", "file C:\\Tools\\bin\\file1.dat (3004 bytes)",
          "file C:\\Tools\\help\\file2.dat (6 bytes)", "file C:\\WINDOWS\\uncorvid.exe (6 bytes",
          "registry HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
          "Tools UninstallString=C:\\WINDOWS\\uncorvid.exe C:\\Tools\\setup\\uninst.log",
          "program manager: [CreateGroup(Tools)]", "phase: files", "installation complete",
          "uninstall log C:\\Tools\\setup\\uninst.log", "exit code 0"})
        EXPECT_NE(log.find(want), std::string::npos) << want << "\n" << log;
    // The work files that come and go are not listed.
    EXPECT_EQ(log.find("setup.tmp"), std::string::npos);
}

TEST_F(Unattended, SavedChoicesReplayTheSameInstallation) {
    PersonAtTheWizard person;
    person.type = "cf_custom";
    person.components = {1, 3};
    person.ctx.options.saveInf = "C:\\choices.inf";
    person.ctx.options.given = true;
    person.ctx.onInstallationStart = [&] { SaveAnswerFile(person.ctx, "C:\\choices.inf"); };
    person.Install(product);
    const std::string saved = person.p.ReadFile("C:\\choices.inf");
    EXPECT_EQ(saved, "[choices]\r\ndir=C:\\Tools\r\ntype=custom\r\ncomponents=1,3\r\n"
                     "group=Tools\r\nnoicons=0\r\n");

    p.WriteFile("D:\\answers.inf", saved);
    EXPECT_EQ(Run("/verysilent /loadinf=D:\\answers.inf"), kExitInstalled);
    auto tree = Tree(person.p);
    tree.erase("choices.inf");
    EXPECT_EQ(Tree(p), tree);
    EXPECT_EQ(p.registry, person.p.registry);

    // The command line wins over the file.
    FakePlatform q;
    product.WriteTo(q);
    q.WriteFile("D:\\answers.inf", saved);
    EXPECT_EQ(RunProgram(q, "/verysilent /loadinf=D:\\answers.inf /type=minimal /dir=C:\\Other"),
              kExitInstalled);
    EXPECT_TRUE(q.FileExists("C:\\Other\\bin\\file1.dat"));
    EXPECT_FALSE(q.FileExists("C:\\Other\\extra\\file3.dat"));
}

TEST_F(Unattended, AnErrorDuringTheRunEndsWithTheCleanUpAndExitCodeFour) {
    // A folder stands where the second file must go: the file cannot be made.
    p.CreateDir("C:\\Tools");
    p.CreateDir("C:\\Tools\\help");
    p.CreateDir("C:\\Tools\\help\\file2.dat");
    EXPECT_EQ(Run("/verysilent /log=C:\\setup.log"), kExitFailed);
    EXPECT_TRUE(p.messageBoxes.empty());
    EXPECT_EQ(p.waitedRuns.size(), 1u);
    EXPECT_NE(Log().find("file C:\\Tools\\help\\file2.dat cannot be written"), std::string::npos)
        << Log();
    EXPECT_NE(Log().find("message \"Setup\" [OK]: "), std::string::npos) << Log();
    EXPECT_NE(Log().find("exit code 4"), std::string::npos);
}

TEST_F(Unattended, TheUninstallerLogsWhatItRemovesAndReturnsItsExitCode) {
    EXPECT_EQ(Run("/verysilent"), kExitInstalled);
    EXPECT_EQ(RunUninstaller(p, "C:\\Tools\\setup\\uninst.log /silent /log=D:\\uninstall.log"),
              kUninstallComplete);
    EXPECT_FALSE(p.DirectoryExists("C:\\Tools"));
    const std::string log = p.ReadFile("D:\\uninstall.log");
    for (const char* want :
         {"deleted C:\\Tools\\bin\\file1.dat", "deleted C:\\Tools\\help\\file2.dat",
          "removed directory C:\\Tools\\bin", "exit code 0"})
        EXPECT_NE(log.find(want), std::string::npos) << want << "\n" << log;
    EXPECT_TRUE(p.messageBoxes.empty());

    // No log to work from: exit code 2, said in the text log.
    EXPECT_EQ(RunUninstaller(p, "C:\\Tools\\setup\\uninst.log /silent /log=D:\\again.log"),
              kUninstallNoLog);
    EXPECT_NE(p.ReadFile("D:\\again.log").find("exit code 2"), std::string::npos);
    EXPECT_EQ(RunUninstaller(p, "C:\\Tools\\setup\\uninst.log /silent /log=D:\\no\\dir\\x.log"),
              kUninstallNoLog);
}
