// The whole setup on the fake platform, as a user goes through it: start-up, the wizard's pages
// by their buttons, the installation run that the progress window's activation starts, and the
// completion dialog.
#include <gtest/gtest.h>

#include "app/program.h"
#include "archive/compress.h"
#include "archive/encode.h"
#include "fake_platform.h"
#include "state/context.h"
#include "wizard/dialog.h"

using namespace corvid;

namespace {

struct ProductFile {
    const char* name;
    std::string data;
    int dirIndex;
    const char* target;
};

class WholeSetup : public ::testing::Test {
protected:
    FakePlatform p;
    Context ctx{p};
    Program program{ctx};
    std::vector<ProductFile> files = {
        {"tool.exe", std::string(5000, 't') + "end", 1, "C:\\Tools\\bin\\tool.exe"},
        {"notes.txt", "notes\r\n", 0, "C:\\Tools\\notes.txt"},
    };

    // A distribution on D: in compression mode 0 (plain data) or 1 (an archive per file), all
    // files in one volume.
    void Distribute(int mode) {
        std::string volume, option, packedSizes;
        int32_t packedTotal = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            const ProductFile& f = files[i];
            const std::string data =
                mode == 1 ? SingleMemberArchive(f.name, 0, 0x20, kLzh, f.data, true) : f.data;
            const std::string j = std::to_string(i + 1);
            option += "f" + j + "=" + f.name + "\nd" + j + "=" + std::to_string(f.dirIndex) +
                      "\ns" + j + "=01\np" + j + "=" + std::to_string(volume.size()) + "\nz" + j +
                      "=" + std::to_string(data.size()) + "\n";
            packedTotal += static_cast<int32_t>(data.size());
            volume += data;
        }
        p.CreateDir("C:\\WINDOWS");
        p.WriteFile("D:\\zdata_01.dsk", volume);
        p.WriteFile("D:\\uninst.ex_",
                    mode == 1 ? SingleMemberArchive("uninst32.ex_", 0, 0x20, kLzh, "uninst", true)
                              : "uninst");
        p.WriteFile("D:\\readme.txt", "read me");
        p.WriteFile("D:\\setup.inf",
                    "[corvid]\nversion=220\n"
                    "[language]\nl10=Wait\nl11=Exit\nl14=Copying\nl17=Next\nl21=Done.\n"
                    "l30=Welcome\nl31=Destination\nl34=Program group\nl35=Ready\n"
                    "[software]\nname=Tools\nprggrp=Tools\nmedium=1\nreadme=readme.txt\n"
                    "readmedir=\\doc\no_standard=1\nOpt1_name=Core\nOpt1_standard=1\n"
                    "Opt1_prgitem=1\nOpt1_space=6000\nOpt1_cs=" +
                        std::to_string(packedTotal) +
                        "\n"
                        "[directories]\nd0=C:\\Tools\ntotal=1\nd1_1=\\bin\\\n"
                        "[prggrp]\ntotal=1\no1=1\nf1=1\np1=Tool\n"
                        "[compression]\nmode=" +
                        std::to_string(mode) + "\nsize=0\n[Option_1]\n" + option);
    }

    // Goes through the wizard by its Next button and hands over at Ready; the completion
    // dialog's text as it was shown is kept, and its OK button pressed.
    std::string completion = "<not shown>";
    std::vector<std::string> pages;
    void Walk() {
        p.foregroundTitle = [] { return std::string("Tools"); }; // the group's window opens
        p.modalHandler = [&](Form& f) {
            if (f.name == "Tcomplete") {
                completion = f["Lbl_complete"].text;
                f["Btn_complete"].UserClick();
            }
            return f.modalResult;
        };
        p.messageLoop = [&] {
            Tleader& w = *program.leader;
            for (int press = 0; press < 4; ++press) {
                pages.push_back(w.caption);
                w["Btn_weiter"].UserClick();
            }
        };
        EXPECT_EQ(program.Run(), 0);
    }

    void ExpectInstalledAndCompleted() {
        EXPECT_EQ(pages,
                  (std::vector<std::string>{"Welcome", "Destination", "Program group", "Ready"}));
        EXPECT_EQ(p.modalForms, (std::vector<std::string>{"Tcopying", "Tcomplete"}));
        EXPECT_EQ(completion, "Done. ");
        for (const ProductFile& f : files) EXPECT_EQ(p.ReadFile(f.target), f.data) << f.target;
        EXPECT_EQ(p.ReadFile("C:\\Tools\\doc\\readme.txt"), "read me");
        EXPECT_EQ(p.ReadFile("C:\\WINDOWS\\uncorvid.exe"), "uninst");
        EXPECT_EQ(p.ProfileString("C:\\Tools\\setup\\uninst.log", "files", "total", ""), "2");
        EXPECT_EQ(p.ddeCommands, (std::vector<std::string>{
                                     "[CreateGroup(Tools)][AddItem(C:\\WINDOWS\\uncorvid.exe "
                                     "C:\\Tools\\setup\\uninst.log,Uninstall Tools)]\r\n",
                                     "[AddItem(C:\\Tools\\bin\\\\tool.exe,Tool)]\r\n"}));
        // The completion dialog ended the program and removed the work files; nobody started
        // the uninstaller.
        EXPECT_TRUE(p.terminated);
        EXPECT_FALSE(p.FileExists("C:\\Tools\\setup\\setup.tmp"));
        EXPECT_FALSE(ctx.abortRequested);
        EXPECT_TRUE(p.processStarts.empty());
        EXPECT_TRUE(p.messageBoxes.empty()) << p.messageBoxes[0].text;
    }
};

} // namespace

TEST_F(WholeSetup, PlainFilesFromStartUpToTheCompletionDialog) {
    Distribute(0);
    Walk();
    ExpectInstalledAndCompleted();
}

TEST_F(WholeSetup, PackedFilesFromStartUpToTheCompletionDialog) {
    Distribute(1);
    Walk();
    ExpectInstalledAndCompleted();
}
