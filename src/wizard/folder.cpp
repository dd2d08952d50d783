#include "wizard/folder.h"

#include <cctype>

namespace corvid {

std::string NormalDirectory(const std::string& dir) {
    std::string d = dir;
    if (d.size() == 2 && d[1] == ':') d += '\\';
    while (d.size() > 3 && d.back() == '\\') d.pop_back();
    if (!d.empty()) d[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])));
    return d;
}

Tdlg_folder::Tdlg_folder(Context& ctx) : Form("Tdlg_folder"), ctx_(ctx) {
    border = BorderStyle::Dialog;
    position_centered = true;
    clientWidth = 320;
    clientHeight = 206;

    Control& panel = Add("Panel1", ControlKind::Panel, 5, 5, 300, 23);
    panel.bevelOuter = 2;
    Control& label = Add("Label1", ControlKind::Label, 4, 4, 283, 13, &panel);
    label.transparent = true;
    label.pathEllipsis = true;
    Control& list = Add("DirectoryListBox1", ControlKind::ListBox, 31, 33, 188, 133);
    list.itemHeight = 16;
    list.color = colors::White;
    list.tabOrder = 1;
    Control& drives = Add("DriveComboBox1", ControlKind::ComboBox, 31, 173, 188, 19);
    drives.color = colors::White;
    drives.tabOrder = 2;
    Control& ok = Add("Btn_ok", ControlKind::Button, 231, 33, 75, 25);
    ok.text = "&Ok";
    ok.isDefault = true;
    ok.tabOrder = 0;
    Control& cancel = Add("Btn_abbr", ControlKind::Button, 231, 61, 75, 25);
    cancel.isCancel = true;
    cancel.tabOrder = 3;
    initialFocus = "Btn_ok";

    ok.onClick = [this] { Btn_okClick(); };
    cancel.onClick = [this] { Btn_abbrClick(); };
    list.onDblClick = [this] { DirectoryListBox1DblClick(); };
    list.onKeyDown = [this](int& key) { DirectoryListBox1KeyDown(key); };
    drives.onChange = [this] { DriveComboBox1Change(); };
}

void Tdlg_folder::FormCreate() {
    SetCaption(ctx_.language[9]);
    (*this)["Btn_abbr"].SetText(ctx_.language[11]);
    Platform& p = ctx_.platform;
    drives_ = p.DriveLetters();
    std::vector<std::string> names;
    for (char d : drives_)
        names.push_back(std::string(1, static_cast<char>(std::tolower(d))) + ":");
    (*this)["DriveComboBox1"].SetItems(names, -1);
    if (!SetDirectory(p.DriveDirectory('C'))) SetDirectory("C:\\");
}

bool Tdlg_folder::SetDirectory(const std::string& dir) {
    const std::string d = NormalDirectory(dir);
    if (d.size() < 3 || d[1] != ':' || d[2] != '\\') return false;
    std::vector<std::string> children;
    if (!ctx_.platform.ListDirectories(d, children)) return false;

    // The drive's root, the directories down to this one, then its subdirectories, each
    // indented by its depth.
    std::vector<std::string> items;
    entries_.clear();
    std::string path = d.substr(0, 3);
    entries_.push_back(path);
    items.push_back(path);
    size_t depth = 0;
    for (size_t from = 3; from < d.size();) {
        size_t to = d.find('\\', from);
        if (to == std::string::npos) to = d.size();
        const std::string part = d.substr(from, to - from);
        from = to + 1;
        if (part.empty()) continue;
        path += (path.back() == '\\' ? "" : "\\") + part;
        ++depth;
        entries_.push_back(path);
        items.push_back(std::string(2 * depth, ' ') + part);
    }
    const int current = static_cast<int>(entries_.size()) - 1;
    for (const std::string& name : children) {
        entries_.push_back(path + (path.back() == '\\' ? "" : "\\") + name);
        items.push_back(std::string(2 * (depth + 1), ' ') + name);
    }

    directory = path;
    lastDirectory_[d[0]] = path;
    (*this)["DirectoryListBox1"].SetItems(items, current);
    (*this)["Label1"].SetText(path);
    (*this)["DriveComboBox1"].SetItemIndex(DriveIndex(d[0]));
    return true;
}

int Tdlg_folder::DriveIndex(char letter) const {
    const size_t i = drives_.find(letter);
    return i == std::string::npos ? -1 : static_cast<int>(i);
}

void Tdlg_folder::DirectoryListBox1DblClick() {
    const int i = (*this)["DirectoryListBox1"].itemIndex;
    if (i < 0 || i >= static_cast<int>(entries_.size()) || entries_[i] == directory) return;
    SetDirectory(entries_[static_cast<size_t>(i)]);
}

void Tdlg_folder::DirectoryListBox1KeyDown(int& key) {
    if (key != vk::Return) return;
    key = 0;
    DirectoryListBox1DblClick();
}

void Tdlg_folder::DriveComboBox1Change() {
    Control& combo = (*this)["DriveComboBox1"];
    const int i = combo.itemIndex;
    if (i < 0 || i >= static_cast<int>(drives_.size())) return;
    const char letter = drives_[static_cast<size_t>(i)];
    auto last = lastDirectory_.find(letter);
    const std::string dir =
        last != lastDirectory_.end() ? last->second : ctx_.platform.DriveDirectory(letter);
    // A drive that cannot be read (no disk in it) leaves the list where it was.
    if (!SetDirectory(dir) && !SetDirectory(std::string(1, letter) + ":\\")) {
        combo.SetItemIndex(directory.empty() ? -1 : DriveIndex(directory[0]));
    }
}

void Tdlg_folder::Btn_okClick() {
    // The full directory: the label may show it shortened.
    if (ctx_.leader) (*ctx_.leader)["Edt_verz"].SetText(directory);
    CloseModal(1);
}

void Tdlg_folder::Btn_abbrClick() {
    CloseModal(2);
}

} // namespace corvid
