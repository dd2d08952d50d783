#include "windows_access.h"

#include <commctrl.h>

#include <cstdlib>

namespace driver {
namespace {

// A window of another process answers within this time or counts as busy.
constexpr UINT kSendTimeoutMs = 2000;

bool Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR& result) {
    return SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs,
                               &result) != 0;
}

int IntProp(HWND hwnd, const char* name) {
    return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(hwnd, name)));
}

// For EnumWindows and EnumChildWindows: adds every window to the vector in `lp`.
BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevel() {
    std::vector<HWND> all;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

// Every descendant, parents before their children (EnumChildWindows walks the whole tree).
std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

// The window of `windows` named `name`: the first visible one, else the first hidden one.
HWND Named(const std::vector<HWND>& windows, const std::string& name) {
    HWND hidden = nullptr;
    for (HWND h : windows) {
        if (CorvidName(h) != name) continue;
        if (IsWindowVisible(h)) return h;
        if (!hidden) hidden = h;
    }
    return hidden;
}

void ReadWindow(HWND hwnd, WindowInfo& w) {
    w.hwnd = hwnd;
    w.name = CorvidName(hwnd);
    w.cls = ClassOf(hwnd);
    w.visible = IsWindowVisible(hwnd) != FALSE;
    w.enabled = IsWindowEnabled(hwnd) != FALSE;
}

bool IsCheckable(HWND hwnd, const std::string& cls) {
    if (lstrcmpiA(cls.c_str(), "Button") != 0) return false;
    LONG type = GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool IsDigits(const std::string& s) {
    if (s.empty()) return false;
    size_t i = (s[0] == '-') ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

} // namespace

std::string CorvidName(HWND hwnd) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(hwnd, "CorvidName")));
    if (atom == 0) return "";
    char buf[256];
    UINT n = GlobalGetAtomNameA(atom, buf, sizeof buf);
    return std::string(buf, n);
}

std::string ClassOf(HWND hwnd) {
    char buf[256];
    int n = GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

bool TextOf(HWND hwnd, std::string& text) {
    text.clear();
    DWORD_PTR len = 0;
    if (!Send(hwnd, WM_GETTEXTLENGTH, 0, 0, len)) return false;
    std::vector<char> buf(len + 2, '\0');
    DWORD_PTR got = 0;
    if (!Send(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), got))
        return false;
    text.assign(buf.data(), got < buf.size() ? got : buf.size() - 1);
    return true;
}

std::vector<HWND> CorvidForms() {
    std::vector<HWND> forms;
    for (HWND h : TopLevel())
        if (ClassOf(h) == "CorvidForm") forms.push_back(h);
    return forms;
}

std::vector<HWND> MessageBoxes() {
    std::vector<HWND> boxes;
    for (HWND h : TopLevel())
        if (ClassOf(h) == "#32770" && IsWindowVisible(h) && GetDlgItem(h, 0xFFFF) != nullptr)
            boxes.push_back(h);
    return boxes;
}

HWND FindForm(const std::string& name) {
    return Named(CorvidForms(), name);
}

HWND FindControl(HWND form, const std::string& name) {
    return Named(Descendants(form), name);
}

ControlInfo ReadControl(HWND form, HWND control) {
    ControlInfo c;
    ReadWindow(control, c);
    c.id = GetDlgCtrlID(control);
    if (IsCheckable(control, c.cls)) {
        DWORD_PTR r = 0;
        c.checked = Send(control, BM_GETCHECK, 0, 0, r) ? static_cast<int>(r) : -1;
    }
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&r), 2);
    c.rect = r;
    TextOf(control, c.text);
    c.picW = IntProp(control, "CorvidPicW");
    c.picH = IntProp(control, "CorvidPicH");
    c.picMode = IntProp(control, "CorvidPicMode");
    return c;
}

FormInfo ReadForm(HWND form, bool withControls) {
    FormInfo f;
    ReadWindow(form, f);
    TextOf(form, f.caption);
    RECT client;
    GetClientRect(form, &client);
    f.clientSize = {client.right - client.left, client.bottom - client.top};
    POINT origin{0, 0};
    ClientToScreen(form, &origin);
    f.clientOrigin = origin;
    GetWindowRect(form, &f.windowRect);
    f.tiles = IntProp(form, "CorvidTiles");
    if (withControls)
        for (HWND h : Descendants(form)) f.controls.push_back(ReadControl(form, h));
    return f;
}

bool ReadMessageBox(HWND box, std::string& caption, std::string& text) {
    HWND msg = GetDlgItem(box, 0xFFFF);
    return TextOf(box, caption) && msg && TextOf(msg, text);
}

bool PositionOf(HWND control, int& pos) {
    std::string text;
    if (TextOf(control, text) && IsDigits(text)) {
        pos = std::atoi(text.c_str());
        return true;
    }
    if (lstrcmpiA(ClassOf(control).c_str(), PROGRESS_CLASSA) == 0) {
        DWORD_PTR r = 0;
        if (Send(control, PBM_GETPOS, 0, 0, r)) {
            pos = static_cast<int>(r);
            return true;
        }
    }
    return false;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char ch : s) {
        if (ch == '\t')
            out += "\\t";
        else if (ch == '\r')
            out += "\\r";
        else if (ch == '\n')
            out += "\\n";
        else
            out += ch;
    }
    return out;
}

} // namespace driver
