#include "app/trailer.h"

#include "archive/compress.h"
#include "forms/picture.h"
#include "platform/paths.h"
#include "setupinf/schema.h"
#include "setupinf/values.h"

namespace corvid {

Ttrailer::Ttrailer(Context& ctx, Form& backdrop)
    : Form("Ttrailer"), ctx_(ctx), backdrop_(backdrop) {
    caption = "Setup";
    border = BorderStyle::Single;
    systemMenu = false;
    position_centered = true;
    clientWidth = 243;
    clientHeight = 67;

    Add("Lbl", ControlKind::Label, 52, 8, 132, 13).text = "corvid loading data.";
    Control& icon = Add("img_sp", ControlKind::Picture, 9, 7, 32, 32);
    icon.pictureMode = PictureMode::AutoSize;
    icon.picture = BuiltinIconPicture(BuiltinIcon::Disk);
    Add("Lbl_wait", ControlKind::Label, 52, 22, 67, 13).text = "Please wait...";
    Add("pr_load", ControlKind::ProgressBar, 52, 38, 174, 16);

    onActivate = [this] { FormActivate(); };
}

void Ttrailer::FormCreate() {
    (*this)["Lbl_wait"].SetText(ctx_.language[10]);
    (*this)["Lbl"].SetText("corvid " + ctx_.language[1]);
}

void Ttrailer::FormActivate() {
    ctx_.platform.ProcessMessages();
}

void Ttrailer::SetBar(int position, bool letMessagesRun) {
    (*this)["pr_load"].SetPosition(position);
    if (letMessagesRun) ctx_.platform.ProcessMessages();
}

void Ttrailer::ShowProgress(int32_t p) {
    switch (pictureStep) {
    case 4:
        SetBar(RoundHalfEven(int64_t{p} * 15, 100), false);
        break;
    case 2:
        SetBar(15 + RoundHalfEven(int64_t{p} * 20, 100), false);
        break;
    case 3:
        SetBar(35 + RoundHalfEven(int64_t{p} * 30, 100), false);
        break;
    case 1:
        SetBar(65 + RoundHalfEven(int64_t{p} * 25, 100), false);
        break;
    default:
        break;
    }
    ctx_.platform.ProcessMessages();
}

void Ttrailer::LoadingStart() {
    ctx_.platform.SetHourglass(true);
    if (ctx_.startup.compressionMode != 1) SetBar(7, false);
}

bool Ttrailer::LoadOne(TCompress& cbmp, std::string& path, int step, Control& target,
                       bool keepCopy) {
    Platform& p = ctx_.platform;
    const bool compressed = ctx_.startup.compressionMode == 1;
    if (compressed && p.FileExists(path)) {
        pictureStep = step;
        std::string member = schema::PictureMemberName(path);
        const std::string archive = path;
        path = kTempPicture;
        if (!ClearWorkFilePlace(p, kTempPicture)) {
            ctx_.ShowError(FileCreateErrorText(kTempPicture)); // a link stands there
            return false;
        }
        try {
            cbmp.ExpandFile(member, archive);
        } catch (const std::exception& e) {
            // A damaged archive: say so, and go on without this picture.
            ctx_.ShowError(e.what());
            p.DeleteFile(kTempPicture);
        }
    }
    bool loaded = false;
    if (p.FileExists(path)) {
        if (auto picture = Picture::Load(p, path)) {
            target.SetPicture(std::move(picture));
            loaded = true;
        }
    }
    // A copy that could not be shown is removed too, so no stale file is left behind.
    if (compressed && !keepCopy) p.DeleteFile(path);
    return loaded;
}

void Ttrailer::LoadPictures(TCompress& cbmp, Control& wizardImage,
                            const std::function<void(bool)>& afterWizardPicture) {
    Platform& p = ctx_.platform;
    StartupSettings& s = ctx_.startup;

    Control& i2 = backdrop_["i2"];
    i2.SetBounds(i2.x, i2.y, p.ScreenWidth(), 2 * p.ScreenHeight() / 3);

    // Failures only mean that no picture gets expanded.
    ForceDirectories(p, kTempPictureDir);

    bool wizardLoaded = LoadOne(cbmp, s.wizardPicture, 4, wizardImage, false);
    if (afterWizardPicture) afterWizardPicture(wizardLoaded);
    SetBar(15, true);

    Control& infoTarget = backdrop_[s.infoText != "_" ? "i4" : "i2"];
    ctx_.infoPictureLoaded = LoadOne(cbmp, s.infoPicture, 2, infoTarget, false);
    SetBar(35, true);

    LoadOne(cbmp, s.logoPicture, 3, backdrop_["i3"], false);
    SetBar(65, true);

    LoadOne(cbmp, s.backPicture, 1, backdrop_["i1"], true);
    SetBar(90, true);

    SetBar(100, false);
    Hide();
    p.SetHourglass(false);
}

} // namespace corvid
