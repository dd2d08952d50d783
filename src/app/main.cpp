#include "app/main.h"

#include "forms/picture.h"
#include "setupinf/schema.h"
#include "setupinf/values.h"
#include "uninstall_log/registration.h"

namespace corvid {

namespace {

Font TitleFont(int height, uint32_t color) {
    Font f;
    f.name = "Times New Roman";
    f.height = -height;
    f.bold = true;
    f.color = color;
    return f;
}

Control& AddLabel(Form& form, const char* name, int x, int y, int w, int h, const Font& font) {
    Control& c = form.Add(name, ControlKind::Label, x, y, w, h);
    c.transparent = true;
    c.font = font;
    return c;
}

} // namespace

std::string DestinationFromUninstallCommand(const std::string& command) {
    size_t blank = command.find(' ');
    std::string rest = blank == std::string::npos ? command : command.substr(blank + 1);
    const size_t tail = uninstall_log::LogPathTail().size();
    return rest.size() <= tail ? std::string() : rest.substr(0, rest.size() - tail);
}

Tmain::Tmain(Context& ctx) : Form("Tmain"), ctx_(ctx) {
    caption = "SETUP-Assistent";
    border = BorderStyle::Single;
    systemMenu = false;
    color = colors::Navy;
    showIcon = true;
    clientWidth = 641;
    clientHeight = 433;

    Control& i1 = Add("i1", ControlKind::Picture, 0, 0, clientWidth, clientHeight);
    i1.alignClient = true;
    i1.pictureMode = PictureMode::Stretch;
    i1.visible = false;
    i1.picture = GradientPicture();
    Control& i2 = Add("i2", ControlKind::Picture, -1, 0, 791, 157);
    i2.pictureMode = PictureMode::Center;
    i2.visible = false;
    Control& i4 = Add("i4", ControlKind::Picture, 13, 9, 265, 246);
    i4.pictureMode = PictureMode::Stretch;
    i4.visible = false;
    Add("i3", ControlKind::Picture, 10, 9, 116, 98).pictureMode = PictureMode::Stretch;

    Font info;
    info.name = "Arial";
    info.height = -21;
    info.bold = true;
    info.color = colors::Silver;
    Control& lbl4 = AddLabel(*this, "Lbl_4", 283, 9, 324, 247, info);
    lbl4.wordWrap = true;
    lbl4.visible = false;
    AddLabel(*this, "Lbl1_shadow", 138, 12, 630, 45, TitleFont(35, colors::Black));
    AddLabel(*this, "Lbl_1", 134, 8, 630, 44, TitleFont(35, colors::Black));
    AddLabel(*this, "Lbl2_shadow", 138, 50, 638, 31, TitleFont(21, colors::Black));
    AddLabel(*this, "Lbl3_shadow", 138, 77, 637, 29, TitleFont(21, colors::Black));
    AddLabel(*this, "Lbl_2", 135, 47, 636, 32, TitleFont(21, colors::Black));
    AddLabel(*this, "Lbl_3", 135, 74, 636, 35, TitleFont(21, colors::Black));

    onActivate = [this] { FormActivate(); };
    onPaint = [this](Canvas& c) { FormPaint(c); };
    onDestroy = [this] { FormDestroy(); };
}

void Tmain::FormCreate() {
    Platform& p = ctx_.platform;
    StartupSettings& s = ctx_.startup;

    ctx_.groupItemsAdded = false;
    ctx_.sourceFolder = SourceFolderOf(p.ModulePath());
    const std::string infPath = ctx_.sourceFolder + "setup.inf";
    if (!p.FileExists(infPath)) {
        p.MessageBox("File setup.inf not found.\rAsk your software-distributor for help.", "Error",
                     mb::Ok | mb::IconStop);
        ctx_.stop = true;
        return;
    }
    ctx_.description = std::make_unique<SetupDescription>(p, infPath);
    const SetupDescription& d = *ctx_.description;

    if (schema::Read(d, schema::kFormatVersion) != schema::kSupportedFormat)
        p.MessageBox("There is a conflict with setup.inf.\rOperation may fail.", "corvid", mb::Ok);

    ctx_.language.Load(d);
    s.wizardHeading = d.ReadString("leader", "Lbl_2", "");

    s.backPicture = ctx_.sourceFolder + schema::Read(d, schema::kBackPicture);
    s.infoPicture = ctx_.sourceFolder + schema::Read(d, schema::kInfoPicture);
    s.infoText = d.ReadString("main", "text", "_");
    s.logoPicture = ctx_.sourceFolder + schema::Read(d, schema::kLogoPicture);
    for (int n = 1; n <= 3; ++n) s.titleLine[n] = d.ReadString("main", "l" + std::to_string(n), "");
    (*this)["Lbl_1"].SetFontColor(static_cast<uint32_t>(d.ReadInteger("main", "l1_color", 0)));
    (*this)["Lbl_2"].SetFontColor(static_cast<uint32_t>(d.ReadInteger("main", "l2_color", 0)));
    (*this)["Lbl_3"].SetFontColor(static_cast<uint32_t>(d.ReadInteger("main", "l3_color", 0)));
    s.wizardPicture = ctx_.sourceFolder + schema::Read(d, schema::kWizardPicture);
    s.wizardHeadingColor = static_cast<uint32_t>(d.ReadInteger("leader", "Lbl2_color", 0));

    // An earlier installation of the same product, as its uninstall registration tells.
    PreviousInstallation& prev = ctx_.previous;
    const std::string key =
        uninstall_log::RegistrationKey(d.ReadString("software", "name", "noname"));
    std::string value;
    prev.uninstallCommand.clear();
    if (p.RegReadString(RegRoot::LocalMachine, key, "UninstallString", value))
        prev.uninstallCommand = value;
    prev.version = -1;
    if (p.RegReadString(RegRoot::LocalMachine, key, "version", value))
        prev.version = ParseInteger(value, -1);

    s.setupVersion = d.ReadInteger("vercheck", "version", 0);
    if (s.setupVersion < prev.version)
        p.MessageBox(d.ReadString("language", "l63", ""), "corvid", mb::Ok);
    else if (s.setupVersion == prev.version)
        p.MessageBox(d.ReadString("language", "l64", ""), "corvid", mb::Ok);

    const bool take = d.ReadBool("vercheck", "take", true);
    if (take && !prev.uninstallCommand.empty())
        ctx_.choices.targetDirectory = DestinationFromUninstallCommand(prev.uninstallCommand);
    else
        ctx_.choices.targetDirectory = d.ReadString("directories", "d0", take ? "" : "_");

    if (!prev.uninstallCommand.empty() && s.setupVersion > prev.version) {
        switch (d.ReadInteger("vercheck", "old", 0)) {
        case 1:
            if (p.MessageBox(d.ReadString("language", "l65", ""), "corvid", mb::YesNo) == mb::IdYes)
                RemoveEarlierInstallation();
            break;
        case 2:
            if (p.MessageBox(d.ReadString("language", "l66", ""), "corvid", mb::OkCancel) ==
                mb::IdOk)
                p.WinExec(prev.uninstallCommand, SW_SHOWNORMAL_);
            ctx_.stop = true;
            return;
        default:
            break;
        }
    }

    ReadStartupRecords();

    stretch_ = d.ReadBool("main", "stretch", false);
    const bool backExists = p.FileExists(s.backPicture);
    if (stretch_ ? backExists : !backExists) (*this)["i1"].SetVisible(true);

    SetCaption(d.ReadString("language", "l29", ""));

    if (!p.FileExists(s.logoPicture)) {
        (*this)["Lbl_1"].SetLeft(13);
        (*this)["Lbl_2"].SetLeft(14);
        (*this)["Lbl_3"].SetLeft(14);
        (*this)["Lbl1_shadow"].SetLeft(17);
        (*this)["Lbl2_shadow"].SetLeft(16);
        (*this)["Lbl3_shadow"].SetLeft(16);
    }
    for (int n = 1; n <= 3; ++n) {
        const std::string k = std::to_string(n);
        (*this)["Lbl_" + k].SetText(s.titleLine[n]);
        (*this)["Lbl" + k + "_shadow"].SetText(s.titleLine[n]);
    }
    if (!d.ReadBool("main", "shadow", true))
        for (const char* n : {"Lbl1_shadow", "Lbl2_shadow", "Lbl3_shadow"})
            (*this)[n].SetVisible(false);
    (*this)["Lbl_4"].SetText(s.infoText);

    SetBounds(left, top, p.ScreenWidth(), p.ScreenHeight());
    SetState(WindowState::Maximized);

    ctx_.installPending = true;
    activated_ = false;
}

void Tmain::RemoveEarlierInstallation() {
    Platform& p = ctx_.platform;
    const std::string& command = ctx_.previous.uninstallCommand;
    if (!ctx_.options.Quiet()) {
        p.WinExec(command, SW_SHOWNORMAL_);
        return;
    }
    // Unattended, the old version goes first, without a window, and the installation waits
    // for it instead of running beside it.
    uint32_t exitCode = 0;
    if (!p.RunAndWait(command + " " + uninstall_log::kSilentOption, 0, exitCode))
        ctx_.Note("the earlier installation's uninstaller could not be started");
    else if (exitCode != 0)
        ctx_.Note("the earlier installation was not removed completely (exit code " +
                  std::to_string(exitCode) + "); the installation goes on over it");
}

void Tmain::ReadStartupRecords() {
    const SetupDescription& d = *ctx_.description;
    StartupSettings& s = ctx_.startup;
    SetupTypes& t = ctx_.types;

    ctx_.choices.programGroup = d.ReadString("software", "prggrp", "");
    using schema::ComponentKey;
    for (int n = 1; n <= 7; ++n) ctx_.components[n].name = schema::ReadComponentName(d, n);

    const schema::TypeOffers offers = schema::ReadTypeOffers(d);
    t.offerMinimal = offers.minimal;
    t.offerCd = offers.cd;
    t.offerCustom = offers.custom;
    t.offerStandard = offers.standard;

    if (t.offerCustom) {
        t.firstComponentLocked =
            d.ReadBool(schema::kComponentSection, ComponentKey(1, "locked"), true);
        for (int n = 1; n <= 7; ++n)
            ctx_.components[n].inCustom =
                d.ReadBool(schema::kComponentSection, ComponentKey(n, "custom"), false);
    }
    if (t.offerMinimal)
        for (int n = 1; n <= 7; ++n)
            ctx_.components[n].inMinimal =
                d.ReadBool(schema::kComponentSection, ComponentKey(n, "min"), false);
    if (t.offerStandard)
        for (int n = 1; n <= 7; ++n)
            ctx_.components[n].inStandard =
                d.ReadBool(schema::kComponentSection, ComponentKey(n, "standard"), false);

    for (int n = 1; n <= 7; ++n) {
        ctx_.components[n].programItem = schema::ReadComponentHasItems(d, n);
        ctx_.components[n].space = schema::ReadComponentSpace(d, n);
    }

    t.minimalSpace = t.standardSpace = t.customSpace = 0;
    for (int n = 1; n <= 7; ++n) {
        const SetupComponent& c = ctx_.components[n];
        if (t.offerMinimal && c.inMinimal) t.minimalSpace += c.space;
        if (t.offerCustom && c.inCustom) t.customSpace += c.space;
        if (t.offerStandard && c.inStandard) t.standardSpace += c.space;
    }

    s.compressionMode = schema::Read(d, schema::kCompressionMode);
    s.compressionSize = schema::Read(d, schema::kCompressionSize);
    if (s.compressionMode != 0) {
        t.minimalSpace += s.compressionSize;
        t.standardSpace += s.compressionSize;
        t.customSpace += s.compressionSize;
    }
}

void Tmain::FormActivate() {
    Platform& p = ctx_.platform;
    if (!activated_) {
        activated_ = true;
        SetBounds(0, 0, p.ScreenWidth(), p.ScreenHeight());
        const bool show = ctx_.description && ctx_.description->ReadBool("main", "show", true);
        SetState(show ? WindowState::Maximized : WindowState::Minimized);
        (*this)["i2"].SetBounds((*this)["i2"].x, (*this)["i2"].y, p.ScreenWidth() - 2,
                                RoundHalfEven(2 * static_cast<int64_t>(p.ScreenHeight()), 3));
        if (stretch_) (*this)["i1"].SetVisible(true);
    }
    if (ctx_.leader && ctx_.leader->visible) ctx_.leader->Focus();
}

void Tmain::FormPaint(Canvas& canvas) {
    Platform& p = ctx_.platform;
    if (stretch_ || !p.FileExists(ctx_.startup.backPicture)) return;
    auto picture = Picture::Load(p, ctx_.startup.backPicture);
    if (!picture || picture->width < 2 || picture->height < 2) return;
    const int w = picture->width, h = picture->height;
    const int sw = p.ScreenWidth(), sh = p.ScreenHeight();
    for (int y = 0; y < sh; y += h)
        for (int x = 0; x < sw; x += w) canvas.DrawPicture(*picture, x, y);
}

void Tmain::FormDestroy() {
    ctx_.description.reset();
}

void Tmain::ShowInstallationLook() {
    const bool noText = (*this)["Lbl_4"].text == "_";
    auto hideTitles = [this] {
        for (const char* n :
             {"i3", "Lbl_1", "Lbl_2", "Lbl_3", "Lbl1_shadow", "Lbl2_shadow", "Lbl3_shadow"})
            (*this)[n].SetVisible(false);
    };
    if (ctx_.infoPictureLoaded) {
        (*this)[noText ? "i2" : "i4"].SetVisible(true);
        hideTitles();
        (*this)["Lbl_4"].SetVisible(!noText);
    } else if (!noText) {
        hideTitles();
        (*this)["Lbl_4"].SetVisible(true);
    }
}

} // namespace corvid
