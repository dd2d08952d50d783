// driver.exe: automation client for the end-to-end tests. It runs in the same Wine session as
// setup.exe, finds forms and controls by their "CorvidName" property and reads or drives them.
//
//   driver [--out FILE] [--timeout MS] COMMAND ARGS...
//
// One command per run. Exit code 0 on success, 1 when a wait times out, a window is missing or a
// check fails, 2 on a usage error. Results go to stdout, one per line, and to FILE as well (Wine's
// stdout through a pipe is unreliable, so the harness reads the file). Texts are printed with tab,
// CR and LF written as \t, \r and \n; TEXT arguments are compared in that form.
//
// Commands (waits take an optional trailing timeout in ms, default 30000; --timeout MS too):
//   dump                         all CorvidForm windows (hidden too) and message boxes, one line
//                                per window, tab-separated columns:
//                                  form control class visible enabled checked x y w h text
//                                  picw pich extra
//                                form lines: control "-", x y = screen position of the client
//                                area, w h = client size, extra = tiles of the last paint;
//                                control lines: x y w h in the form's client area, checked -1 for
//                                controls without a check state, extra = picture mode;
//                                message boxes: form "#msgbox", control "-" for the box (text =
//                                caption, extra = "icon" or "noicon") and "id:N" for its
//                                children (id:65535 holds the message text)
//   wait-form FORM [--visible|--hidden] [--shot FILE.bmp] [MS]   prints the caption; --shot saves
//                                the screen the moment the form is found
//   pixel FORM X Y               the screen's colour at a point of the form's client area, RRGGBB
//   screenshot FILE.bmp          the whole screen as a 24-bit bitmap
//   wait-msgbox [TEXT] [MS]      prints caption and text; TEXT is a substring of the text
//   answer-msgbox BUTTON [TEXT] [MS]   BUTTON: OK, Cancel, Yes, No; waits for the box to close
//   text FORM [CONTROL]          control text, or the form's caption
//   pos FORM CONTROL             gauge or progress bar position
//   checked FORM CONTROL         1 or 0
//   visible FORM [CONTROL]       1 or 0
//   enabled FORM [CONTROL]       1 or 0
//   rect FORM [CONTROL] [--window]   x y w h: control in the form's client area; form: client
//                                area on the screen (--window: the whole window on the screen)
//   focus FORM [CONTROL [MS]]    the control of FORM with the keyboard focus ("-": none of its
//                                own, "(form)": the form itself); with CONTROL, waits for it
//   state FORM                   minimized, maximized or normal
//   style FORM [CONTROL]         window style and extended style, hexadecimal
//   click FORM CONTROL [--mouse] [--force]   BM_CLICK, or a posted left button click at the
//                                control's centre; refuses hidden or disabled controls unless
//                                --force
//   key FORM [CONTROL] KEY [--input]   focuses the control (or the form) and posts WM_KEYDOWN/UP
//                                to the focused window (--input: SendInput); KEY: ESC, ENTER,
//                                TAB, SPACE, F1..F12 or a virtual key number
//   wait-text FORM CONTROL TEXT [MS]
//   wait-pos FORM CONTROL N [--min [--max M]] [--when LABEL=TEXT] [--shot FILE.bmp] [--key KEY]
//            [MS]                --min: N or more (--max: and M or less); --when: while LABEL
//                                reads TEXT too (TEXT* for any text beginning so); --shot
//                                saves the screen the moment the position is seen; --key then
//                                sends KEY to the form as `key` does
//   watch-pos FORM CONTROL [--shot FILE.bmp [--shot-at N]] [MS]   waits for FORM to show (or for
//                                the bar to stand at 100 already), then prints every position
//                                the bar takes until FORM hides; --shot
//                                saves the screen when the bar first stands at N (default 1) or
//                                more
//   wait-visible FORM CONTROL [--hidden] [MS]
//   wait-gone [MS]               no CorvidForm window is left
//   type FORM CONTROL TEXT [MS]  types TEXT into an edit field as a user does: selects what is
//                                there, then one WM_CHAR per character; waits until the field
//                                shows TEXT
//   items FORM CONTROL           list or combo box: the selected index, then one item a line
//   select FORM CONTROL ITEM     list or combo box: selects the item whose text without leading
//                                blanks is ITEM (or "#N", the N-th from 0), notifying the form as
//                                a user's choice does
//   dblclick FORM CONTROL        a mouse double-click on the selected item of a list box
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "windows_access.h"

using namespace driver;

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;
constexpr DWORD kDefaultTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kFastPollMs = 5; // bars move quickly; a slow look would miss their positions

FILE* g_out = nullptr;

// Writes a line to `stream` and to the --out file, each after its own prefix.
void Emit(FILE* stream, const char* streamPrefix, const char* filePrefix, const std::string& s) {
    std::fprintf(stream, "%s%s\n", streamPrefix, s.c_str());
    std::fflush(stream);
    if (g_out) {
        std::fprintf(g_out, "%s%s\n", filePrefix, s.c_str());
        std::fflush(g_out);
    }
}

void Line(const std::string& s) {
    Emit(stdout, "", "", s);
}

int Fail(const std::string& why) {
    Emit(stderr, "driver: ", "error: ", why);
    return kFailed;
}

int Usage(const std::string& why) {
    Emit(stderr, "driver: usage: ", "usage: ", why);
    return kUsage;
}

bool IsNumber(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

struct Args {
    std::vector<std::string> pos; // positional arguments after the command
    std::string command;
    DWORD timeout = kDefaultTimeoutMs;
    bool timeoutGiven = false;
    bool hidden = false, mouse = false, force = false, window = false, input = false;
    bool atLeast = false; // wait-pos: N or more
    int atMost = -1;      // wait-pos: and at most this (--max), -1 without a bound
    int shotAt = 1;       // watch-pos: the screenshot is taken at this position or more
    std::string shot;     // wait-form: screenshot file taken as soon as the wait is met
    std::string thenKey;  // wait-pos: a key sent to the form the moment the wait is met
    std::string when;     // wait-pos: "CONTROL=TEXT", a label that must read TEXT meanwhile
};

// Waits until `ready` returns true; false on timeout.
bool WaitFor(DWORD timeoutMs, const std::function<bool()>& ready, DWORD pollMs = kPollMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (ready()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(pollMs);
    }
}

DWORD Ms(const std::string& s) {
    return static_cast<DWORD>(std::strtoul(s.c_str(), nullptr, 10));
}

// Takes a trailing timeout from the positionals when there are more than `needed`.
bool TakeTimeout(Args& a, size_t needed) {
    if (a.pos.size() > needed) {
        if (a.pos.size() != needed + 1 || !IsNumber(a.pos.back())) return false;
        a.timeout = Ms(a.pos.back());
        a.pos.pop_back();
    }
    return true;
}

// For commands whose last positional is an optional TEXT: a number standing there alone is the
// timeout (wait-msgbox 5000), unless --timeout gave one.
void TakeTimeoutForText(Args& a, size_t textIndex) {
    if (a.pos.size() == textIndex + 1 && IsNumber(a.pos.back()) && !a.timeoutGiven) {
        a.timeout = Ms(a.pos.back());
        a.pos.pop_back();
    }
}

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

std::string Tab(std::initializer_list<std::string> cols) {
    std::string s;
    for (const auto& c : cols) {
        if (!s.empty()) s += '\t';
        s += c;
    }
    return s;
}

std::string B(bool b) {
    return b ? "1" : "0";
}

// Finds the form. Returns an exit code on failure.
int Resolve(const std::string& formName, HWND& form) {
    form = FindForm(formName);
    return form ? kOk : Fail("no form " + formName);
}

// Finds the form and, when a name is given, its control. Returns an exit code on failure.
int Resolve(const std::string& formName, const std::string* controlName, HWND& form,
            HWND& control) {
    if (int rc = Resolve(formName, form)) return rc;
    control = nullptr;
    if (controlName) {
        control = FindControl(form, *controlName);
        if (!control) return Fail("no control " + *controlName + " on form " + formName);
    }
    return kOk;
}

// FORM CONTROL (`least` 2) or FORM [CONTROL] (`least` 1) as the whole of the positionals: resolves
// them, or returns the exit code of a usage error or a missing window.
int ResolveArgs(const Args& a, size_t least, const std::string& usage, HWND& form, HWND& control) {
    if (a.pos.size() < least || a.pos.size() > 2) return Usage(usage);
    return Resolve(a.pos[0], a.pos.size() > 1 ? &a.pos[1] : nullptr, form, control);
}

// The control `controlName` of the form `formName` as they are now; nullptr when either is missing.
HWND FindFormControl(const std::string& formName, const std::string& controlName,
                     HWND* formOut = nullptr) {
    HWND form = FindForm(formName);
    if (formOut) *formOut = form;
    return form ? FindControl(form, controlName) : nullptr;
}

// Prints a dump line; `r` becomes the x y w h columns.
void DumpLine(const std::string& form, const std::string& control, const std::string& cls,
              bool visible, bool enabled, int checked, const RECT& r, const std::string& text,
              int picW, int picH, const std::string& extra) {
    std::string geo = Rect(r);
    for (char& c : geo)
        if (c == ' ') c = '\t';
    Line(Tab({form, control, cls, B(visible), B(enabled), std::to_string(checked), geo,
              Escape(text), std::to_string(picW), std::to_string(picH), extra}));
}

// The form's client area on the screen.
RECT ClientRect(const FormInfo& f) {
    return {f.clientOrigin.x, f.clientOrigin.y, f.clientOrigin.x + f.clientSize.cx,
            f.clientOrigin.y + f.clientSize.cy};
}

int CmdDump(Args& a) {
    if (!a.pos.empty()) return Usage("dump");
    for (HWND h : CorvidForms()) {
        FormInfo f = ReadForm(h, true);
        DumpLine(f.name, "-", f.cls, f.visible, f.enabled, -1, ClientRect(f), f.caption, 0, 0,
                 std::to_string(f.tiles));
        for (const ControlInfo& c : f.controls)
            DumpLine(f.name, c.name.empty() ? "id:" + std::to_string(c.id) : c.name, c.cls,
                     c.visible, c.enabled, c.checked, c.rect, c.text, c.picW, c.picH,
                     std::to_string(c.picMode));
    }
    for (HWND h : MessageBoxes()) {
        FormInfo f = ReadForm(h, true);
        // The icon static (id 0x440) is there even without an icon; STM_GETICON tells.
        DWORD_PTR icon = 0;
        HWND iconStatic = GetDlgItem(h, 0x440);
        if (iconStatic)
            SendMessageTimeoutA(iconStatic, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
        DumpLine("#msgbox", "-", f.cls, f.visible, f.enabled, -1, ClientRect(f), f.caption, 0, 0,
                 icon ? "icon" : "noicon");
        for (const ControlInfo& c : f.controls)
            DumpLine("#msgbox", "id:" + std::to_string(c.id), c.cls, c.visible, c.enabled,
                     c.checked, c.rect, c.text, 0, 0, "0");
    }
    return kOk;
}

// Saves the whole screen as a 24-bit Windows bitmap. Taken from inside the session at the moment a
// wait is met, it catches windows that stand on the screen only briefly.
bool SaveScreen(const std::string& path) {
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    int stride = (w * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<size_t>(stride) * h);
    int rows = GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
                         DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (rows != h) return false;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&bi, sizeof bi, 1, f) == 1 &&
              std::fwrite(pixels.data(), pixels.size(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

// Saves the screen to the --shot file when one was given; an exit code.
int SaveShot(const Args& a) {
    if (!a.shot.empty() && !SaveScreen(a.shot)) return Fail("cannot save the screen to " + a.shot);
    return kOk;
}

// The colour on the screen at a point of a form's client area, as RRGGBB.
bool PixelAt(HWND form, int x, int y, std::string& rgb) {
    POINT pt{x, y};
    ClientToScreen(form, &pt);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, pt.x, pt.y);
    ReleaseDC(nullptr, screen);
    if (c == CLR_INVALID) return false;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    rgb = buf;
    return true;
}

int CmdPixel(Args& a) {
    if (a.pos.size() != 3) return Usage("pixel FORM X Y");
    HWND form;
    if (int rc = Resolve(a.pos[0], form)) return rc;
    std::string rgb;
    if (!PixelAt(form, std::atoi(a.pos[1].c_str()), std::atoi(a.pos[2].c_str()), rgb))
        return Fail("no pixel there");
    Line(rgb);
    return kOk;
}

int CmdScreenshot(Args& a) {
    if (a.pos.size() != 1) return Usage("screenshot FILE.bmp");
    if (!SaveScreen(a.pos[0])) return Fail("cannot save the screen to " + a.pos[0]);
    Line(a.pos[0]);
    return kOk;
}

int CmdWaitForm(Args& a) {
    if (a.pos.empty() || !TakeTimeout(a, 1))
        return Usage("wait-form FORM [--visible|--hidden] [MS]");
    const std::string& name = a.pos[0];
    HWND found = nullptr;
    bool ok = WaitFor(a.timeout, [&] {
        for (HWND h : CorvidForms())
            if (CorvidName(h) == name && (IsWindowVisible(h) != FALSE) != a.hidden) {
                found = h;
                return true;
            }
        return false;
    });
    if (!ok) {
        HWND any = FindForm(name);
        return Fail("timeout: form " + name + (any ? " exists but is " : " does not exist, not ") +
                    (a.hidden ? "visible" : "hidden"));
    }
    if (int rc = SaveShot(a)) return rc;
    std::string caption;
    TextOf(found, caption);
    Line(Escape(caption));
    return kOk;
}

// The first visible message box whose text contains `needle` (raw or escaped).
HWND MatchingBox(const std::string& needle, std::string& caption, std::string& text) {
    for (HWND h : MessageBoxes()) {
        if (!ReadMessageBox(h, caption, text)) continue;
        if (needle.empty() || text.find(needle) != std::string::npos ||
            Escape(text).find(needle) != std::string::npos)
            return h;
    }
    return nullptr;
}

int WaitBox(Args& a, size_t textIndex, HWND& box, std::string& caption, std::string& text) {
    std::string needle = a.pos.size() > textIndex ? a.pos[textIndex] : "";
    bool ok = WaitFor(a.timeout, [&] { return (box = MatchingBox(needle, caption, text)); });
    if (!ok) {
        std::string seen;
        for (HWND h : MessageBoxes()) {
            std::string c, t;
            if (ReadMessageBox(h, c, t)) seen += " [" + Escape(c) + ": " + Escape(t) + "]";
        }
        return Fail("timeout: no message box" +
                    (needle.empty() ? std::string() : " containing \"" + needle + "\"") +
                    (seen.empty() ? "" : "; showing:" + seen));
    }
    return kOk;
}

int BoxLines(const std::string& caption, const std::string& text) {
    Line(Escape(caption));
    Line(Escape(text));
    return kOk;
}

int CmdWaitMsgbox(Args& a) {
    TakeTimeoutForText(a, 0);
    if (!TakeTimeout(a, 1)) return Usage("wait-msgbox [TEXT] [MS]");
    HWND box;
    std::string caption, text;
    if (int rc = WaitBox(a, 0, box, caption, text)) return rc;
    return BoxLines(caption, text);
}

int CmdAnswerMsgbox(Args& a) {
    TakeTimeoutForText(a, 1);
    if (a.pos.empty() || !TakeTimeout(a, 2)) return Usage("answer-msgbox BUTTON [TEXT] [MS]");
    std::string b = a.pos[0];
    for (char& c : b) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    int id = b == "OK"       ? IDOK
             : b == "CANCEL" ? IDCANCEL
             : b == "YES"    ? IDYES
             : b == "NO"     ? IDNO
                             : 0;
    if (!id) return Usage("answer-msgbox: BUTTON is OK, Cancel, Yes or No");
    HWND box;
    std::string caption, text;
    if (int rc = WaitBox(a, 1, box, caption, text)) return rc;
    HWND button = GetDlgItem(box, id);
    if (!button) return Fail("message box \"" + Escape(text) + "\" has no " + a.pos[0] + " button");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!WaitFor(a.timeout, [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
        return Fail("message box did not close after " + a.pos[0]);
    return BoxLines(caption, text);
}

int CmdText(Args& a) {
    HWND form, control;
    if (int rc = ResolveArgs(a, 1, "text FORM [CONTROL]", form, control)) return rc;
    std::string text;
    if (!TextOf(control ? control : form, text)) return Fail("window does not answer");
    Line(Escape(text));
    return kOk;
}

int CmdPos(Args& a) {
    HWND form, control;
    if (int rc = ResolveArgs(a, 2, "pos FORM CONTROL", form, control)) return rc;
    int p;
    if (!PositionOf(control, p)) return Fail(a.pos[1] + " has no position");
    Line(std::to_string(p));
    return kOk;
}

int CmdChecked(Args& a) {
    HWND form, control;
    if (int rc = ResolveArgs(a, 2, "checked FORM CONTROL", form, control)) return rc;
    ControlInfo c = ReadControl(form, control);
    if (c.checked < 0) return Fail(a.pos[1] + " has no check state");
    Line(std::to_string(c.checked));
    return kOk;
}

int CmdFlag(Args& a, bool visible) {
    HWND form, control;
    std::string usage = std::string(visible ? "visible" : "enabled") + " FORM [CONTROL]";
    if (int rc = ResolveArgs(a, 1, usage, form, control)) return rc;
    HWND h = control ? control : form;
    Line(B(visible ? IsWindowVisible(h) != FALSE : IsWindowEnabled(h) != FALSE));
    return kOk;
}

int CmdRect(Args& a) {
    HWND form, control;
    if (int rc = ResolveArgs(a, 1, "rect FORM [CONTROL] [--window]", form, control)) return rc;
    if (control) {
        Line(Rect(ReadControl(form, control).rect));
    } else {
        FormInfo f = ReadForm(form, false);
        if (a.window) {
            Line(Rect(f.windowRect));
        } else {
            Line(std::to_string(f.clientOrigin.x) + " " + std::to_string(f.clientOrigin.y) + " " +
                 std::to_string(f.clientSize.cx) + " " + std::to_string(f.clientSize.cy));
        }
    }
    return kOk;
}

// The control of FORM that has the keyboard focus in its thread, "-" when none of its own has.
int CmdFocus(Args& a) {
    if (a.pos.empty() || !TakeTimeout(a, 2)) return Usage("focus FORM [CONTROL [MS]]");
    HWND form;
    if (int rc = Resolve(a.pos[0], form)) return rc;
    std::string name = "-";
    auto focused = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        name = "-";
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info)) return false;
        HWND f = info.hwndFocus;
        if (f == form)
            name = "(form)";
        else if (f && IsChild(form, f))
            name = CorvidName(f).empty() ? ClassOf(f) : CorvidName(f);
        return a.pos.size() < 2 || name == a.pos[1];
    };
    if (!WaitFor(a.pos.size() < 2 ? 0 : a.timeout, focused))
        return Fail("timeout: the focus is on " + name + ", not " + a.pos[1]);
    Line(name);
    return kOk;
}

int CmdState(Args& a) {
    if (a.pos.size() != 1) return Usage("state FORM");
    HWND form;
    if (int rc = Resolve(a.pos[0], form)) return rc;
    Line(IsIconic(form) ? "minimized" : IsZoomed(form) ? "maximized" : "normal");
    return kOk;
}

int CmdStyle(Args& a) {
    HWND form, control;
    if (int rc = ResolveArgs(a, 1, "style FORM [CONTROL]", form, control)) return rc;
    HWND h = control ? control : form;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%08lx %08lx",
                  static_cast<unsigned long>(GetWindowLongA(h, GWL_STYLE)),
                  static_cast<unsigned long>(GetWindowLongA(h, GWL_EXSTYLE)));
    Line(buf);
    return kOk;
}

int CmdClick(Args& a) {
    HWND form, control;
    if (int rc = ResolveArgs(a, 2, "click FORM CONTROL [--mouse] [--force]", form, control))
        return rc;
    if (!a.force && !IsWindowVisible(control)) return Fail(a.pos[1] + " is not visible");
    if (!a.force && !IsWindowEnabled(control)) return Fail(a.pos[1] + " is disabled");
    if (a.mouse) {
        RECT r;
        GetClientRect(control, &r);
        LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
        PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(control, WM_LBUTTONUP, 0, at);
    } else {
        PostMessageA(control, BM_CLICK, 0, 0);
    }
    Line("clicked " + a.pos[1]);
    return kOk;
}

int ParseKey(std::string k) {
    for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (k == "ESC" || k == "ESCAPE") return VK_ESCAPE;
    if (k == "ENTER" || k == "RETURN") return VK_RETURN;
    if (k == "TAB") return VK_TAB;
    if (k == "SPACE") return VK_SPACE;
    if (k.size() >= 2 && k[0] == 'F' && IsNumber(k.substr(1))) {
        int n = std::atoi(k.c_str() + 1);
        if (n >= 1 && n <= 12) return VK_F1 + n - 1;
    }
    if (IsNumber(k)) {
        int n = std::atoi(k.c_str());
        if (n > 0 && n < 256) return n;
    }
    return 0;
}

int CmdKey(Args& a) {
    if (a.pos.size() < 2 || a.pos.size() > 3) return Usage("key FORM [CONTROL] KEY [--input]");
    int vk = ParseKey(a.pos.back());
    if (!vk) return Usage("key: KEY is ESC, ENTER, TAB, SPACE, F1..F12 or a virtual key number");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], a.pos.size() == 3 ? &a.pos[1] : nullptr, form, control))
        return rc;
    if (control && !a.force && (!IsWindowVisible(control) || !IsWindowEnabled(control)))
        return Fail(a.pos[1] + " is hidden or disabled and cannot take the focus");

    // SetFocus works on another thread's window only while our input is attached to it.
    DWORD target = GetWindowThreadProcessId(form, nullptr);
    DWORD self = GetCurrentThreadId();
    AttachThreadInput(self, target, TRUE);
    if (a.input) SetForegroundWindow(form);
    if (control) {
        SetFocus(control);
    } else {
        HWND f = GetFocus();
        if (!f || (f != form && !IsChild(form, f))) SetFocus(form);
    }
    HWND focused = GetFocus();
    if (a.input && focused) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(vk);
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
    AttachThreadInput(self, target, FALSE);
    if (!focused || (control && focused != control && !IsChild(control, focused)))
        return Fail("could not focus " + (control ? a.pos[1] : a.pos[0]));
    if (!a.input) {
        LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(vk), 0)) << 16;
        PostMessageA(focused, WM_KEYDOWN, static_cast<WPARAM>(vk), 1 | scan);
        PostMessageA(focused, WM_KEYUP, static_cast<WPARAM>(vk),
                     1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31));
    }
    std::string name = CorvidName(focused);
    Line("key " + a.pos.back() + " to " + (name.empty() ? ClassOf(focused) : name));
    return kOk;
}

int CmdWaitText(Args& a) {
    if (a.pos.size() < 3 || !TakeTimeout(a, 3)) return Usage("wait-text FORM CONTROL TEXT [MS]");
    std::string last = "(no control)";
    bool ok = WaitFor(a.timeout, [&] {
        HWND control = FindFormControl(a.pos[0], a.pos[1]);
        if (!control) return false;
        std::string t;
        if (!TextOf(control, t)) return false;
        last = Escape(t);
        return last == a.pos[2];
    });
    if (!ok) return Fail("timeout: " + a.pos[1] + " reads \"" + last + "\"");
    Line(last);
    return kOk;
}

int CmdWaitPos(Args& a) {
    if (a.pos.size() < 3 || !IsNumber(a.pos[2]) || !TakeTimeout(a, 3))
        return Usage("wait-pos FORM CONTROL N [--when LABEL=TEXT] [--key KEY] [MS]");
    int want = std::atoi(a.pos[2].c_str());
    std::string last = "(no control)";
    bool ok = WaitFor(
        a.timeout,
        [&] {
            // The label first: a program sets its label before the bar, so a position read
            // after the label belongs to what the label names.
            if (!a.when.empty()) {
                const size_t eq = a.when.find('=');
                HWND label = FindFormControl(a.pos[0], a.when.substr(0, eq));
                std::string t;
                if (!label || eq == std::string::npos || !TextOf(label, t)) return false;
                // TEXT ending in * matches every text that begins with the part before it.
                const std::string want = a.when.substr(eq + 1);
                const std::string got = Escape(t);
                const bool prefix = !want.empty() && want.back() == '*';
                if (prefix ? got.compare(0, want.size() - 1, want, 0, want.size() - 1) != 0 ||
                                 got.size() < want.size() - 1
                           : got != want)
                    return false;
            }
            HWND control = FindFormControl(a.pos[0], a.pos[1]);
            int p;
            if (!control || !PositionOf(control, p)) return false;
            last = std::to_string(p);
            if (!(a.atLeast ? p >= want : p == want)) return false;
            return a.atMost < 0 || p <= a.atMost;
        },
        kFastPollMs);
    if (!ok) return Fail("timeout: " + a.pos[1] + " stands at " + last);
    if (!a.thenKey.empty()) { // at once, before a second driver run could start
        Args k = a;
        k.pos = {a.pos[0], a.thenKey};
        if (int rc = CmdKey(k)) return rc;
    }
    if (int rc = SaveShot(a)) return rc;
    Line(last);
    return kOk;
}

// Follows a bar while its form is visible: every position seen, in order, until the form hides.
int CmdWatchPos(Args& a) {
    if (a.pos.size() < 2 || !TakeTimeout(a, 2))
        return Usage("watch-pos FORM CONTROL [--shot FILE.bmp [--shot-at N]] [MS]");
    HWND form = nullptr, control = nullptr;
    bool appeared = WaitFor(
        a.timeout,
        [&] {
            control = FindFormControl(a.pos[0], a.pos[1], &form);
            int p;
            // A loading that ended before we looked leaves the bar at 100 behind a hidden form.
            return control && (IsWindowVisible(form) || (PositionOf(control, p) && p >= 100));
        },
        kFastPollMs);
    if (!appeared) return Fail("timeout: " + a.pos[0] + " with " + a.pos[1] + " did not show");
    std::vector<int> seen;
    bool shotTaken = a.shot.empty();
    bool hidden = WaitFor(
        a.timeout,
        [&] {
            int p;
            if (!IsWindow(form) || !IsWindowVisible(form)) return true;
            if (PositionOf(control, p) && (seen.empty() || seen.back() != p)) seen.push_back(p);
            if (!shotTaken && !seen.empty() && seen.back() >= a.shotAt) {
                shotTaken = true;
                if (!SaveScreen(a.shot)) Fail("cannot save the screen to " + a.shot);
            }
            return false;
        },
        kFastPollMs);
    // The last position, read once the form is hidden (it keeps its window).
    int p;
    if (IsWindow(control) && PositionOf(control, p) && (seen.empty() || seen.back() != p))
        seen.push_back(p);
    for (int v : seen) Line(std::to_string(v));
    if (!hidden) return Fail("timeout: " + a.pos[0] + " is still visible");
    // How far the bar got while visible depends on the machine's speed: no failure, no file.
    if (!shotTaken)
        std::fprintf(stderr, "driver: no screenshot, the bar was not seen at %d\n", a.shotAt);
    return kOk;
}

int CmdWaitVisible(Args& a) {
    if (a.pos.size() < 2 || !TakeTimeout(a, 2))
        return Usage("wait-visible FORM CONTROL [--hidden] [MS]");
    bool ok = WaitFor(a.timeout, [&] {
        HWND control = FindFormControl(a.pos[0], a.pos[1]);
        return control && (IsWindowVisible(control) != FALSE) != a.hidden;
    });
    if (!ok) return Fail("timeout: " + a.pos[1] + " is not " + (a.hidden ? "hidden" : "visible"));
    Line(a.hidden ? "0" : "1");
    return kOk;
}

int CmdWaitGone(Args& a) {
    if (!TakeTimeout(a, 0)) return Usage("wait-gone [MS]");
    if (!WaitFor(a.timeout, [] { return CorvidForms().empty(); })) {
        std::string left;
        for (HWND h : CorvidForms()) left += " " + CorvidName(h);
        return Fail("timeout: forms left:" + left);
    }
    Line("gone");
    return kOk;
}

int CmdType(Args& a) {
    if (a.pos.size() < 3 || !TakeTimeout(a, 3)) return Usage("type FORM CONTROL TEXT [MS]");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], &a.pos[1], form, control)) return rc;
    if (!IsWindowVisible(control) || !IsWindowEnabled(control))
        return Fail(a.pos[1] + " is hidden or disabled");
    DWORD_PTR r;
    SendMessageTimeoutA(control, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, 2000, &r);
    const std::string& text = a.pos[2];
    if (text.empty()) PostMessageA(control, WM_CHAR, VK_BACK, 1);
    for (char c : text)
        PostMessageA(control, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
    std::string last;
    if (!WaitFor(a.timeout, [&] { return TextOf(control, last) && last == text; }))
        return Fail("timeout: " + a.pos[1] + " reads \"" + Escape(last) + "\"");
    Line(Escape(last));
    return kOk;
}

// The items of a list or combo box and the selected index; false when it is neither.
bool ReadItems(HWND control, std::vector<std::string>& items, int& selected) {
    const std::string cls = ClassOf(control);
    const bool list = lstrcmpiA(cls.c_str(), "ListBox") == 0;
    if (!list && lstrcmpiA(cls.c_str(), "ComboBox") != 0) return false;
    const UINT count = list ? LB_GETCOUNT : CB_GETCOUNT;
    const UINT len = list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
    const UINT get = list ? LB_GETTEXT : CB_GETLBTEXT;
    const UINT sel = list ? LB_GETCURSEL : CB_GETCURSEL;
    int n = static_cast<int>(SendMessageA(control, count, 0, 0));
    items.clear();
    // The wide messages: the item texts cross the process boundary intact only that way.
    for (int i = 0; i < n; ++i) {
        int l = static_cast<int>(SendMessageW(control, len, static_cast<WPARAM>(i), 0));
        std::wstring w(static_cast<size_t>(l < 0 ? 0 : l) + 1, L'\0');
        l = static_cast<int>(
            SendMessageW(control, get, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&w[0])));
        w.resize(static_cast<size_t>(l < 0 ? 0 : l));
        std::string t(w.size() * 2 + 1, '\0');
        int m = WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), &t[0],
                                    static_cast<int>(t.size()), nullptr, nullptr);
        t.resize(static_cast<size_t>(m < 0 ? 0 : m));
        items.push_back(t);
    }
    selected = static_cast<int>(SendMessageA(control, sel, 0, 0));
    return true;
}

int CmdItems(Args& a) {
    HWND form, control;
    if (int rc = ResolveArgs(a, 2, "items FORM CONTROL", form, control)) return rc;
    std::vector<std::string> items;
    int selected;
    if (!ReadItems(control, items, selected)) return Fail(a.pos[1] + " has no items");
    Line(std::to_string(selected));
    for (const auto& t : items) Line(Escape(t));
    return kOk;
}

int CmdSelect(Args& a) {
    if (a.pos.size() != 3) return Usage("select FORM CONTROL ITEM");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], &a.pos[1], form, control)) return rc;
    std::vector<std::string> items;
    int selected, want = -1;
    if (!ReadItems(control, items, selected)) return Fail(a.pos[1] + " has no items");
    if (a.pos[2].size() > 1 && a.pos[2][0] == '#' && IsNumber(a.pos[2].substr(1))) {
        want = std::atoi(a.pos[2].c_str() + 1);
    } else {
        for (size_t i = 0; i < items.size() && want < 0; ++i) {
            size_t b = items[i].find_first_not_of(' ');
            if (b != std::string::npos && items[i].substr(b) == a.pos[2])
                want = static_cast<int>(i);
        }
    }
    if (want < 0 || want >= static_cast<int>(items.size()))
        return Fail("no item " + a.pos[2] + " in " + a.pos[1]);
    const bool list = lstrcmpiA(ClassOf(control).c_str(), "ListBox") == 0;
    SendMessageA(control, list ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(want), 0);
    const WORD code = list ? LBN_SELCHANGE : CBN_SELCHANGE;
    PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
    Line(Escape(items[static_cast<size_t>(want)]));
    return kOk;
}

int CmdDblClick(Args& a) {
    HWND form, control;
    if (int rc = ResolveArgs(a, 2, "dblclick FORM CONTROL", form, control)) return rc;
    const int sel = static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0));
    if (sel < 0) return Fail(a.pos[1] + " has no selected item");
    const int top = static_cast<int>(SendMessageA(control, LB_GETTOPINDEX, 0, 0));
    const int h = static_cast<int>(SendMessageA(control, LB_GETITEMHEIGHT, 0, 0));
    LPARAM at = MAKELPARAM(10, (sel - top) * h + h / 2);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(control, WM_LBUTTONUP, 0, at);
    PostMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(control, WM_LBUTTONUP, 0, at);
    Line("double-clicked item " + std::to_string(sel));
    return kOk;
}

// Switches without a value: the member of Args each sets, and to what.
struct Switch {
    const char* name;
    bool Args::*member;
    bool value;
};
constexpr Switch kSwitches[] = {
    {"--min", &Args::atLeast, true},     {"--hidden", &Args::hidden, true},
    {"--visible", &Args::hidden, false}, {"--mouse", &Args::mouse, true},
    {"--force", &Args::force, true},     {"--window", &Args::window, true},
    {"--input", &Args::input, true},
};

struct Command {
    const char* name;
    int (*run)(Args&);
};
const Command kCommands[] = {
    {"dump", CmdDump},
    {"wait-form", CmdWaitForm},
    {"wait-msgbox", CmdWaitMsgbox},
    {"answer-msgbox", CmdAnswerMsgbox},
    {"text", CmdText},
    {"pos", CmdPos},
    {"checked", CmdChecked},
    {"visible", [](Args& a) { return CmdFlag(a, true); }},
    {"enabled", [](Args& a) { return CmdFlag(a, false); }},
    {"rect", CmdRect},
    {"focus", CmdFocus},
    {"state", CmdState},
    {"style", CmdStyle},
    {"click", CmdClick},
    {"key", CmdKey},
    {"wait-text", CmdWaitText},
    {"wait-pos", CmdWaitPos},
    {"watch-pos", CmdWatchPos},
    {"wait-visible", CmdWaitVisible},
    {"pixel", CmdPixel},
    {"screenshot", CmdScreenshot},
    {"wait-gone", CmdWaitGone},
    {"type", CmdType},
    {"items", CmdItems},
    {"select", CmdSelect},
    {"dblclick", CmdDblClick},
};

const Switch* FindSwitch(const std::string& s) {
    for (const Switch& sw : kSwitches)
        if (s == sw.name) return &sw;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    Args a;
    std::string outPath;
    for (int i = 1; i < argc; ++i) {
        std::string s = argv[i];
        const Switch* sw = FindSwitch(s);
        if (sw) {
            a.*(sw->member) = sw->value;
        } else if (s == "--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (s == "--timeout" && i + 1 < argc && IsNumber(argv[i + 1])) {
            a.timeout = Ms(argv[++i]);
            a.timeoutGiven = true;
        } else if (s == "--shot" && i + 1 < argc) {
            a.shot = argv[++i];
        } else if (s == "--shot-at" && i + 1 < argc && IsNumber(argv[i + 1])) {
            a.shotAt = std::atoi(argv[++i]);
        } else if (s == "--key" && i + 1 < argc) {
            a.thenKey = argv[++i];
        } else if (s == "--max" && i + 1 < argc && IsNumber(argv[i + 1])) {
            a.atMost = std::atoi(argv[++i]);
        } else if (s == "--when" && i + 1 < argc) {
            a.when = argv[++i];
        } else if (a.command.empty()) {
            a.command = s;
        } else {
            a.pos.push_back(s);
        }
    }
    if (!outPath.empty()) {
        g_out = std::fopen(outPath.c_str(), "wb");
        if (!g_out) {
            std::fprintf(stderr, "driver: cannot write %s\n", outPath.c_str());
            return kUsage;
        }
    }
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (a.command == c.name) command = &c;
    int rc =
        command
            ? command->run(a)
            : Usage("driver [--out FILE] [--timeout MS] COMMAND ARGS... (see the source header)");
    if (g_out) std::fclose(g_out);
    return rc;
}
