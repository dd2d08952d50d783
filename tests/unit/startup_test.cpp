// Start-up, background window, loading screen, wizard frame and abort dialog, on the fake
// platform.
#include <gtest/gtest.h>

#include "app/main.h"
#include "app/program.h"
#include "app/trailer.h"
#include "archive/compress.h"
#include "fake_platform.h"
#include "install/abort_dialog.h"
#include "state/context.h"
#include "wizard/dialog.h"

using namespace corvid;

namespace {

const char* kUninstall = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Bmp(int w, int h) {
    std::string b = "BM";
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
    };
    const uint32_t row = static_cast<uint32_t>((w * 3 + 3) & ~3);
    put32(54 + row * h);
    put32(0);
    put32(54);
    put32(40);
    put32(w);
    put32(h);
    b += std::string("\x01\x00\x18\x00", 4);
    put32(0);
    put32(row * h);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    b += std::string(row * h, '\x40');
    return b;
}

// A stored (uncompressed) archive holding the given members.
std::string StoredArchive(const std::vector<std::pair<std::string, std::string>>& members) {
    ArchiveHeader ah;
    ah.compressId = "NON";
    for (auto& m : members) ah.totalSize += static_cast<int32_t>(m.second.size());
    std::string out = EncodeArchiveHeader(ah);
    for (auto& m : members) {
        MemberHeader h;
        h.name = m.first;
        h.expandedSize = h.packedSize = static_cast<int32_t>(m.second.size());
        for (unsigned char c : m.second) h.checksum += c;
        h.attributes = 0x20;
        out += EncodeMemberHeader(h) + m.second;
    }
    return out;
}

// Records every position the loading bar takes.
class BarSpy : public FormView {
public:
    std::vector<int> positions;
    void FormChanged(Form&) override {}
    void ControlChanged(Control& c) override {
        if (c.name == "pr_load") positions.push_back(c.position);
    }
    void Repaint(Form&) override {}
    void Focus(Control&) override {}
    void FocusForm(Form&) override {}
};

class RecordingCanvas : public Canvas {
public:
    std::vector<std::pair<int, int>> at;
    void DrawPicture(const Picture&, int x, int y) override { at.emplace_back(x, y); }
};

class Startup : public ::testing::Test {
protected:
    FakePlatform p;
    Context ctx{p};
    Program program{ctx};
    std::string inf = "[corvid]\nversion=220\n[language]\nl1=loading data.\nl10=Wait\n"
                      "l11=Exit\nl12=Back\nl15=Terminate\nl17=Next\nl27=Really?\nl29=Backdrop\n"
                      "l30=Welcome\nl63=newer installed\nl64=same installed\nl65=remove old?\n"
                      "l66=must remove old\n[software]\nname=Tools\n";

    void Write(const std::string& extra = "") { p.WriteFile("D:\\setup.inf", inf + extra); }
    void Registered(const std::string& command, const std::string& version) {
        p.RegWriteString(RegRoot::LocalMachine, std::string(kUninstall) + "Tools",
                         "UninstallString", command);
        p.RegWriteString(RegRoot::LocalMachine, std::string(kUninstall) + "Tools", "version",
                         version);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (auto& m : p.messageBoxes) t.push_back(m.text);
        return t;
    }
};

} // namespace

TEST_F(Startup, MissingDescriptionStopsBeforeAnyOtherWindow) {
    EXPECT_EQ(program.Run(), 0);
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_EQ(p.messageBoxes[0].text,
              "File setup.inf not found.\rAsk your software-distributor for help.");
    EXPECT_EQ(p.messageBoxes[0].caption, "Error");
    EXPECT_EQ(p.messageBoxes[0].flags, mb::Ok | mb::IconStop);
    EXPECT_EQ(p.attachedForms, std::vector<std::string>{"Tmain"});
    EXPECT_TRUE(p.modalForms.empty());
}

TEST_F(Startup, FormsAreCreatedInOrderAndTheWizardOpensOnWelcome) {
    Write();
    EXPECT_EQ(program.Run(), 0);
    EXPECT_EQ(p.attachedForms, (std::vector<std::string>{"Tmain", "Ttrailer", "Tabbruch", "Tleader",
                                                         "Tcopying", "Tcomplete", "Tdlg_folder"}));
    EXPECT_TRUE(p.messageBoxes.empty());
    Tleader& w = *program.leader;
    EXPECT_TRUE(w.visible);
    EXPECT_EQ(w.caption, "Welcome");
    EXPECT_EQ(w["Btn_weiter"].text, "Next");
    EXPECT_EQ(w["Btn_back"].text, "Back");
    EXPECT_EQ(w["Btn_exit"].text, "Exit");
    EXPECT_FALSE(w["Btn_back"].enabled);
    EXPECT_TRUE(w["Ebn_welcome"].visible);
    EXPECT_FALSE(w["Ebn_folder"].visible);
    EXPECT_EQ(program.main->caption, "Backdrop");
    EXPECT_EQ((*program.trailer)["Lbl"].text, "corvid loading data.");
    EXPECT_EQ((*program.trailer)["Lbl_wait"].text, "Wait");
    EXPECT_FALSE(program.trailer->visible);
    EXPECT_EQ(p.hourglassOn, 0);
    EXPECT_TRUE(ctx.installPending);
}

TEST_F(Startup, OtherFormatVersionWarnsAndGoesOn) {
    inf.replace(inf.find("220"), 3, "219");
    Write();
    program.Run();
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_EQ(p.messageBoxes[0].text, "There is a conflict with setup.inf.\rOperation may fail.");
    EXPECT_EQ(p.messageBoxes[0].caption, "corvid");
    EXPECT_EQ(p.messageBoxes[0].flags, mb::Ok);
    EXPECT_TRUE(program.leader && program.leader->visible);
}

TEST_F(Startup, VersionMessagesAgainstAnEarlierInstallation) {
    Registered("C:\\WINDOWS\\uncorvid.exe D:\\APPS\\TOOL\\setup\\uninst.log", "5");
    Write("[vercheck]\nversion=5\nold=1\n");
    program.Run();
    EXPECT_EQ(Texts(), std::vector<std::string>{"same installed"}); // no uninstall question
    EXPECT_EQ(ctx.choices.targetDirectory, "D:\\APPS\\TOOL");
    EXPECT_EQ((*program.leader)["Edt_verz"].text, "D:\\APPS\\TOOL");
    EXPECT_TRUE(p.processStarts.empty());

    FakePlatform p2;
    Context c2(p2);
    p2.RegWriteString(RegRoot::LocalMachine, std::string(kUninstall) + "Tools", "version", "$10");
    p2.WriteFile("D:\\setup.inf", inf + "[vercheck]\nversion=15\n");
    Program(c2).Run();
    ASSERT_EQ(p2.messageBoxes.size(), 1u);
    EXPECT_EQ(p2.messageBoxes[0].text, "newer installed");
    EXPECT_EQ(c2.previous.version, 16);
}

TEST_F(Startup, NoEarlierInstallationAndNoVersionSaysNothing) {
    Write("[directories]\nd0=C:\\Tools\n");
    program.Run();
    EXPECT_TRUE(p.messageBoxes.empty());
    EXPECT_EQ(ctx.previous.version, -1);
    EXPECT_EQ(ctx.choices.targetDirectory, "C:\\Tools");
}

TEST_F(Startup, OlderInstallationMustBeRemovedFirst) {
    const std::string cmd = "C:\\WINDOWS\\uncorvid.exe C:\\T\\setup\\uninst.log";
    Registered(cmd, "5");
    Write("[vercheck]\nversion=6\nold=2\n");
    EXPECT_EQ(program.Run(), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"must remove old"});
    EXPECT_EQ(p.messageBoxes[0].flags, mb::OkCancel);
    EXPECT_EQ(p.processStarts, std::vector<std::string>{cmd});
    EXPECT_EQ(p.attachedForms.size(), 1u);

    FakePlatform p2;
    Context c2(p2);
    p2.answerMessageBox = [](const FakePlatform::MessageBoxCall&) { return mb::IdCancel; };
    p2.RegWriteString(RegRoot::LocalMachine, std::string(kUninstall) + "Tools", "UninstallString",
                      cmd);
    p2.WriteFile("D:\\setup.inf", inf + "[vercheck]\nversion=6\nold=2\n");
    EXPECT_EQ(Program(c2).Run(), 0);
    EXPECT_TRUE(p2.processStarts.empty());
    EXPECT_EQ(p2.attachedForms.size(), 1u);
}

TEST_F(Startup, OlderInstallationMayBeRemovedFirst) {
    const std::string cmd = "C:\\WINDOWS\\uncorvid.exe C:\\T\\setup\\uninst.log";
    Registered(cmd, "5");
    Write("[vercheck]\nversion=6\nold=1\n");
    p.answerMessageBox = [](const FakePlatform::MessageBoxCall&) { return mb::IdNo; };
    program.Run();
    EXPECT_EQ(Texts(), std::vector<std::string>{"remove old?"});
    EXPECT_EQ(p.messageBoxes[0].flags, mb::YesNo);
    EXPECT_TRUE(p.processStarts.empty());
    EXPECT_TRUE(program.leader->visible);
}

TEST(DestinationProposal, CutsTheLogPathOffTheUninstallCommand) {
    EXPECT_EQ(DestinationFromUninstallCommand(
                  "C:\\WINDOWS\\uncorvid.exe D:\\APPS\\TOOL\\setup\\uninst.log"),
              "D:\\APPS\\TOOL");
    EXPECT_EQ(DestinationFromUninstallCommand("X:\\ABC\\setup\\uninst.log"), "X:\\ABC");
    EXPECT_EQ(DestinationFromUninstallCommand("12345678901234567"), "");
    EXPECT_EQ(DestinationFromUninstallCommand("a b"), "");
}

TEST_F(Startup, DestinationWithoutTake) {
    Registered("C:\\WINDOWS\\uncorvid.exe D:\\APPS\\TOOL\\setup\\uninst.log", "1");
    Write("[vercheck]\ntake=0\n");
    program.Run();
    EXPECT_EQ(ctx.choices.targetDirectory, "_");
}

TEST_F(Startup, ComponentsTypesAndSpaceTotals) {
    Write("[software]\nprggrp=Tools Group\no_standard=1\no_min=1\nOpt1_name=Core\nOpt1_space=1000\n"
          "Opt2_space=2000\nOpt3_space=$10\nOpt1_standard=1\nOpt2_standard=1\nOpt3_min=1\n"
          "Opt1_custom=1\nOpt4_prgitem=1\n[compression]\nmode=2\nsize=1000\n");
    // The second [software] section is never looked at: the first one wins.
    program.Run();
    EXPECT_FALSE(ctx.types.offerStandard);

    FakePlatform p2;
    Context c2(p2);
    std::string own = inf.substr(0, inf.find("[software]"));
    p2.WriteFile("D:\\setup.inf",
                 own + "[software]\nname=Tools\nprggrp=Tools Group\no_standard=1\no_min=1\n"
                       "Opt1_name=Core\nOpt1_space=1000\nOpt2_space=2000\nOpt3_space=$10\n"
                       "Opt1_standard=1\nOpt2_standard=1\nOpt3_min=1\nOpt1_custom=1\n"
                       "Opt4_prgitem=1\n[compression]\nmode=2\nsize=1000\n");
    Program(c2).Run();
    EXPECT_EQ(c2.choices.programGroup, "Tools Group");
    EXPECT_EQ(c2.components[1].name, "Core");
    EXPECT_TRUE(c2.types.offerStandard && c2.types.offerMinimal);
    EXPECT_FALSE(c2.types.offerCustom || c2.types.offerCd);
    EXPECT_FALSE(c2.types.firstComponentLocked); // custom not offered: stays no
    EXPECT_FALSE(c2.components[1].inCustom);
    EXPECT_TRUE(c2.components[4].programItem);
    EXPECT_EQ(c2.types.standardSpace, 3000 + 1000);
    EXPECT_EQ(c2.types.minimalSpace, 16 + 1000);
    EXPECT_EQ(c2.types.customSpace, 1000); // not offered, still gets the extra size
}

TEST_F(Startup, SpaceTotalsDoNotWrapPastThirtyTwoBits) {
    std::string own = inf.substr(0, inf.find("[software]"));
    Write();
    p.WriteFile("D:\\setup.inf", own + "[software]\no_custom=1\nOpt1_custom=1\nOpt2_custom=1\n"
                                       "Opt1_space=2147483647\nOpt2_space=1\n");
    program.Run();
    EXPECT_EQ(ctx.types.customSpace, int64_t{2147483648});
    EXPECT_TRUE(ctx.types.firstComponentLocked);
}

TEST_F(Startup, BackgroundWithoutPicturesShowsTheGradientAndMovesTitlesLeft) {
    Write("[main]\nl1=Title\nl1_color=$FF\nshadow=0\n");
    program.Run();
    Tmain& m = *program.main;
    EXPECT_TRUE(m["i1"].visible);
    ASSERT_TRUE(m["i1"].picture);
    EXPECT_EQ(m["i1"].picture->width, 1);
    EXPECT_EQ(m["i1"].picture->height, 768);
    EXPECT_EQ(m["Lbl_1"].x, 13);
    EXPECT_EQ(m["Lbl_2"].x, 14);
    EXPECT_EQ(m["Lbl1_shadow"].x, 17);
    EXPECT_EQ(m["Lbl3_shadow"].x, 16);
    EXPECT_EQ(m["Lbl_1"].text, "Title");
    EXPECT_EQ(m["Lbl1_shadow"].text, "Title");
    EXPECT_EQ(m["Lbl_1"].font.color, 0xFFu);
    EXPECT_FALSE(m["Lbl1_shadow"].visible);
    EXPECT_EQ(m["Lbl_4"].text, "_");
    EXPECT_EQ(m.clientWidth, 800);
    EXPECT_EQ(m.state, WindowState::Maximized);
    // First activation: i2 gets the screen's width less 2 and two thirds of its height.
    EXPECT_EQ(m["i2"].width, 798);
    EXPECT_EQ(m["i2"].height, 400);
}

TEST_F(Startup, StretchedBackgroundAppearsAtFirstActivation) {
    Write("[main]\nstretch=1\nshow=0\n");
    p.messageLoop = [&] {};
    program.main = std::make_unique<Tmain>(ctx);
    program.main->FormCreate();
    EXPECT_FALSE((*program.main)["i1"].visible);
    program.main->FormActivate();
    EXPECT_TRUE((*program.main)["i1"].visible);
    EXPECT_EQ(program.main->state, WindowState::Minimized);
}

TEST_F(Startup, TilesTheBackPictureUnlessItIsTooThin) {
    p.WriteFile("D:\\back.bmp", Bmp(300, 250));
    p.WriteFile("D:\\logo.bmp", Bmp(10, 10));
    Write("[main]\nback=back.bmp\nlogo=logo.bmp\n");
    program.Run();
    Tmain& m = *program.main;
    EXPECT_FALSE(m["i1"].visible);
    EXPECT_EQ(m["Lbl_1"].x, 134); // the logo exists
    RecordingCanvas canvas;
    m.FormPaint(canvas);
    EXPECT_EQ(canvas.at.size(), 3u * 3u); // 800 x 600 covered by 300 x 250 tiles
    EXPECT_EQ(canvas.at.back(), std::make_pair(600, 500));

    p.WriteFile("D:\\back.bmp", Bmp(1, 100));
    RecordingCanvas thin;
    m.FormPaint(thin);
    EXPECT_TRUE(thin.at.empty());
}

TEST_F(Startup, LoadingBarWithoutPictures) {
    Write();
    program.main = std::make_unique<Tmain>(ctx);
    program.main->FormCreate();
    program.trailer = std::make_unique<Ttrailer>(ctx, *program.main);
    ctx.trailer = program.trailer.get();
    BarSpy spy;
    program.trailer->view = &spy;
    program.trailer->FormCreate();
    program.abbruch = std::make_unique<Tabbruch>(ctx);
    program.leader = std::make_unique<Tleader>(ctx);
    int pumpsAt15 = 0;
    p.onProcessMessages = [&] {
        if ((*program.trailer)["pr_load"].position == 15) ++pumpsAt15;
    };
    program.leader->FormCreate();
    EXPECT_EQ(spy.positions, (std::vector<int>{7, 15, 35, 65, 90, 100}));
    EXPECT_EQ(pumpsAt15, 1);
    EXPECT_FALSE(p.DirectoryExists("C:\\temp\\cvd.bmp"));
    // No side picture: the dialog closes up.
    EXPECT_EQ(program.leader->clientWidth, 311);
    EXPECT_EQ((*program.leader)["Btn_weiter"].x, 96);
    EXPECT_EQ((*program.leader)["strich"].x, 20);
    EXPECT_EQ((*program.leader)["Ebn_start"].x, 4);
}

TEST_F(Startup, ProgressReportsMoveTheBarWithinEachPicturesRange) {
    Write();
    Form backdrop("Tmain");
    Ttrailer t(ctx, backdrop);
    const std::pair<int, std::vector<int>> expect[] = {
        {4, {0, 8, 15}},
        {2, {15, 25, 35}},
        {3, {35, 50, 65}},
        {1, {65, 77, 90}}}; // 12.5 rounds to the even 12
    for (auto& [step, bars] : expect) {
        t.pictureStep = step;
        int i = 0;
        for (int pct : {0, 50, 100}) {
            t.ShowProgress(pct);
            EXPECT_EQ(t["pr_load"].position, bars[i++]) << "step " << step << " at " << pct;
        }
    }
    t.pictureStep = 0;
    int before = p.processMessagesCalls;
    t.ShowProgress(10);
    EXPECT_EQ(t["pr_load"].position, 90);
    EXPECT_EQ(p.processMessagesCalls, before + 1);
    EXPECT_EQ(RoundHalfEven(25, 10), 2); // 2.5 goes to the even 2
    EXPECT_EQ(RoundHalfEven(35, 10), 4);
}

TEST_F(Startup, PackedPicturesAreExpandedThroughTheTemporaryFile) {
    p.WriteFile("D:\\back.bm_", StoredArchive({{"back.bmp", Bmp(40, 30)}}));
    p.WriteFile("D:\\side.bm_",
                StoredArchive({{"other.bmp", Bmp(8, 8)}, {"SIDE.BMP", Bmp(120, 259)}}));
    p.WriteFile("D:\\logo.bmp", StoredArchive({{"logo.bmp", Bmp(16, 16)}}));
    Write(
        "[compression]\nmode=1\n[main]\nback=back.bm_\nlogo=logo.bmp\n[leader]\nimage=side.bm_\n");
    program.Run();
    Tleader& w = *program.leader;
    ASSERT_TRUE(w["Img_Setup"].picture);
    EXPECT_EQ(w["Img_Setup"].picture->width, 120);
    EXPECT_EQ(w.clientWidth, 461);
    ASSERT_TRUE((*program.main)["i3"].picture); // a packed picture whose name already ends in p
    EXPECT_EQ((*program.main)["i3"].picture->width, 16);
    ASSERT_TRUE((*program.main)["i1"].picture);
    EXPECT_EQ((*program.main)["i1"].picture->width, 40);
    EXPECT_EQ(ctx.startup.backPicture, kTempPicture);
    EXPECT_EQ(ctx.startup.wizardPicture, kTempPicture);
    // Only the back picture's copy stays, for the tiling.
    EXPECT_EQ(p.ReadFile(kTempPicture), Bmp(40, 30));
    EXPECT_FALSE((*program.main)["i1"].visible);
    RecordingCanvas canvas;
    program.main->FormPaint(canvas);
    EXPECT_EQ(canvas.at.size(), 20u * 20u);
    EXPECT_FALSE(ctx.infoPictureLoaded);
}

TEST_F(Startup, PackedWizardPictureAloneLeavesNoTemporaryFile) {
    p.WriteFile("D:\\side.bm_", StoredArchive({{"side.bmp", Bmp(12, 12)}}));
    p.WriteFile("D:\\info.bm_", StoredArchive({{"wrong.bmp", Bmp(12, 12)}}));
    Write("[compression]\nmode=1\n[leader]\nimage=side.bm_\n[main]\ninfo=info.bm_\n");
    program.Run();
    EXPECT_TRUE((*program.leader)["Img_Setup"].picture);
    EXPECT_FALSE(ctx.infoPictureLoaded); // the archive lacks info.bmp
    EXPECT_FALSE(p.FileExists(kTempPicture));
    EXPECT_TRUE(p.DirectoryExists(kTempPictureDir));
}

TEST_F(Startup, DamagedPictureArchiveIsReportedAndSkipped) {
    p.WriteFile("D:\\side.bm_", "MORV\x1aNON garbage that is no archive");
    Write("[compression]\nmode=1\n[leader]\nimage=side.bm_\n");
    program.Run();
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_EQ(p.messageBoxes[0].caption, "Setup");
    EXPECT_FALSE((*program.leader)["Img_Setup"].picture);
    EXPECT_EQ(program.leader->clientWidth, 311);
    EXPECT_TRUE(program.leader->visible);
}

TEST_F(Startup, InfoPictureAndTextMakeTheInstallationLook) {
    p.WriteFile("D:\\info.bmp", Bmp(20, 20));
    Write("[main]\ninfo=info.bmp\ntext=Read this\n");
    program.Run();
    Tmain& m = *program.main;
    EXPECT_TRUE(ctx.infoPictureLoaded);
    EXPECT_TRUE(m["i4"].picture);
    EXPECT_FALSE(m["i2"].picture);
    m.ShowInstallationLook();
    EXPECT_TRUE(m["i4"].visible);
    EXPECT_TRUE(m["Lbl_4"].visible);
    EXPECT_FALSE(m["i3"].visible);
    EXPECT_FALSE(m["Lbl_1"].visible);
}

TEST_F(Startup, WelcomeMessageWithItsCaption) {
    std::string own = inf.substr(0, inf.find("[software]"));
    p.WriteFile("D:\\setup.inf", own + "[software]\nname=Tools\nmsg1=Hello\nmsg1t=Greeting\n");
    program.Run();
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_EQ(p.messageBoxes[0].text, "Hello");
    EXPECT_EQ(p.messageBoxes[0].caption, "Greeting");
    EXPECT_EQ(p.messageBoxes[0].flags, mb::Ok | mb::IconInfo);
}

TEST_F(Startup, EscAndF4OpenTheAbortDialogButNotOnRadioButtons) {
    Write();
    program.Run();
    Tleader& w = *program.leader;
    int key = vk::Escape;
    w["cf_standard"].onKeyDown ? w["cf_standard"].onKeyDown(key) : void();
    EXPECT_TRUE(p.modalForms.empty());
    key = vk::Escape;
    w["Edt_verz"].onKeyDown(key);
    EXPECT_EQ(key, 0);
    key = vk::F4;
    w.onKeyDown(key);
    key = 'A';
    w["Btn_weiter"].onKeyDown(key);
    EXPECT_EQ(key, 'A');
    EXPECT_EQ(p.modalForms, (std::vector<std::string>{"Tabbruch", "Tabbruch"}));
}

TEST_F(Startup, AbortDialogTextsAndKeys) {
    for (auto [l15, cancel] : {std::pair<std::string, std::string>{"Ja", "&nein"},
                               {"Yes", "&no"},
                               {"", "&no"},
                               {"beenden (j)", "&nein"}}) {
        FakePlatform fp;
        Context c(fp);
        fp.WriteFile("D:\\setup.inf", "[language]\nl15=" + l15 + "\nl27=Quit?\n");
        Tmain main(c);
        main.FormCreate();
        Tabbruch dlg(c);
        dlg.FormCreate();
        EXPECT_EQ(dlg["Btn_cancel"].text, cancel) << l15;
        EXPECT_EQ(dlg["Btn_terminate"].text, l15);
        EXPECT_EQ(dlg["Lbl_15"].text, "Quit?");
        EXPECT_EQ(dlg.caption, "Corvid");
    }

    Write();
    program.main = std::make_unique<Tmain>(ctx);
    program.main->FormCreate();
    Tabbruch dlg(ctx);
    dlg.FormCreate();
    p.WriteFile(kTempPicture, "x");
    int key = vk::Escape;
    dlg["Btn_terminate"].onKeyDown(key);
    EXPECT_EQ(dlg.modalResult, 2);
    EXPECT_FALSE(p.terminated);
    EXPECT_TRUE(p.FileExists(kTempPicture));

    key = vk::F4;
    dlg["Btn_cancel"].onKeyDown(key);
    EXPECT_TRUE(p.terminated);
    EXPECT_FALSE(p.FileExists(kTempPicture));
    EXPECT_FALSE(ctx.abortRequested); // nothing was installed yet
}

TEST_F(Startup, TerminatingDuringTheInstallationRemovesWorkFiles) {
    Write("[language]\n");
    program.main = std::make_unique<Tmain>(ctx);
    program.main->FormCreate();
    Tabbruch dlg(ctx);
    dlg.FormCreate();
    ctx.installStarted = true;
    ctx.choices.targetDirectory = "C:\\Tools";
    ctx.readmeCopyPath = "C:\\Tools\\readme.txt";
    for (const char* f : {"C:\\Tools\\setup\\setup.tmp", "C:\\Tools\\setup\\compress.tmp",
                          "C:\\Tools\\readme.txt", "C:\\Tools\\setup\\uninst.log"})
        p.WriteFile(f, "x");
    dlg.Btn_terminateClick();
    EXPECT_TRUE(ctx.abortRequested);
    EXPECT_EQ(dlg["Lbl_15"].text, "Wait");
    EXPECT_FALSE(p.FileExists("C:\\Tools\\setup\\setup.tmp"));
    EXPECT_FALSE(p.FileExists("C:\\Tools\\setup\\compress.tmp"));
    EXPECT_FALSE(p.FileExists("C:\\Tools\\readme.txt"));
    EXPECT_TRUE(p.FileExists("C:\\Tools\\setup\\uninst.log")); // the uninstaller needs it
    EXPECT_TRUE(p.terminated);
}
