#include "wizard/dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "archive/compress.h"
#include "platform/paths.h"
#include "setupinf/schema.h"

namespace corvid {

namespace {

const char* const kPages[] = {"Ebn_welcome",    "Ebn_folder",   "Ebn_configuration",
                              "Ebn_components", "Ebn_prggroup", "Ebn_start"};

Control& Label(Form& f, Control& page, const char* name, int x, int y, int w, int h,
               bool wrap = true) {
    Control& c = f.Add(name, ControlKind::Label, x, y, w, h, &page);
    c.wordWrap = wrap;
    c.transparent = true;
    return c;
}

} // namespace

Tleader::Tleader(Context& ctx) : Form("Tleader"), ctx_(ctx) {
    caption = "SETUP-Assistent";
    border = BorderStyle::Dialog;
    systemMenu = false;
    stayOnTop = true;
    position_centered = true;
    clientWidth = 461;
    clientHeight = 310;

    Control& img = Add("Img_Setup", ControlKind::Picture, 8, 4, 120, 259);
    img.pictureMode = PictureMode::Stretch;
    Add("strich", ControlKind::Bevel, 137, 257, 316, 9).bevelShape = 1;
    Control& back = Add("Btn_back", ControlKind::Button, 170, 278, 75, 25);
    back.enabled = false;
    back.tabOrder = 1;
    Control& next = Add("Btn_weiter", ControlKind::Button, 246, 278, 75, 25);
    next.isDefault = true;
    next.tabOrder = 0;
    Control& exit = Add("Btn_exit", ControlKind::Button, 370, 278, 85, 25);
    exit.tabOrder = 2;
    initialFocus = "Btn_weiter";
    BuildPages();

    next.onClick = [this] { Btn_weiterClick(); };
    back.onClick = [this] { Btn_backClick(); };
    exit.onClick = [this] { Btn_exitClick(); };
    (*this)["Btn_folder"].onClick = [this] { Btn_folderClick(); };
    for (const char* n : {"cf_standard", "cf_min", "cf_custom"})
        (*this)[n].onClick = [this] { cf_standardClick(); };
    for (int n = 1; n <= 7; ++n)
        (*this)["Opt_" + std::to_string(n)].onClick = [this] { Opt_1Click(); };
    onKeyDown = [this](int& key) { Btn_weiterKeyDown(key); };
    for (const char* n : {"Edt_verz", "Edt_prggroup", "Btn_back", "Btn_weiter", "Btn_exit", "Opt_1",
                          "Opt_2", "Opt_3", "Opt_4", "Opt_5", "Opt_6", "Opt_7"})
        (*this)[n].onKeyDown = [this](int& key) { Btn_weiterKeyDown(key); };

    Cbmp = std::make_unique<TCompress>(ctx.platform);
    Cbmp->OnCheckFile = [this](std::string& filepath, TCProcessMode) { CbmpCheckFile(filepath); };
    Cbmp->OnShowProgress = [this](int32_t& percentage) { CbmpShowProgress(percentage); };
}

Tleader::~Tleader() = default;

void Tleader::BuildPages() {
    for (const char* name : kPages) {
        Control& panel = Add(name, ControlKind::Panel, 154, 8, 297, 241);
        panel.visible = name == kPages[0];
    }
    (*this)["Ebn_configuration"].width = 300;

    Control& welcome = (*this)["Ebn_welcome"];
    Control& heading = Label(*this, welcome, "Lbl_2", 4, 4, 289, 40);
    heading.font.name = "Arial";
    heading.font.height = -19;
    heading.font.bold = true;
    Label(*this, welcome, "Lbl_1", 4, 52, 289, 110);
    Label(*this, welcome, "Lbl_3", 4, 170, 289, 66);

    Control& folder = (*this)["Ebn_folder"];
    Label(*this, folder, "Lbl_6", 8, 4, 278, 90);
    Add("Edt_verz", ControlKind::Edit, 8, 100, 278, 19, &folder).color = colors::White;
    Add("Btn_folder", ControlKind::Button, 202, 120, 84, 23, &folder);
    Label(*this, folder, "Lbl_7", 8, 150, 278, 86);

    Control& config = (*this)["Ebn_configuration"];
    Label(*this, config, "Lbl_4", 4, 4, 287, 20);
    Add("Bevel2", ControlKind::Bevel, 2, 31, 291, 166, &config);
    Add("cf_standard", ControlKind::RadioButton, 4, 34, 88, 17, &config);
    Label(*this, config, "cfl_standard", 94, 33, 195, 43);
    Add("cf_min", ControlKind::RadioButton, 4, 78, 89, 17, &config);
    Label(*this, config, "cfl_min", 94, 79, 195, 46);
    Add("cf_custom", ControlKind::RadioButton, 3, 125, 143, 17, &config);
    Label(*this, config, "cfl_custom", 94, 143, 195, 49);
    Label(*this, config, "Lbl_need2", 8, 202, 124, 13, false);
    Label(*this, config, "Lbl_need2z", 137, 202, 52, 13, false).text = "---";
    (*this)["Lbl_need2z"].alignRight = true;
    Label(*this, config, "Lbl_kb2a", 191, 202, 20, 13, false).text = "kB";
    Label(*this, config, "Lbl_free2", 8, 217, 124, 13, false);
    Label(*this, config, "Lbl_free2z", 137, 217, 52, 13, false).text = "---";
    (*this)["Lbl_free2z"].alignRight = true;
    Label(*this, config, "Lbl_kb2b", 191, 217, 20, 13, false).text = "kB";

    Control& comps = (*this)["Ebn_components"];
    Label(*this, comps, "Lbl_8", 7, 5, 279, 41);
    Control& group = Add("Group", ControlKind::Panel, 9, 48, 274, 133, &comps);
    group.color = colors::White;
    group.bevelOuter = 2;
    group.bevelInner = 1;
    for (int n = 1; n <= 7; ++n)
        Add("Opt_" + std::to_string(n), ControlKind::CheckBox, 6, 3 + 18 * (n - 1), 262, 17, &group)
            .color = colors::White;
    Label(*this, comps, "Lbl_need", 9, 185, 156, 13, false);
    Label(*this, comps, "Lbl_needz", 172, 185, 52, 13, false).text = "---";
    (*this)["Lbl_needz"].alignRight = true;
    Label(*this, comps, "Lbl_kba", 226, 185, 20, 13, false).text = "kB";
    Label(*this, comps, "Lbl_free", 9, 200, 156, 13, false);
    Label(*this, comps, "Lbl_freez", 172, 200, 52, 13, false).text = "---";
    (*this)["Lbl_freez"].alignRight = true;
    Label(*this, comps, "Lbl_kbb", 226, 200, 20, 13, false).text = "kB";
    Label(*this, comps, "Lbl_9", 6, 220, 277, 12, false);

    Control& group2 = (*this)["Ebn_prggroup"];
    Label(*this, group2, "Lbl_10", 9, 4, 274, 84);
    Add("Edt_prggroup", ControlKind::Edit, 9, 93, 274, 21, &group2).color = colors::White;
    Label(*this, group2, "Lbl_11", 9, 124, 274, 110);

    Control& start = (*this)["Ebn_start"];
    Label(*this, start, "Lbl_12", 4, 4, 289, 110);
    Label(*this, start, "Lbl_14", 4, 124, 289, 110);
}

void Tleader::SetTexts() {
    const LanguageTexts& l = ctx_.language;
    const SetupDescription& d = *ctx_.description;
    auto text = [&](const char* control, const std::string& t) { (*this)[control].SetText(t); };
    auto lang = [&](int n) { return d.ReadString("language", "l" + std::to_string(n), ""); };

    text("Btn_weiter", l[17]);
    text("Btn_back", l[12]);
    text("Btn_exit", l[11]);

    text("Lbl_1", lang(36));
    text("Lbl_2", ctx_.startup.wizardHeading);
    (*this)["Lbl_2"].SetFontColor(ctx_.startup.wizardHeadingColor);
    text("Lbl_3", lang(37));

    text("Lbl_6", lang(38));
    text("Edt_verz", ctx_.choices.targetDirectory);
    text("Btn_folder", l[24]);
    text("Lbl_7", lang(39));

    text("Lbl_4", lang(40));
    text("Lbl_need2", l[25]);
    text("Lbl_free2", l[26]);

    text("Lbl_8", l[48]);
    text("Lbl_need", l[25]);
    text("Lbl_free", l[26]);
    text("Lbl_9", l[49]);

    text("Lbl_10", l[50]);
    text("Edt_prggroup", ctx_.choices.programGroup);
    text("Lbl_11", l[51]);

    text("Lbl_12", l[52]);
    text("Lbl_14", l[54]);
}

void Tleader::SetUpChoices() {
    const SetupTypes& t = ctx_.types;
    (*this)["cf_standard"].SetText(Lang(41));
    (*this)["cfl_standard"].SetText(Lang(44));
    (*this)["cf_min"].SetText(Lang(42));
    (*this)["cfl_min"].SetText(t.offerCd ? Lang(46) : t.offerMinimal ? Lang(45) : "");
    (*this)["cf_custom"].SetText(Lang(43));
    (*this)["cfl_custom"].SetText(Lang(47));

    // The boxes first: each change raises Opt_1Click, which fills the needed numbers.
    for (int n = 1; n <= 7; ++n) {
        Control& box = (*this)["Opt_" + std::to_string(n)];
        box.SetChecked(ctx_.components[n].inCustom);
        box.SetVisible(n <= 2 || !ctx_.components[n].name.empty());
        box.SetText(ctx_.components[n].name);
    }

    // The default choice; the standard button is checked even where it is hidden.
    if (t.offerCd && !t.offerStandard)
        (*this)["cf_min"].SetChecked(true);
    else
        (*this)["cf_standard"].SetChecked(true);
    (*this)["cf_standard"].SetVisible(t.offerStandard);
    (*this)["cfl_standard"].SetVisible(t.offerStandard);
    (*this)["cf_custom"].SetVisible(t.offerCustom);
    (*this)["cfl_custom"].SetVisible(t.offerCustom);
    (*this)["cf_min"].SetVisible(t.offerMinimal || t.offerCd);
    (*this)["cfl_min"].SetVisible(t.offerMinimal || t.offerCd);
}

void Tleader::FormCreate() {
    LoadingScreen& trailer = *ctx_.trailer;
    trailer.LoadingStart();

    SetTexts();
    SetUpChoices();

    page = WizardPage::Welcome;
    SetCaption(Lang(30));
    (*this)["Ebn_welcome"].SetVisible(true);

    trailer.LoadPictures(*Cbmp, (*this)["Img_Setup"], [this](bool loaded) {
        if (!loaded) LayOutWithoutPicture();
    });

    const std::string msg1 = ctx_.description->ReadString("software", "msg1", "");
    if (!msg1.empty())
        ctx_.platform.MessageBox(msg1, ctx_.description->ReadString("software", "msg1t", "corvid"),
                                 mb::Ok | mb::IconInfo);
}

void Tleader::LayOutWithoutPicture() {
    for (const char* n : {"Btn_back", "Btn_weiter", "Btn_exit"})
        (*this)[n].SetLeft((*this)[n].x - 150);
    for (const char* n : kPages) (*this)[n].SetLeft((*this)[n].x - 150);
    (*this)["strich"].SetLeft((*this)["strich"].x - 117);
    SetClientSize(clientWidth - 150, clientHeight);
}

void Tleader::Btn_exitClick() {
    ctx_.abbruch->Execute();
}

void Tleader::Btn_weiterKeyDown(int& key) {
    if (key == vk::Escape || key == vk::F4) {
        key = 0;
        Btn_exitClick();
    }
}

// ---------------------------------------------------------------- page flow

std::string Tleader::Lang(int n) const {
    return ctx_.description->ReadString("language", "l" + std::to_string(n), "");
}

void Tleader::ShowPage(const char* panel, int captionText) {
    SetCaption(Lang(captionText));
    (*this)[panel].SetVisible(true);
}

void Tleader::Btn_weiterClick() {
    switch (page) {
    case WizardPage::Welcome:
        (*this)["Ebn_welcome"].SetVisible(false);
        ShowPage("Ebn_folder", 31);
        page = WizardPage::Folder;
        break;
    case WizardPage::Folder:
        FolderStep();
        break;
    case WizardPage::SetupType:
        SetupTypeStep();
        break;
    case WizardPage::Components:
        ComponentStep();
        break;
    case WizardPage::ProgramGroup:
        GroupStep();
        break;
    case WizardPage::Ready:
        StartInstallation();
        break;
    }
}

void Tleader::Btn_backClick() {
    const SetupTypes& t = ctx_.types;
    Control& back = (*this)["Btn_back"];
    auto toSetupType = [&] {
        SetCaption(Lang(32));
        if (t.offerCd && !t.offerStandard && !t.offerCustom) back.SetEnabled(false);
        (*this)["Ebn_configuration"].SetVisible(true);
        (*this)["Ebn_components"].SetVisible(false);
        page = WizardPage::SetupType;
    };
    auto toFolder = [&](const char* leaving) {
        SetCaption(Lang(31));
        back.SetEnabled(false);
        (*this)["Ebn_folder"].SetVisible(true);
        (*this)[leaving].SetVisible(false);
        page = WizardPage::Folder;
    };
    switch (page) {
    case WizardPage::Ready:
        (*this)["Ebn_start"].SetVisible(false);
        if (groupPageNeeded(ctx_)) {
            ShowPage("Ebn_prggroup", 34);
            page = WizardPage::ProgramGroup;
        } else if (t.offerCd || t.offerCustom || t.offerMinimal) {
            toSetupType();
        } else {
            toFolder("Ebn_configuration");
        }
        break;
    case WizardPage::ProgramGroup:
        if ((*this)["cf_custom"].checked) {
            ShowPage("Ebn_components", 33);
            (*this)["Ebn_prggroup"].SetVisible(false);
            page = WizardPage::Components;
        } else if (setupTypePageOffered(t)) {
            ShowPage("Ebn_configuration", 32);
            (*this)["Ebn_prggroup"].SetVisible(false);
            page = WizardPage::SetupType;
        } else {
            toFolder("Ebn_prggroup");
        }
        break;
    case WizardPage::Components:
        toSetupType();
        break;
    case WizardPage::SetupType:
        toFolder("Ebn_configuration");
        break;
    case WizardPage::Folder:
    case WizardPage::Welcome:
        break;
    }
}

void Tleader::FolderStep() {
    Control& back = (*this)["Btn_back"];
    back.SetEnabled(true);
    if (!FolderCheck() || !FolderSpaceCheck()) {
        back.SetEnabled(false);
        return;
    }
    if (setupTypePageOffered(ctx_.types)) {
        SetCaption(Lang(32));
        (*this)["Ebn_folder"].SetVisible(false);
        const std::string free = KiloBytes(FreeSpace());
        (*this)["Lbl_free2z"].SetText(free);
        (*this)["Lbl_freez"].SetText(free);
        const std::string need = KiloBytes(ctx_.types.standardSpace);
        (*this)["Lbl_need2z"].SetText(need);
        (*this)["Lbl_needz"].SetText(need);
        (*this)["Ebn_configuration"].SetVisible(true);
        page = WizardPage::SetupType;
    } else {
        (*this)["Ebn_folder"].SetVisible(false);
        page = WizardPage::Components;
        ComponentStep();
    }
}

bool Tleader::FolderSpaceCheck() {
    if (FreeSpace() >= ctx_.types.minimalSpace) return true;
    SpaceWarning(destinationDrive + " " + ctx_.language[16], mb::Ok);
    return false;
}

void Tleader::SetupTypeStep() {
    if ((*this)["cf_standard"].checked) {
        if (FreeSpace() >= ctx_.types.standardSpace) {
            SetBoxes(&SetupComponent::inStandard);
            page = WizardPage::Components;
            ComponentStep();
        } else if (SpaceWarning(destinationDrive + " " + ctx_.language[16], mb::OkCancel) ==
                   mb::IdCancel) {
            ctx_.abbruch->Execute();
        }
    } else if ((*this)["cf_min"].checked) {
        if (ctx_.types.offerMinimal) SetBoxes(&SetupComponent::inMinimal);
        page = WizardPage::Components;
        ComponentStep();
    } else if ((*this)["cf_custom"].checked) {
        SetBoxes(&SetupComponent::inCustom);
        if (componentPreset)
            for (int n = 1; n <= 7; ++n)
                (*this)["Opt_" + std::to_string(n)].SetChecked(presetComponents[n]);
        SetCaption(Lang(33));
        (*this)["Ebn_configuration"].SetVisible(false);
        (*this)["Ebn_components"].SetVisible(true);
        page = WizardPage::Components;
    }
}

void Tleader::ComponentStep() {
    const SetupTypes& t = ctx_.types;
    InstallChoices& c = ctx_.choices;
    (*this)["Ebn_configuration"].SetVisible(false);
    (*this)["Ebn_components"].SetVisible(false);

    const bool standard = (*this)["cf_standard"].checked;
    const bool minimal = (*this)["cf_min"].checked;
    const bool custom = (*this)["cf_custom"].checked;
    c.typeStandard = c.typeMinimal = c.typeCd = c.typeCustom = false;
    if (t.offerCd) {
        c.typeCd = (!t.offerMinimal && !t.offerStandard) || minimal;
        c.typeStandard = standard;
        c.typeCustom = custom;
    } else {
        c.typeCustom = custom;
        c.typeMinimal = minimal;
        c.typeStandard = !minimal;
    }
    for (int n = 1; n <= 7; ++n) {
        if (c.typeMinimal) c.components[n] = ctx_.components[n].inMinimal;
        if (c.typeStandard) c.components[n] = ctx_.components[n].inStandard;
        if (c.typeCustom) c.components[n] = (*this)["Opt_" + std::to_string(n)].checked;
    }

    int64_t needed = ctx_.startup.compressionSize;
    for (int n = 1; n <= 7; ++n)
        if (c.components[n]) needed += ctx_.components[n].space;
    // Until enough space is free; Cancel leads to the abort dialog, from where the user may end
    // the setup.
    spaceWarning = false;
    while (needed > FreeSpace()) {
        spaceWarning = true;
        if (SpaceWarning(destinationDrive + ctx_.language[16], mb::OkCancel) == mb::IdCancel)
            ctx_.abbruch->Execute();
        if (ctx_.platform.Terminated()) return;
    }
    spaceWarning = false;

    page = WizardPage::ProgramGroup;
    if (groupPageNeeded(ctx_))
        ShowPage("Ebn_prggroup", 34);
    else
        GroupStep();
}

void Tleader::GroupStep() {
    if (!GroupCheck()) return;
    SetCaption(Lang(35));
    (*this)["Ebn_prggroup"].SetVisible(false);
    (*this)["Ebn_start"].SetVisible(true);
    page = WizardPage::Ready;
}

void Tleader::StartInstallation() {
    InstallChoices& c = ctx_.choices;
    int64_t total = 1;
    for (int n = 1; n <= 7; ++n) {
        if (!c.components[n]) continue;
        if (ctx_.startup.compressionMode == 1)
            total += schema::ReadComponentProgress(*ctx_.description, n);
        else
            total += ctx_.components[n].space;
    }
    // The run divides by it: keep it a positive 32-bit number whatever the sizes say.
    c.progressTotal = static_cast<int32_t>(std::clamp<int64_t>(total, 1, INT32_MAX));
    c.targetDirectory = (*this)["Edt_verz"].text;
    c.programGroup = (*this)["Edt_prggroup"].text;
    if (ctx_.onInstallationStart) ctx_.onInstallationStart();
    Hide();
    ctx_.main->ShowInstallationLook();
    if (ctx_.copying) ctx_.platform.ShowModal(*ctx_.copying);
}

void Tleader::Btn_folderClick() {
    if (ctx_.dlgFolder) ctx_.platform.ShowModal(*ctx_.dlgFolder);
}

// ---------------------------------------------------------------- setup types and components

void Tleader::cf_standardClick() {
    const SetupTypes& t = ctx_.types;
    if ((*this)["cf_standard"].checked) (*this)["Lbl_need2z"].SetText(KiloBytes(t.standardSpace));
    if ((*this)["cf_min"].checked) (*this)["Lbl_need2z"].SetText(KiloBytes(t.minimalSpace));
    if ((*this)["cf_custom"].checked) {
        (*this)["Lbl_need2z"].SetText(KiloBytes(t.customSpace));
        (*this)["Lbl_needz"].SetText(KiloBytes(t.customSpace));
    }
}

void Tleader::Opt_1Click() {
    if (ctx_.types.firstComponentLocked) (*this)["Opt_1"].SetChecked(true);
    int64_t needed = ctx_.startup.compressionSize;
    for (int n = 1; n <= 7; ++n)
        if ((*this)["Opt_" + std::to_string(n)].checked) needed += ctx_.components[n].space;
    (*this)["Lbl_need2z"].SetText(KiloBytes(needed));
    (*this)["Lbl_needz"].SetText(KiloBytes(needed));
}

void Tleader::SetBoxes(bool SetupComponent::*set) {
    for (int n = 1; n <= 7; ++n)
        (*this)["Opt_" + std::to_string(n)].SetChecked(ctx_.components[n].*set);
}

int64_t Tleader::FreeSpace() {
    if (destinationDriveNumber < 1 || destinationDriveNumber > 26) return -1;
    return ctx_.platform.DiskFree(static_cast<char>('A' + destinationDriveNumber - 1));
}

int Tleader::SpaceWarning(const std::string& caption, unsigned buttons) {
    return ctx_.platform.MessageBox(ctx_.language[13], caption, buttons | mb::IconWarning);
}

// ---------------------------------------------------------------- folder and group checks

namespace {

std::string TrimControls(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

std::string Replaced(std::string s, char from, char to) {
    std::replace(s.begin(), s.end(), from, to);
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

std::string DrivePartOf(const std::string& d) {
    if (d.size() == 2 && d[1] == ':') return std::string(); // a drive without a directory
    return Upper(DriveOf(d));
}

bool Tleader::FolderCheck() {
    Control& field = (*this)["Edt_verz"];
    const LanguageTexts& l = ctx_.language;
    auto fail = [&](const std::string& text) {
        ctx_.platform.MessageBox(text, "corvid", mb::Ok | mb::IconInfo);
        return false;
    };
    const std::string text = Replaced(TrimControls(field.text), ' ', '_');
    if (text.find_first_of("?*|\"<>") != std::string::npos)
        return fail(l[2] + "\r" + kDirectoryCharList + "\r" + l[3]);
    field.SetText(text);

    destinationDrive = DrivePartOf(text);
    destinationDriveNumber = 0;
    if (destinationDrive.empty()) return fail(l[4] + "\r" + l[3]);
    if (destinationDrive.size() == 2 && destinationDrive[0] >= 'A' && destinationDrive[0] <= 'Z')
        destinationDriveNumber = destinationDrive[0] - 'A' + 1;
    if (destinationDriveNumber == 0) return fail(l[5] + "\r" + l[3]);
    return true;
}

bool Tleader::GroupCheck() {
    Control& field = (*this)["Edt_prggroup"];
    std::string text = TrimControls(field.text);
    for (char c : {' ', '*', '?'}) text = Replaced(text, c, '_');
    if (text.find_first_of("-/();:,|\"<>") != std::string::npos) {
        const LanguageTexts& l = ctx_.language;
        ctx_.platform.MessageBox(l[6] + "\r" + kGroupCharList + "\r" + l[3], "corvid",
                                 mb::Ok | mb::IconInfo);
        return false;
    }
    field.SetText(text);
    return true;
}

// ---------------------------------------------------------------- rules

bool setupTypePageOffered(const SetupTypes& t) {
    return schema::SetupTypePageShown({t.offerStandard, t.offerMinimal, t.offerCd, t.offerCustom});
}

bool groupPageNeeded(const Context& ctx) {
    const InstallChoices& c = ctx.choices;
    for (int n = 1; n <= 7; ++n)
        if (c.components[n] && ctx.components[n].programItem) return true;
    if (c.typeCd) return true;
    return !ctx.types.offerCustom && ((c.typeStandard && ctx.components[1].programItem) ||
                                      (c.typeMinimal && ctx.components[2].programItem));
}

std::string KiloBytes(int64_t bytes) {
    return std::to_string(RoundHalfEven(bytes, 1024));
}

void Tleader::CbmpCheckFile(std::string& filepath) {
    filepath = kTempPicture;
}

void Tleader::CbmpShowProgress(int32_t& percentageDone) {
    ctx_.trailer->ShowProgress(percentageDone);
}

} // namespace corvid
