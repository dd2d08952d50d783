#include "install/abort_dialog.h"

#include <algorithm>
#include <cctype>

#include "forms/picture.h"
#include "state/run_state.h"

namespace corvid {

Tabbruch::Tabbruch(Context& ctx) : Form("Tabbruch"), ctx_(ctx) {
    caption = "Corvid";
    border = BorderStyle::Dialog;
    position_centered = true;
    clientWidth = 287;
    clientHeight = 83;

    Control& image = Add("Image1", ControlKind::Picture, 11, 10, 34, 34);
    image.picture = BuiltinIconPicture(BuiltinIcon::Question);
    Add("Lbl_15", ControlKind::Label, 53, 10, 226, 35).wordWrap = true;
    Control& terminate = Add("Btn_terminate", ControlKind::Button, 55, 50, 75, 25);
    terminate.isDefault = true;
    terminate.tabOrder = 1;
    Control& cancel = Add("Btn_cancel", ControlKind::Button, 133, 50, 75, 25);
    cancel.tabOrder = 0;
    initialFocus = "Btn_terminate";

    terminate.onClick = [this] { Btn_terminateClick(); };
    cancel.onClick = [this] { Btn_cancelClick(); };
    terminate.onKeyDown = [this](int& key) { Btn_terminateKeyDown(key); };
    cancel.onKeyDown = [this](int& key) { Btn_terminateKeyDown(key); };
}

void Tabbruch::FormCreate() {
    ctx_.abortRequested = false;
    const std::string& l15 = ctx_.language[15];
    std::string upper = l15;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    (*this)["Btn_terminate"].SetText(l15);
    (*this)["Btn_cancel"].SetText(upper.find('J') != std::string::npos ? "&nein" : "&no");
    (*this)["Lbl_15"].SetText(ctx_.language[27]);
}

void Tabbruch::Execute() {
    if (ctx_.run) ctx_.run->log.TryFlush(); // a refused write is reported by the run itself
    ctx_.platform.ShowModal(*this);
}

void Tabbruch::Btn_terminateClick() {
    Platform& p = ctx_.platform;
    p.DeleteFile(kTempPicture);
    if (ctx_.installStarted) {
        ctx_.abortRequested = true;
        (*this)["Lbl_15"].SetText(ctx_.language[10]);
        const std::string setup = ctx_.choices.targetDirectory + "\\setup\\";
        p.DeleteFile(setup + "setup.tmp");
        p.DeleteFile(setup + "compress.tmp");
        p.DeleteFile(kTempPicture);
        if (!ctx_.readmeCopyPath.empty()) p.DeleteFile(ctx_.readmeCopyPath);
        p.ProcessMessages();
    }
    p.Terminate();
    CloseModal(1);
}

void Tabbruch::Btn_cancelClick() {
    CloseModal(2);
}

void Tabbruch::Btn_terminateKeyDown(int& key) {
    if (key == vk::Escape) {
        key = 0;
        Btn_cancelClick();
    } else if (key == vk::F4) {
        key = 0;
        Btn_terminateClick();
    }
}

} // namespace corvid
