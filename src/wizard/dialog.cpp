#include "wizard/dialog.h"

#include "app/trailer.h"
#include "archive/compress.h"
#include "install/abbruch.h"

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

    exit.onClick = [this] { Btn_exitClick(); };
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
    Label(*this, config, "Lbl_kb2a", 191, 202, 20, 13, false).text = "kB";
    Label(*this, config, "Lbl_free2", 8, 217, 124, 13, false);
    Label(*this, config, "Lbl_free2z", 137, 217, 52, 13, false).text = "---";
    Label(*this, config, "Lbl_kb2b", 191, 217, 20, 13, false).text = "kB";

    Control& comps = (*this)["Ebn_components"];
    Label(*this, comps, "Lbl_8", 7, 5, 279, 41);
    Control& group = Add("Group", ControlKind::Panel, 9, 48, 274, 133, &comps);
    group.color = colors::White;
    for (int n = 1; n <= 7; ++n)
        Add("Opt_" + std::to_string(n), ControlKind::CheckBox, 6, 3 + 18 * (n - 1), 262, 17, &group)
            .color = colors::White;
    Label(*this, comps, "Lbl_need", 9, 185, 156, 13, false);
    Label(*this, comps, "Lbl_needz", 172, 185, 52, 13, false).text = "---";
    Label(*this, comps, "Lbl_kba", 226, 185, 20, 13, false).text = "kB";
    Label(*this, comps, "Lbl_free", 9, 200, 156, 13, false);
    Label(*this, comps, "Lbl_freez", 172, 200, 52, 13, false).text = "---";
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

void Tleader::FormCreate() {
    Ttrailer& trailer = *ctx_.trailer;
    trailer.LoadingStart();

    SetTexts();

    page = WizardPage::Welcome;
    SetCaption(ctx_.description->ReadString("language", "l30", ""));
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

void Tleader::CbmpCheckFile(std::string& filepath) {
    filepath = kTempPicture;
}

void Tleader::CbmpShowProgress(int32_t& percentageDone) {
    ctx_.trailer->ShowProgress(percentageDone);
}

} // namespace corvid
