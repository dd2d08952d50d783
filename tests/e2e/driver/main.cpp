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
//   wait-pos FORM CONTROL N [--min] [--shot FILE.bmp] [MS]   --min: N or more; --shot saves the
//                                screen the moment the position is seen
//   watch-pos FORM CONTROL [--shot FILE.bmp [--shot-at N]] [MS]   waits for FORM to show (or for
//                                the bar to stand at 100 already), then prints every position
//                                the bar takes until FORM hides; --shot
//                                saves the screen when the bar first stands at N (default 1) or
//                                more
//   wait-visible FORM CONTROL [--hidden] [MS]
//   wait-gone [MS]               no CorvidForm window is left
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

void Line(const std::string& s) {
    std::fprintf(stdout, "%s\n", s.c_str());
    std::fflush(stdout);
    if (g_out) {
        std::fprintf(g_out, "%s\n", s.c_str());
        std::fflush(g_out);
    }
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "driver: %s\n", why.c_str());
    std::fflush(stderr);
    if (g_out) {
        std::fprintf(g_out, "error: %s\n", why.c_str());
        std::fflush(g_out);
    }
    return kFailed;
}

int Usage(const std::string& why) {
    std::fprintf(stderr, "driver: usage: %s\n", why.c_str());
    if (g_out) std::fprintf(g_out, "usage: %s\n", why.c_str());
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
    int shotAt = 1;       // watch-pos: the screenshot is taken at this position or more
    std::string shot;     // wait-form: screenshot file taken as soon as the wait is met
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

// Takes a trailing timeout from the positionals when there are more than `needed`.
bool TakeTimeout(Args& a, size_t needed) {
    if (a.pos.size() > needed) {
        if (a.pos.size() != needed + 1 || !IsNumber(a.pos.back())) return false;
        a.timeout = static_cast<DWORD>(std::strtoul(a.pos.back().c_str(), nullptr, 10));
        a.pos.pop_back();
    }
    return true;
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

// Finds the form and, when a name is given, its control. Returns an exit code on failure.
int Resolve(const std::string& formName, const std::string* controlName, HWND& form,
            HWND& control) {
    form = FindForm(formName);
    if (!form) return Fail("no form " + formName);
    control = nullptr;
    if (controlName) {
        control = FindControl(form, *controlName);
        if (!control) return Fail("no control " + *controlName + " on form " + formName);
    }
    return kOk;
}

int CmdDump() {
    for (HWND h : CorvidForms()) {
        FormInfo f = ReadForm(h, true);
        RECT client{f.clientOrigin.x, f.clientOrigin.y, f.clientOrigin.x + f.clientSize.cx,
                    f.clientOrigin.y + f.clientSize.cy};
        std::string geo = Rect(client);
        for (char& c : geo)
            if (c == ' ') c = '\t';
        Line(Tab({f.name, "-", f.cls, B(f.visible), B(f.enabled), "-1", geo, Escape(f.caption), "0",
                  "0", std::to_string(f.tiles)}));
        for (const ControlInfo& c : f.controls) {
            std::string g = Rect(c.rect);
            for (char& ch : g)
                if (ch == ' ') ch = '\t';
            Line(Tab({f.name, c.name.empty() ? "id:" + std::to_string(c.id) : c.name, c.cls,
                      B(c.visible), B(c.enabled), std::to_string(c.checked), g, Escape(c.text),
                      std::to_string(c.picW), std::to_string(c.picH), std::to_string(c.picMode)}));
        }
    }
    for (HWND h : MessageBoxes()) {
        FormInfo f = ReadForm(h, true);
        RECT client{f.clientOrigin.x, f.clientOrigin.y, f.clientOrigin.x + f.clientSize.cx,
                    f.clientOrigin.y + f.clientSize.cy};
        std::string geo = Rect(client);
        for (char& c : geo)
            if (c == ' ') c = '\t';
        // The icon static (id 0x440) is there even without an icon; STM_GETICON tells.
        DWORD_PTR icon = 0;
        HWND iconStatic = GetDlgItem(h, 0x440);
        if (iconStatic)
            SendMessageTimeoutA(iconStatic, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
        Line(Tab({"#msgbox", "-", f.cls, B(f.visible), B(f.enabled), "-1", geo, Escape(f.caption),
                  "0", "0", icon ? "icon" : "noicon"}));
        for (const ControlInfo& c : f.controls) {
            std::string g = Rect(c.rect);
            for (char& ch : g)
                if (ch == ' ') ch = '\t';
            Line(Tab({"#msgbox", "id:" + std::to_string(c.id), c.cls, B(c.visible), B(c.enabled),
                      std::to_string(c.checked), g, Escape(c.text), "0", "0", "0"}));
        }
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
    HWND form, control;
    if (int rc = Resolve(a.pos[0], nullptr, form, control)) return rc;
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
    if (!a.shot.empty() && !SaveScreen(a.shot)) return Fail("cannot save the screen to " + a.shot);
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

int CmdWaitMsgbox(Args& a) {
    if (a.pos.size() == 1 && IsNumber(a.pos[0]) && !a.timeoutGiven) {
        a.timeout = static_cast<DWORD>(std::strtoul(a.pos[0].c_str(), nullptr, 10));
        a.pos.clear();
    }
    if (!TakeTimeout(a, 1)) return Usage("wait-msgbox [TEXT] [MS]");
    HWND box;
    std::string caption, text;
    if (int rc = WaitBox(a, 0, box, caption, text)) return rc;
    Line(Escape(caption));
    Line(Escape(text));
    return kOk;
}

int CmdAnswerMsgbox(Args& a) {
    if (a.pos.size() == 2 && IsNumber(a.pos[1]) && !a.timeoutGiven) {
        a.timeout = static_cast<DWORD>(std::strtoul(a.pos[1].c_str(), nullptr, 10));
        a.pos.pop_back();
    }
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
    Line(Escape(caption));
    Line(Escape(text));
    return kOk;
}

int CmdText(Args& a) {
    if (a.pos.empty() || a.pos.size() > 2) return Usage("text FORM [CONTROL]");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], a.pos.size() > 1 ? &a.pos[1] : nullptr, form, control))
        return rc;
    std::string text;
    if (!TextOf(control ? control : form, text)) return Fail("window does not answer");
    Line(Escape(text));
    return kOk;
}

int CmdPos(Args& a) {
    if (a.pos.size() != 2) return Usage("pos FORM CONTROL");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], &a.pos[1], form, control)) return rc;
    int p;
    if (!PositionOf(control, p)) return Fail(a.pos[1] + " has no position");
    Line(std::to_string(p));
    return kOk;
}

int CmdChecked(Args& a) {
    if (a.pos.size() != 2) return Usage("checked FORM CONTROL");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], &a.pos[1], form, control)) return rc;
    ControlInfo c = ReadControl(form, control);
    if (c.checked < 0) return Fail(a.pos[1] + " has no check state");
    Line(std::to_string(c.checked));
    return kOk;
}

int CmdFlag(Args& a, bool visible) {
    if (a.pos.empty() || a.pos.size() > 2)
        return Usage(std::string(visible ? "visible" : "enabled") + " FORM [CONTROL]");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], a.pos.size() > 1 ? &a.pos[1] : nullptr, form, control))
        return rc;
    HWND h = control ? control : form;
    Line(B(visible ? IsWindowVisible(h) != FALSE : IsWindowEnabled(h) != FALSE));
    return kOk;
}

int CmdRect(Args& a) {
    if (a.pos.empty() || a.pos.size() > 2) return Usage("rect FORM [CONTROL] [--window]");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], a.pos.size() > 1 ? &a.pos[1] : nullptr, form, control))
        return rc;
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
    HWND form, control;
    if (int rc = Resolve(a.pos[0], nullptr, form, control)) return rc;
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
    HWND form, control;
    if (int rc = Resolve(a.pos[0], nullptr, form, control)) return rc;
    Line(IsIconic(form) ? "minimized" : IsZoomed(form) ? "maximized" : "normal");
    return kOk;
}

int CmdStyle(Args& a) {
    if (a.pos.empty() || a.pos.size() > 2) return Usage("style FORM [CONTROL]");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], a.pos.size() > 1 ? &a.pos[1] : nullptr, form, control))
        return rc;
    HWND h = control ? control : form;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%08lx %08lx",
                  static_cast<unsigned long>(GetWindowLongA(h, GWL_STYLE)),
                  static_cast<unsigned long>(GetWindowLongA(h, GWL_EXSTYLE)));
    Line(buf);
    return kOk;
}

int CmdClick(Args& a) {
    if (a.pos.size() != 2) return Usage("click FORM CONTROL [--mouse] [--force]");
    HWND form, control;
    if (int rc = Resolve(a.pos[0], &a.pos[1], form, control)) return rc;
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
        HWND form = FindForm(a.pos[0]);
        HWND control = form ? FindControl(form, a.pos[1]) : nullptr;
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
        return Usage("wait-pos FORM CONTROL N [MS]");
    int want = std::atoi(a.pos[2].c_str());
    std::string last = "(no control)";
    bool ok = WaitFor(
        a.timeout,
        [&] {
            HWND form = FindForm(a.pos[0]);
            HWND control = form ? FindControl(form, a.pos[1]) : nullptr;
            int p;
            if (!control || !PositionOf(control, p)) return false;
            last = std::to_string(p);
            return a.atLeast ? p >= want : p == want;
        },
        kFastPollMs);
    if (!ok) return Fail("timeout: " + a.pos[1] + " stands at " + last);
    if (!a.shot.empty() && !SaveScreen(a.shot)) return Fail("cannot save the screen to " + a.shot);
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
            form = FindForm(a.pos[0]);
            control = form ? FindControl(form, a.pos[1]) : nullptr;
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
        HWND form = FindForm(a.pos[0]);
        HWND control = form ? FindControl(form, a.pos[1]) : nullptr;
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

} // namespace

int main(int argc, char** argv) {
    Args a;
    std::string outPath;
    for (int i = 1; i < argc; ++i) {
        std::string s = argv[i];
        if (s == "--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (s == "--timeout" && i + 1 < argc && IsNumber(argv[i + 1])) {
            a.timeout = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
            a.timeoutGiven = true;
        } else if (s == "--shot" && i + 1 < argc) {
            a.shot = argv[++i];
        } else if (s == "--shot-at" && i + 1 < argc && IsNumber(argv[i + 1])) {
            a.shotAt = std::atoi(argv[++i]);
        } else if (s == "--min") {
            a.atLeast = true;
        } else if (s == "--hidden") {
            a.hidden = true;
        } else if (s == "--visible") {
            a.hidden = false;
        } else if (s == "--mouse") {
            a.mouse = true;
        } else if (s == "--force") {
            a.force = true;
        } else if (s == "--window") {
            a.window = true;
        } else if (s == "--input") {
            a.input = true;
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
    int rc;
    const std::string& c = a.command;
    if (c == "dump")
        rc = a.pos.empty() ? CmdDump() : Usage("dump");
    else if (c == "wait-form")
        rc = CmdWaitForm(a);
    else if (c == "wait-msgbox")
        rc = CmdWaitMsgbox(a);
    else if (c == "answer-msgbox")
        rc = CmdAnswerMsgbox(a);
    else if (c == "text")
        rc = CmdText(a);
    else if (c == "pos")
        rc = CmdPos(a);
    else if (c == "checked")
        rc = CmdChecked(a);
    else if (c == "visible")
        rc = CmdFlag(a, true);
    else if (c == "enabled")
        rc = CmdFlag(a, false);
    else if (c == "rect")
        rc = CmdRect(a);
    else if (c == "focus")
        rc = CmdFocus(a);
    else if (c == "state")
        rc = CmdState(a);
    else if (c == "style")
        rc = CmdStyle(a);
    else if (c == "click")
        rc = CmdClick(a);
    else if (c == "key")
        rc = CmdKey(a);
    else if (c == "wait-text")
        rc = CmdWaitText(a);
    else if (c == "wait-pos")
        rc = CmdWaitPos(a);
    else if (c == "watch-pos")
        rc = CmdWatchPos(a);
    else if (c == "wait-visible")
        rc = CmdWaitVisible(a);
    else if (c == "pixel")
        rc = CmdPixel(a);
    else if (c == "screenshot")
        rc = CmdScreenshot(a);
    else if (c == "wait-gone")
        rc = CmdWaitGone(a);
    else
        rc = Usage("driver [--out FILE] [--timeout MS] COMMAND ARGS... (see the source header)");
    if (g_out) std::fclose(g_out);
    return rc;
}
