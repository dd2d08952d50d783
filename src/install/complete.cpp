#include "install/complete.h"

#include "forms/picture.h"
#include "setupinf/schema.h"
#include "state/context.h"
#include "state/run_state.h"

namespace corvid {

Tcomplete::Tcomplete(Context& ctx) : Form("Tcomplete"), ctx_(ctx) {
    caption = "corvid";
    border = BorderStyle::Dialog;
    position_centered = true;
    clientWidth = 263;
    clientHeight = 85;

    Add("Image1", ControlKind::Picture, 5, 9, 32, 32).picture =
        BuiltinIconPicture(BuiltinIcon::Information);
    Add("Lbl_complete", ControlKind::Label, 48, 19, 206, 16).wordWrap = true;
    Control& ok = Add("Btn_complete", ControlKind::Button, 56, 54, 73, 25);
    ok.text = "&Ok";
    ok.tabOrder = 1;
    Control& readme = Add("Btn_readme", ControlKind::Button, 133, 54, 88, 25);
    readme.text = "Read&Me....";
    readme.tabOrder = 0;
    readme.visible = false;
    initialFocus = "Btn_complete";

    ok.onClick = [this] { Btn_completeClick(); };
    readme.onClick = [this] { Btn_readmeClick(); };
    ok.onKeyDown = [this](int& key) { Btn_completeKeyDown(key); };
}

void Tcomplete::FormCreate() {
    (*this)["Lbl_complete"].SetText(ctx_.language[21]);
}

std::string Tcomplete::ReadmePath() const {
    if (ctx_.run && !ctx_.run->readmeTarget.empty()) return ctx_.run->readmeTarget;
    return ctx_.readmeCopyPath;
}

void Tcomplete::WaitForGroupWindow() {
    Platform& p = ctx_.platform;
    // The group's window may open after the commands were sent; its title begins with the group
    // name. Titles are compared in their first 19 characters, so a longer name is found too.
    const std::string want = ctx_.choices.programGroup.substr(0, kTitleChars);
    const uint32_t start = p.TickCount();
    for (;;) {
        p.ProcessMessages();
        if (p.ForegroundWindowTitle(kTitleChars).compare(0, want.size(), want) == 0) break;
        if (p.TickCount() - start >= kGroupWaitMs) {
            ctx_.groupItemsAdded = false;
            break;
        }
        p.WaitForMessage(50);
    }
    if (ctx_.groupItemsAdded) p.BringToFront();
}

void Tcomplete::OpenReadme() {
    Platform& p = ctx_.platform;
    const std::string path = ReadmePath();
    if (p.WinExec("write " + path, SW_SHOWNORMAL_) <= 31)
        p.WinExec("notepad " + path, SW_SHOWNORMAL_);
}

void Tcomplete::FormShow() {
    Platform& p = ctx_.platform;
    const SetupDescription& w = *ctx_.run->workDescription;
    (*this)["Lbl_complete"].SetText(ctx_.language[21] + " ");
    if (ctx_.groupItemsAdded) WaitForGroupWindow();

    const std::string msg2 = w.ReadString("software", "msg2", "");
    if (!msg2.empty())
        p.MessageBox(msg2, w.ReadString("software", "msg2t", "corvid"), mb::Ok | mb::IconInfo);

    const std::string readme = ReadmePath();
    const bool readmeThere = !readme.empty() && p.FileExists(readme);
    const int32_t readmeStart = w.ReadInteger("software", "readmestart", 0);
    if (readmeThere && readmeStart == 2) {
        (*this)["Btn_readme"].SetVisible(true);
        initialFocus = "Btn_readme";
    } else {
        (*this)["Btn_complete"].SetLeft(87);
    }
    if (readmeThere && readmeStart == 1) OpenReadme();
}

void Tcomplete::Btn_readmeClick() {
    OpenReadme();
    (*this)["Btn_readme"].SetEnabled(false);
    Btn_completeClick();
}

void Tcomplete::Btn_completeClick() {
    Platform& p = ctx_.platform;
    const std::string destination = ctx_.choices.targetDirectory;
    int32_t reboot = 0;
    if (ctx_.run && ctx_.run->workDescription) {
        const SetupDescription& w = *ctx_.run->workDescription;
        const std::string run = w.ReadString("software", "run", "");
        // Nobody is there to use the product an unattended run would start.
        if (!run.empty() && !ctx_.options.Quiet())
            p.WinExec(destination + "\\" + run, SW_SHOWNORMAL_);
        reboot = schema::Read(w, schema::kReboot);
        ctx_.run->workDescription.reset();
    }
    p.DeleteFile(destination + "\\setup\\setup.tmp");
    p.DeleteFile(destination + "\\setup\\compress.tmp");
    p.DeleteFile(kTempPicture);

    if (reboot != 0) Restart(reboot);
    ctx_.installCompleted = true;
    p.Terminate();
    CloseModal(1);
}

void Tcomplete::Restart(int32_t reboot) {
    Platform& p = ctx_.platform;
    // The machine is never restarted without asking: unasked, the need goes to the exit code.
    if (ctx_.options.noRestart || ctx_.options.quiet == Quietness::VerySilent) {
        ctx_.restartPending = true;
        ctx_.Note("a restart is needed; it was not made");
        return;
    }
    const int answer = p.MessageBox(ctx_.language[7], "corvid", mb::OkCancel);
    if (answer == mb::IdOk) {
        if (reboot == 1) {
            if (!p.ExitWindows(EWX_REBOOT_)) {
                ctx_.restartPending = true;
                p.MessageBox(ctx_.language[8], "Setup", mb::Ok);
            }
        } else if (reboot == 2) {
            if (!p.ExitWindows(EWX_LOGOFF_)) ctx_.restartPending = true;
        } else {
            ctx_.restartPending = true; // asked for, but no way of making it is known
        }
    } else {
        ctx_.restartPending = true;
        p.MessageBox(ctx_.language[8], "Setup", mb::Ok);
    }
}

void Tcomplete::Btn_completeKeyDown(int& key) {
    if (key == vk::Escape || key == vk::F4) {
        key = 0;
        Btn_completeClick();
    }
}

void Tcomplete::Open() {
    if (ctx_.options.Quiet()) {
        // No dialog, no read-me and no waiting for the group's window; the distributor's
        // closing message is answered like every other.
        const SetupDescription& w = *ctx_.run->workDescription;
        const std::string msg2 = w.ReadString("software", "msg2", "");
        if (!msg2.empty())
            ctx_.platform.MessageBox(msg2, w.ReadString("software", "msg2t", "corvid"),
                                     mb::Ok | mb::IconInfo);
        Btn_completeClick();
        return;
    }
    FormShow();
    ctx_.platform.ShowModal(*this);
}

void OpenCompletionDialog(Context& ctx) {
    if (!ctx.complete || !ctx.run || !ctx.run->workDescription) {
        ctx.platform.Terminate();
        return;
    }
    ctx.complete->Open();
}

} // namespace corvid
