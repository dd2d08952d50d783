// The wizard's page flow, setup types, components, space checks, destination and group checks
// and the hand-over, on the fake platform.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/main.h"
#include "app/program.h"
#include "fake_platform.h"
#include "install/abort_dialog.h"
#include "state/context.h"
#include "wizard/dialog.h"
#include "wizard/folder.h"

using namespace corvid;

namespace {

const char* kBase = "[corvid]\nversion=220\n[language]\nl2=Bad characters:\nl3=Please correct.\n"
                    "l4=No drive given.\nl5=Not a drive.\nl6=Bad group characters:\nl9=Folder\n"
                    "l11=Exit\nl12=Back\nl13=Not enough space.\nl15=Yes\nl16=is too full\n"
                    "l17=Next\nl24=Browse\nl25=Needed:\nl26=Free:\nl27=Really?\nl29=Backdrop\n"
                    "l30=Welcome\nl31=Destination\nl32=Setup type\nl33=Components\n"
                    "l34=Program group\nl35=Ready\nl41=Standard\nl42=Minimal\nl43=Custom\n"
                    "l44=standard text\nl45=minimal text\nl46=cd text\nl47=custom text\n"
                    "[directories]\nd0=C:\\Tools\n";

class Wizard : public ::testing::Test {
protected:
    FakePlatform p;
    Context ctx{p};
    Program program{ctx};

    // Starts the setup on a description with this [software] section and runs the body while
    // the wizard is open.
    void Run(const std::string& software, const std::function<void(Tleader&)>& body) {
        p.WriteFile("D:\\setup.inf",
                    std::string(kBase) + "[software]\nname=Tools\nprggrp=Tools\n" + software);
        p.messageLoop = [&] { body(*program.leader); };
        program.Run();
    }
    // Presses Next `presses` times.
    static void Next(Tleader& w, int presses = 1) {
        for (int i = 0; i < presses; ++i) w.Btn_weiterClick();
    }
    static std::vector<std::string> VisiblePages(Tleader& w) {
        std::vector<std::string> v;
        for (const char* n : {"Ebn_welcome", "Ebn_folder", "Ebn_configuration", "Ebn_components",
                              "Ebn_prggroup", "Ebn_start"})
            if (w[n].visible) v.push_back(n);
        return v;
    }
    std::vector<bool> Boxes(Tleader& w) {
        std::vector<bool> b;
        for (int n = 1; n <= 7; ++n) b.push_back(w["Opt_" + std::to_string(n)].checked);
        return b;
    }
    std::vector<bool> Chosen() {
        return std::vector<bool>(ctx.choices.components + 1, ctx.choices.components + 8);
    }
    using Pages = std::vector<std::string>;
};

const char* kAllTypes = "o_standard=1\no_min=1\no_custom=1\n"
                        "Opt1_name=Core\nOpt1_space=1024\nOpt1_standard=1\nOpt1_min=1\n"
                        "Opt1_custom=1\nOpt2_name=Help\nOpt2_space=2048\nOpt2_standard=1\n"
                        "Opt3_name=Samples\nOpt3_space=4096\nOpt3_custom=1\nOpt3_prgitem=1\n";

} // namespace

TEST(WizardRules, KiloBytesRoundHalvesToEvenInSixtyFourBits) {
    EXPECT_EQ(KiloBytes(512), "0");
    EXPECT_EQ(KiloBytes(1536), "2");
    EXPECT_EQ(KiloBytes(2560), "2");
    EXPECT_EQ(KiloBytes(1048576), "1024");
    EXPECT_EQ(KiloBytes(513), "1");
    EXPECT_EQ(KiloBytes(-1), "0");
    EXPECT_EQ(KiloBytes(int64_t{5} << 30), "5242880"); // 5 GB free
    EXPECT_EQ(KiloBytes(int64_t{3000000000}), "2929688");
}

TEST(WizardRules, SetupTypePageOverAllSixteenOffers) {
    // Bits: 8 standard, 4 minimal, 2 cd, 1 custom.
    const bool expected[16] = {
        false, true, false, true, // -, custom, cd, cd+custom
        true,  true, false, true, // min, min+custom, min+cd, min+cd+custom
        false, true, true,  true, // std, std+custom, std+cd, std+cd+custom
        true,  true, true,  true, // std+min, ...
    };
    for (int bits = 0; bits < 16; ++bits) {
        SetupTypes t;
        t.offerStandard = bits & 8;
        t.offerMinimal = bits & 4;
        t.offerCd = bits & 2;
        t.offerCustom = bits & 1;
        EXPECT_EQ(setupTypePageOffered(t), expected[bits]) << "offers " << bits;
    }
}

TEST(WizardRules, GroupPageOverAllSixteenOffers) {
    FakePlatform p;
    for (int bits = 0; bits < 16; ++bits) {
        Context ctx(p);
        ctx.types.offerStandard = bits & 8;
        ctx.types.offerMinimal = bits & 4;
        ctx.types.offerCd = bits & 2;
        ctx.types.offerCustom = bits & 1;
        const bool custom = bits & 1;
        // The standard type's first component makes an item only without the custom type.
        ctx.components[1].programItem = true;
        ctx.choices.typeStandard = true;
        EXPECT_EQ(groupPageNeeded(ctx), !custom) << "standard, offers " << bits;
        ctx.choices.typeStandard = false;
        ctx.choices.typeMinimal = true;
        EXPECT_FALSE(groupPageNeeded(ctx)) << "minimal without item 2, offers " << bits;
        ctx.components[2].programItem = true;
        EXPECT_EQ(groupPageNeeded(ctx), !custom) << "minimal, offers " << bits;
        ctx.choices.typeMinimal = false;
        EXPECT_FALSE(groupPageNeeded(ctx)) << "no type, offers " << bits;
        ctx.choices.typeCd = true;
        EXPECT_TRUE(groupPageNeeded(ctx)) << "cd, offers " << bits;
        ctx.choices.typeCd = false;
        ctx.choices.components[5] = true;
        EXPECT_FALSE(groupPageNeeded(ctx)) << "component without item, offers " << bits;
        ctx.components[5].programItem = true;
        EXPECT_TRUE(groupPageNeeded(ctx)) << "component with item, offers " << bits;
    }
}

TEST(WizardRules, DrivePartOfADestination) {
    EXPECT_EQ(DrivePartOf("c:\\tools"), "C:");
    EXPECT_EQ(DrivePartOf("C:tool"), "C:");
    EXPECT_EQ(DrivePartOf("C:"), "");
    EXPECT_EQ(DrivePartOf("tools"), "");
    EXPECT_EQ(DrivePartOf("\\\\server\\share\\dir"), "\\\\SERVER\\SHARE");
    EXPECT_EQ(DrivePartOf("\\\\server"), "\\\\SERVER");
}

TEST_F(Wizard, CreationFillsChoicesAndNumbers) {
    Run(std::string(kAllTypes) + "o_cd=1\nOpt4_custom=1\nOpt5_name=Extra\n", [&](Tleader& w) {
        EXPECT_EQ(w["cf_standard"].text, "Standard");
        EXPECT_EQ(w["cfl_min"].text, "cd text"); // cd wins over minimal
        EXPECT_TRUE(w["cf_standard"].checked);
        EXPECT_FALSE(w["cf_min"].checked || w["cf_custom"].checked);
        EXPECT_EQ(Boxes(w), (std::vector<bool>{true, false, true, true, false, false, false}));
        EXPECT_TRUE(w["Opt_1"].visible && w["Opt_2"].visible && w["Opt_5"].visible);
        EXPECT_FALSE(w["Opt_4"].visible || w["Opt_6"].visible); // no name, checked all the same
        EXPECT_EQ(w["Opt_3"].text, "Samples");
        EXPECT_EQ(w["Lbl_need2z"].text, KiloBytes(1024 + 2048)); // the default radio's total
        EXPECT_EQ(w["Lbl_needz"].text, "5");                     // the checked boxes
        EXPECT_EQ(w["Lbl_free2z"].text, "---");
        EXPECT_EQ(w["Lbl_freez"].text, "---");
    });
}

TEST_F(Wizard, NumbersShowDashesUntilFilled) {
    Run("o_standard=1\n", [&](Tleader& w) {
        EXPECT_EQ(w["Lbl_needz"].text, "---"); // no box was ever checked
        EXPECT_EQ(w["Lbl_need2z"].text, "0");
    });
}

TEST_F(Wizard, DefaultChoiceAndVisibilityFollowTheOffers) {
    Run("o_cd=1\no_custom=1\n", [&](Tleader& w) {
        EXPECT_TRUE(w["cf_min"].checked);
        EXPECT_FALSE(w["cf_standard"].visible);
        EXPECT_TRUE(w["cf_min"].visible && w["cf_custom"].visible);
    });
}

TEST_F(Wizard, StandardOnlyWithoutItemsGoesFromFolderToReadyInOnePress) {
    Run("o_standard=1\nOpt1_name=Core\nOpt1_standard=1\nOpt1_space=10\nOpt2_space=5\n", [&](Tleader&
                                                                                                w) {
        Next(w);
        EXPECT_EQ(w.page, WizardPage::Folder);
        EXPECT_EQ(w.caption, "Destination");
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_folder"});
        EXPECT_FALSE(w["Btn_back"].enabled);
        Next(w);
        EXPECT_EQ(w.page, WizardPage::Ready);
        EXPECT_EQ(w.caption, "Ready");
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_start"});
        EXPECT_TRUE(w["Btn_back"].enabled);
        EXPECT_TRUE(ctx.choices.typeStandard);
        EXPECT_FALSE(ctx.choices.typeCustom || ctx.choices.typeMinimal || ctx.choices.typeCd);
        EXPECT_EQ(Chosen(), (std::vector<bool>{true, false, false, false, false, false, false}));
        EXPECT_TRUE(p.messageBoxes.empty());
        // Back: no setup type offered, so straight to the folder page.
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::Folder);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_folder"});
        EXPECT_FALSE(w["Btn_back"].enabled);
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::Folder);
    });
}

TEST_F(Wizard, FolderChecksMessagesAndTheFieldAfterwards) {
    Run(kAllTypes, [&](Tleader& w) {
        Next(w);
        auto tryFolder = [&](const std::string& typed) {
            p.messageBoxes.clear();
            w["Edt_verz"].UserSetText(typed);
            Next(w);
        };
        tryFolder("C:\\a?b");
        ASSERT_EQ(p.messageBoxes.size(), 1u);
        EXPECT_EQ(p.messageBoxes[0].text, "Bad characters:\r? * | \" < >\rPlease correct.");
        EXPECT_EQ(p.messageBoxes[0].caption, "corvid");
        EXPECT_EQ(p.messageBoxes[0].flags, mb::Ok | mb::IconInfo);
        EXPECT_EQ(w["Edt_verz"].text, "C:\\a?b");
        EXPECT_EQ(w.page, WizardPage::Folder);
        EXPECT_FALSE(w["Btn_back"].enabled);

        tryFolder(" tools dir ");
        ASSERT_EQ(p.messageBoxes.size(), 1u);
        EXPECT_EQ(p.messageBoxes[0].text, "No drive given.\rPlease correct.");
        EXPECT_EQ(w["Edt_verz"].text, "tools_dir");
        EXPECT_EQ(w.page, WizardPage::Folder); // stays, unlike the old return to Welcome
        EXPECT_FALSE(w["Btn_back"].enabled);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_folder"});

        tryFolder("C:");
        EXPECT_EQ(p.messageBoxes.at(0).text, "No drive given.\rPlease correct.");

        tryFolder("\\\\server\\share\\tools");
        ASSERT_EQ(p.messageBoxes.size(), 1u);
        EXPECT_EQ(p.messageBoxes[0].text, "Not a drive.\rPlease correct.");
        EXPECT_EQ(w.page, WizardPage::Folder);

        tryFolder("1:\\tools");
        EXPECT_EQ(p.messageBoxes.at(0).text, "Not a drive.\rPlease correct.");

        tryFolder("\t C:\\Program Files\\Tool  ");
        EXPECT_TRUE(p.messageBoxes.empty());
        EXPECT_EQ(w["Edt_verz"].text, "C:\\Program_Files\\Tool");
        EXPECT_EQ(w.destinationDrive, "C:");
        EXPECT_EQ(w.destinationDriveNumber, 3);
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_TRUE(w["Btn_back"].enabled);

        w.Btn_backClick();
        tryFolder("d:\\tool");
        EXPECT_EQ(w.destinationDrive, "D:");
        EXPECT_EQ(w.destinationDriveNumber, 4);
        w.Btn_backClick();
        tryFolder("C:tool");
        EXPECT_EQ(w.destinationDrive, "C:");
        EXPECT_EQ(w.page, WizardPage::SetupType);
    });
}

TEST_F(Wizard, FolderStepSpaceCheckAgainstTheMinimalTotal) {
    Run(std::string(kAllTypes) + "[compression]\nmode=1\nsize=1000\n", [&](Tleader& w) {
        Next(w);
        p.diskFree['C'] = 1024 + 999; // minimal total: 1024 + 1000
        Next(w);
        ASSERT_EQ(p.messageBoxes.size(), 1u);
        EXPECT_EQ(p.messageBoxes[0].text, "Not enough space.");
        EXPECT_EQ(p.messageBoxes[0].caption, "C: is too full");
        EXPECT_EQ(p.messageBoxes[0].flags, mb::Ok | mb::IconWarning);
        EXPECT_EQ(w.page, WizardPage::Folder);
        EXPECT_FALSE(w["Btn_back"].enabled);

        p.diskFree['C'] = -1; // a failed query is too little space
        Next(w);
        EXPECT_EQ(p.messageBoxes.size(), 2u);

        p.diskFree['C'] = int64_t{5} << 30; // more than 32 bits can hold
        Next(w);
        EXPECT_EQ(p.messageBoxes.size(), 2u);
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_EQ(w.caption, "Setup type");
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_configuration"});
        EXPECT_EQ(w["Lbl_free2z"].text, "5242880");
        EXPECT_EQ(w["Lbl_freez"].text, "5242880");
        EXPECT_EQ(w["Lbl_need2z"].text, KiloBytes(1024 + 2048 + 1000));
        EXPECT_EQ(w["Lbl_needz"].text, KiloBytes(1024 + 2048 + 1000));
    });
}

TEST_F(Wizard, StandardChoiceNeedsItsSpaceOkAndCancelStay) {
    Run(kAllTypes, [&](Tleader& w) {
        Next(w, 2);
        ASSERT_EQ(w.page, WizardPage::SetupType);
        w["Opt_3"].SetChecked(false); // the custom set's boxes stay until the standard set
        p.diskFree['C'] = 3071;       // standard total 3072
        Next(w);
        ASSERT_EQ(p.messageBoxes.size(), 1u);
        EXPECT_EQ(p.messageBoxes[0].caption, "C: is too full");
        EXPECT_EQ(p.messageBoxes[0].flags, mb::OkCancel | mb::IconWarning);
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_TRUE(p.modalForms.empty());

        p.answerMessageBox = [](const FakePlatform::MessageBoxCall&) { return mb::IdCancel; };
        Next(w);
        EXPECT_EQ(p.modalForms, std::vector<std::string>{"Tabbruch"}); // declined there
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_configuration"});

        p.answerMessageBox = nullptr;
        p.diskFree['C'] = 3072;
        Next(w);
        EXPECT_EQ(Boxes(w), (std::vector<bool>{true, true, false, false, false, false, false}));
        EXPECT_TRUE(ctx.choices.typeStandard);
        EXPECT_EQ(Chosen(), Boxes(w));
        EXPECT_EQ(w.page, WizardPage::Ready); // no program items in the standard set
    });
}

TEST_F(Wizard, CustomChoiceShowsTheComponentsPageAndBackReturnsToTheTypes) {
    Run(kAllTypes, [&](Tleader& w) {
        Next(w, 2);
        w["cf_custom"].UserClick();
        EXPECT_EQ(w["Lbl_need2z"].text, KiloBytes(1024 + 4096));
        w["Opt_2"].SetChecked(true);
        Next(w);
        EXPECT_EQ(w.page, WizardPage::Components);
        EXPECT_EQ(w.caption, "Components");
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_components"});
        EXPECT_EQ(Boxes(w), (std::vector<bool>{true, false, true, false, false, false, false}));
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_configuration"});
        EXPECT_TRUE(w["Btn_back"].enabled);
        Next(w);
        w["Opt_2"].UserClick();
        w["Opt_3"].UserClick(); // off: no program item left
        EXPECT_EQ(w["Lbl_needz"].text, "3");
        Next(w);
        EXPECT_TRUE(ctx.choices.typeCustom && ctx.choices.typeStandard);
        EXPECT_EQ(Chosen(), (std::vector<bool>{true, true, false, false, false, false, false}));
        EXPECT_EQ(w.page, WizardPage::Ready);
        // Back from Ready after a custom choice without a group page: the setup-type page.
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_EQ(w.caption, "Setup type");
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_configuration"});
        EXPECT_TRUE(w["cf_custom"].checked); // nothing is reset
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::Folder);
        EXPECT_FALSE(w["Btn_back"].enabled);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_folder"});
    });
}

TEST_F(Wizard, GroupPageWithItsCheckAndBackRows) {
    Run(kAllTypes, [&](Tleader& w) {
        Next(w, 2);
        w["cf_custom"].UserClick();
        Next(w, 2); // custom set holds Opt3 with a program item
        EXPECT_EQ(w.page, WizardPage::ProgramGroup);
        EXPECT_EQ(w.caption, "Program group");
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_prggroup"});

        w["Edt_prggroup"].UserSetText("Tools (new)");
        Next(w);
        ASSERT_EQ(p.messageBoxes.size(), 1u);
        EXPECT_EQ(p.messageBoxes[0].text,
                  "Bad group characters:\r- / ( ) ; : , | \" < >\rPlease correct.");
        EXPECT_EQ(p.messageBoxes[0].caption, "corvid");
        EXPECT_EQ(p.messageBoxes[0].flags, mb::Ok | mb::IconInfo);
        EXPECT_EQ(w["Edt_prggroup"].text, "Tools (new)");
        EXPECT_EQ(w.page, WizardPage::ProgramGroup);
        w["Edt_prggroup"].UserSetText("A-B");
        Next(w);
        EXPECT_EQ(p.messageBoxes.size(), 2u);

        w["Edt_prggroup"].UserSetText(" A*B? ");
        Next(w);
        EXPECT_EQ(w["Edt_prggroup"].text, "A_B_");
        EXPECT_EQ(w.page, WizardPage::Ready);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_start"});

        w.Btn_backClick(); // group page needed
        EXPECT_EQ(w.page, WizardPage::ProgramGroup);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_prggroup"});
        w.Btn_backClick(); // custom checked
        EXPECT_EQ(w.page, WizardPage::Components);
        EXPECT_EQ(w.caption, "Components");
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_components"});

        w.Btn_backClick();
        w["cf_min"].UserClick();
        w["Edt_prggroup"].UserSetText("My Tools");
        Next(w); // minimal: Opt1 only, no program item, so the group check runs at once
        EXPECT_EQ(w.page, WizardPage::Ready);
        EXPECT_EQ(w["Edt_prggroup"].text, "My_Tools");
        EXPECT_TRUE(ctx.choices.typeMinimal);
        EXPECT_FALSE(ctx.choices.typeStandard);
        EXPECT_EQ(Chosen(), (std::vector<bool>{true, false, false, false, false, false, false}));
        EXPECT_EQ(Boxes(w), Chosen()); // the boxes took the minimal set

        w["Edt_prggroup"].UserSetText("");
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::SetupType);
    });
}

TEST_F(Wizard, BackFromTheGroupStateWithoutTheCustomChoice) {
    Run(std::string(kAllTypes) + "Opt1_prgitem=1\n", [&](Tleader& w) {
        Next(w, 3);
        EXPECT_EQ(w.page, WizardPage::ProgramGroup);
        w.Btn_backClick(); // setup-type page offered
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_configuration"});
    });
}

TEST_F(Wizard, SkippedGroupPageWithAFailingDefaultAndBack) {
    Run("o_standard=1\nOpt1_standard=1\n", [&](Tleader& w) {
        w["Edt_prggroup"].SetText("Bad;Name");
        Next(w, 2);
        EXPECT_EQ(w.page, WizardPage::ProgramGroup);
        EXPECT_TRUE(VisiblePages(w).empty());
        EXPECT_EQ(p.messageBoxes.size(), 1u);
        Next(w);
        EXPECT_EQ(p.messageBoxes.size(), 2u); // at every Next while no page is visible
        w.Btn_backClick(); // neither custom nor a setup-type page: the folder page
        EXPECT_EQ(w.page, WizardPage::Folder);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_folder"});
        EXPECT_FALSE(w["Btn_back"].enabled);
    });
}

TEST_F(Wizard, CdAloneSkipsTheTypesAndAlwaysAsksForTheGroup) {
    Run("o_cd=1\nOpt1_space=1\n", [&](Tleader& w) {
        ctx.choices.components[4] = true; // kept: the cd type sets no components
        Next(w, 2);
        EXPECT_TRUE(ctx.choices.typeCd);
        EXPECT_FALSE(ctx.choices.typeStandard || ctx.choices.typeMinimal);
        EXPECT_TRUE(ctx.choices.components[4]);
        EXPECT_EQ(w.page, WizardPage::ProgramGroup);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_prggroup"});
        // ProgramGroup back without custom and without a setup-type page: the folder page.
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::Folder);
        EXPECT_FALSE(w["Btn_back"].enabled);
        // The Components row disables Back when cd is offered alone.
        w.page = WizardPage::Components;
        w["Btn_back"].SetEnabled(true);
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_FALSE(w["Btn_back"].enabled);
    });
}

TEST_F(Wizard, CdWithMinimalSetsTheCdTypeAloneAndKeepsComponents) {
    Run("o_cd=1\no_min=1\no_standard=1\nOpt1_min=1\nOpt2_standard=1\n", [&](Tleader& w) {
        EXPECT_TRUE(w["cf_standard"].checked);
        EXPECT_EQ(w["cfl_min"].text, "cd text");
        Next(w, 2);
        w["cf_min"].UserClick();
        Next(w);
        EXPECT_TRUE(ctx.choices.typeCd);
        EXPECT_FALSE(ctx.choices.typeMinimal || ctx.choices.typeStandard);
        EXPECT_EQ(Boxes(w), (std::vector<bool>{true, false, false, false, false, false, false}));
        EXPECT_EQ(Chosen(), std::vector<bool>(7, false));
        EXPECT_EQ(w.page, WizardPage::ProgramGroup);
        // Back from Ready without a group page need cannot happen with cd; from the group
        // page the setup-type page comes back.
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::SetupType);
    });
}

TEST_F(Wizard, CdWithCustomChoosingCustomSetsBoth) {
    Run("o_cd=1\no_custom=1\nOpt1_custom=1\n", [&](Tleader& w) {
        Next(w, 2);
        w["cf_custom"].UserClick();
        Next(w, 2);
        EXPECT_TRUE(ctx.choices.typeCd && ctx.choices.typeCustom);
        EXPECT_TRUE(ctx.choices.components[1]);
    });
}

TEST_F(Wizard, MinimalWithCustomButNoStandardTakesTheHiddenStandardChoice) {
    Run("o_min=1\no_custom=1\nOpt1_min=1\nOpt1_custom=1\nOpt1_standard=1\n", [&](Tleader& w) {
        EXPECT_TRUE(w["cf_standard"].checked);
        EXPECT_FALSE(w["cf_standard"].visible);
        EXPECT_FALSE(w["cf_min"].checked || w["cf_custom"].checked);
        Next(w, 2);
        EXPECT_EQ(w.page, WizardPage::SetupType);
        Next(w);
        EXPECT_TRUE(ctx.choices.typeStandard);
        EXPECT_FALSE(ctx.choices.typeMinimal || ctx.choices.typeCustom);
        EXPECT_EQ(Chosen(), std::vector<bool>(7, false)); // standard set not read: not offered
        EXPECT_EQ(w.page, WizardPage::Ready);
        EXPECT_TRUE(w["Opt_1"].checked); // locked: the standard set unchecked it, it came back
    });
}

TEST_F(Wizard, LockedFirstComponent) {
    Run("o_custom=1\no_standard=1\nOpt1_custom=1\nOpt1_space=2048\nOpt2_standard=1\n", [&](Tleader&
                                                                                               w) {
        EXPECT_TRUE(w["Opt_1"].checked);
        const std::string need = w["Lbl_needz"].text;
        w["Opt_1"].UserClick();
        EXPECT_TRUE(w["Opt_1"].checked);
        EXPECT_EQ(w["Lbl_needz"].text, need);
        // A type set without component 1 checks it as soon as a box changes.
        Next(w, 2);
        Next(w);
        EXPECT_EQ(Boxes(w), (std::vector<bool>{true, true, false, false, false, false, false}));
        EXPECT_EQ(Chosen(), (std::vector<bool>{false, true, false, false, false, false, false}));
    });
}

TEST_F(Wizard, ComponentStepWaitsForSpaceOkAndCancel) {
    Run(std::string(kAllTypes) + "[compression]\nmode=0\nsize=100\n", [&](Tleader& w) {
        Next(w, 2);
        w["cf_custom"].UserClick();
        Next(w);
        p.diskFree['C'] = 1024 + 4096 + 100 - 1;
        int asked = 0;
        p.answerMessageBox = [&](const FakePlatform::MessageBoxCall& m) {
            EXPECT_EQ(m.caption, "C:is too full"); // no blank in this caption
            EXPECT_EQ(m.flags, mb::OkCancel | mb::IconWarning);
            EXPECT_TRUE(w.spaceWarning);
            if (++asked == 1) return mb::IdCancel;
            if (asked == 3) p.diskFree['C'] = 1024 + 4096 + 100;
            return mb::IdOk;
        };
        Next(w);
        EXPECT_EQ(asked, 3);
        EXPECT_EQ(p.modalForms, std::vector<std::string>{"Tabbruch"});
        EXPECT_FALSE(w.spaceWarning);
        EXPECT_EQ(w.page, WizardPage::ProgramGroup);
    });
}

TEST_F(Wizard, ComponentStepSpaceWarningLeadsOutThroughTheAbortDialog) {
    Run(kAllTypes, [&](Tleader& w) {
        Next(w, 2);
        w["cf_min"].UserClick();
        p.diskFree['C'] = 1000; // minimal total 1024 is checked at the folder step only later
        p.answerMessageBox = [](const FakePlatform::MessageBoxCall&) { return mb::IdCancel; };
        p.modalHandler = [&](Form& f) {
            if (f.name == "Tabbruch") (*program.abbruch)["Btn_terminate"].UserClick();
            return 1;
        };
        Next(w);
        EXPECT_TRUE(p.terminated);
        EXPECT_EQ(p.messageBoxes.size(), 1u);
        EXPECT_NE(w.page, WizardPage::Ready);
    });
}

TEST_F(Wizard, ReadyHandsOverToTheInstallation) {
    Run(std::string(kAllTypes) + "Opt6_name=Six\nOpt6_custom=1\nOpt6_space=7\n"
                                 "Opt7_name=Seven\nOpt7_custom=1\nOpt7_space=8\n"
                                 "[main]\ntext=Installing\n",
        [&](Tleader& w) {
            Next(w, 2);
            w["cf_custom"].UserClick();
            w["Edt_verz"].UserSetText("C:\\New Tools");
            w.Btn_backClick();
            Next(w);
            Next(w, 3);
            ASSERT_EQ(w.page, WizardPage::Ready);
            ctx.installPending = false; // the hand-over only: showing the window runs no setup
            bool lookWhileModal = false;
            p.modalHandler = [&](Form& f) {
                lookWhileModal = !w.visible && (*program.main)["Lbl_4"].visible &&
                                 !(*program.main)["Lbl_1"].visible;
                EXPECT_EQ(f.name, "Tcopying");
                return 1;
            };
            Next(w);
            EXPECT_EQ(p.modalForms, std::vector<std::string>{"Tcopying"});
            EXPECT_TRUE(lookWhileModal);
            EXPECT_FALSE(w.visible);
            EXPECT_EQ(ctx.choices.targetDirectory, "C:\\New_Tools");
            EXPECT_EQ(ctx.choices.programGroup, "Tools");
            EXPECT_EQ(ctx.choices.progressTotal, 1 + 1024 + 4096 + 7 + 8);
        });
}

TEST_F(Wizard, CompressedModeCountsTheCompressedSizesOfAllSevenComponents) {
    Run(std::string(kAllTypes) + "Opt1_cs=100\nOpt3_cs=300\nOpt7_name=Seven\nOpt7_custom=1\n"
                                 "Opt7_cs=700\nOpt2_cs=200\n[compression]\nmode=1\n",
        [&](Tleader& w) {
            p.modalHandler = [](Form&) { return 1; };
            ctx.installPending = false; // the hand-over only: showing the window runs no setup
            Next(w, 2);
            w["cf_custom"].UserClick();
            Next(w, 4);
            EXPECT_EQ(ctx.choices.progressTotal, 1 + 100 + 300 + 700);
        });
}

TEST_F(Wizard, StepsThatOnlyStayPut) {
    Run(kAllTypes, [&](Tleader& w) {
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::Welcome);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_welcome"});
        Next(w);
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::Folder);
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_folder"});
    });
}

TEST_F(Wizard, FolderDialogBrowsesDirectoriesAndDrivesAndHandsOverTheFullPath) {
    p.WriteFile("C:\\Program Files\\Deep Folder Name\\Sub\\f.txt", "");
    p.WriteFile("C:\\apps\\f.txt", "");
    p.WriteFile("C:\\zeta.txt", "");
    p.WriteFile("D:\\Data\\f.txt", "");
    p.driveDirectory['D'] = "D:\\Data";
    std::filesystem::create_directories(p.root + "/E");
    p.driveDirectory['E'] = "E:\\gone"; // cannot be read, nor can its root once removed
    Run("o_standard=1\n", [&](Tleader& w) {
        auto& f = static_cast<Tdlg_folder&>(*program.dlgFolder);
        Control& list = f["DirectoryListBox1"];
        Control& drives = f["DriveComboBox1"];
        EXPECT_EQ(f.caption, "Folder");
        EXPECT_EQ(f["Btn_abbr"].text, "Exit");
        EXPECT_EQ(f["Btn_ok"].text, "&Ok");
        EXPECT_EQ(f.clientWidth, 320);
        EXPECT_EQ(list.itemHeight, 16);
        EXPECT_EQ(drives.items, (std::vector<std::string>{"c:", "d:", "e:"}));
        EXPECT_EQ(drives.itemIndex, 0);
        EXPECT_EQ(f.directory, "C:\\");
        EXPECT_EQ(f["Label1"].text, "C:\\");
        // The fake's C: also holds the program's own folders (temp): look at ours only.
        EXPECT_EQ(list.items.front(), "C:\\");
        EXPECT_EQ(list.itemIndex, 0);
        auto at = [&](const std::string& item) {
            for (size_t i = 0; i < list.items.size(); ++i)
                if (list.items[i] == item) return static_cast<int>(i);
            return -1;
        };
        ASSERT_GE(at("  apps"), 0);
        EXPECT_LT(at("  apps"), at("  Program Files")); // sorted without regard to case

        // Opening by double-click, then by Enter.
        list.UserSelect(at("  Program Files"));
        list.UserDblClick();
        EXPECT_EQ(f.directory, "C:\\Program Files");
        EXPECT_EQ(list.items,
                  (std::vector<std::string>{"C:\\", "  Program Files", "    Deep Folder Name"}));
        EXPECT_EQ(list.itemIndex, 1);
        list.UserSelect(2);
        int key = vk::Return;
        list.onKeyDown(key);
        EXPECT_EQ(key, 0);
        EXPECT_EQ(f.directory, "C:\\Program Files\\Deep Folder Name");
        list.UserSelect(3);
        list.UserDblClick();
        EXPECT_EQ(f["Label1"].text, "C:\\Program Files\\Deep Folder Name\\Sub");
        EXPECT_TRUE(f["Label1"].pathEllipsis); // shortened on the screen only

        // Another drive shows its current directory; coming back shows where the list was.
        drives.UserSelect(1);
        EXPECT_EQ(f.directory, "D:\\Data");
        EXPECT_EQ(list.items, (std::vector<std::string>{"D:\\", "  Data"}));
        std::filesystem::remove_all(p.root + "/E");
        drives.UserSelect(2);
        EXPECT_EQ(f.directory, "D:\\Data");
        EXPECT_EQ(drives.itemIndex, 1);
        drives.UserSelect(0);
        EXPECT_EQ(f.directory, "C:\\Program Files\\Deep Folder Name\\Sub");
        list.UserSelect(1);
        list.UserDblClick(); // up to an ancestor
        EXPECT_EQ(f.directory, "C:\\Program Files");

        // OK hands over the whole directory; a second opening shows the same place.
        p.modalHandler = [&](Form& form) {
            EXPECT_EQ(&form, &f);
            EXPECT_EQ(f.directory, "C:\\Program Files");
            f["Btn_ok"].UserClick();
            return f.modalResult;
        };
        Next(w);
        w["Edt_verz"].UserSetText("X:\\elsewhere");
        w["Btn_folder"].UserClick();
        EXPECT_EQ(w["Edt_verz"].text, "C:\\Program Files");
        EXPECT_EQ(f.modalResult, 1);
        p.modalHandler = [&](Form&) {
            f["Btn_abbr"].UserClick();
            return f.modalResult;
        };
        w["Edt_verz"].UserSetText("C:\\typed");
        w["Btn_folder"].UserClick();
        EXPECT_EQ(w["Edt_verz"].text, "C:\\typed");
        EXPECT_EQ(f.modalResult, 2);
        EXPECT_EQ(p.modalForms, (std::vector<std::string>{"Tdlg_folder", "Tdlg_folder"}));
        // The folder check then normalises what the dialog put there.
        w["Edt_verz"].SetText("C:\\Program Files");
        Next(w);
        EXPECT_EQ(w["Edt_verz"].text, "C:\\Program_Files");
    });
}

TEST(FolderDialogRules, NormalDirectory) {
    EXPECT_EQ(NormalDirectory("c:"), "C:\\");
    EXPECT_EQ(NormalDirectory("C:\\"), "C:\\");
    EXPECT_EQ(NormalDirectory("c:\\Tools\\\\"), "C:\\Tools");
}

TEST_F(Wizard, BackFromReadyToTheTypesDisablesBackWhenCdIsOfferedAlone) {
    // Not reachable by walking (the cd type always needs the group page); the table row holds
    // all the same.
    Run("o_cd=1\n", [&](Tleader& w) {
        Next(w, 3);
        ASSERT_EQ(w.page, WizardPage::Ready);
        ctx.choices.typeCd = false;
        w.Btn_backClick();
        EXPECT_EQ(w.page, WizardPage::SetupType);
        EXPECT_EQ(w.caption, "Setup type");
        EXPECT_EQ(VisiblePages(w), Pages{"Ebn_configuration"});
        EXPECT_FALSE(w["Btn_back"].enabled);
    });
}
