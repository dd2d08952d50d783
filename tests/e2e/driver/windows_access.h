// Finding and reading the setup's windows from another process in the same Wine session. Forms
// and controls carry their model name in the window property "CorvidName" (a global atom).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// What forms, controls and message boxes have in common.
struct WindowInfo {
    HWND hwnd = nullptr;
    std::string name; // "CorvidName", empty when the window has none (message boxes, say)
    std::string cls;
    bool visible = false, enabled = false;
};

struct ControlInfo : WindowInfo {
    int id = 0;
    int checked = -1; // -1: not a check box or radio button
    RECT rect{};      // relative to the form's client area
    std::string text;
    int picW = 0, picH = 0, picMode = 0;
};

struct FormInfo : WindowInfo {
    std::string caption;
    POINT clientOrigin{}; // screen position of the client area's top-left corner
    SIZE clientSize{};
    RECT windowRect{}; // screen
    int tiles = 0;     // "CorvidTiles" of the form's last paint
    std::vector<ControlInfo> controls;
};

// All top-level windows of class "CorvidForm" (visible or hidden).
std::vector<HWND> CorvidForms();
// All visible top-level message boxes: dialogs of class "#32770" with a static text id 0xFFFF.
std::vector<HWND> MessageBoxes();

std::string CorvidName(HWND hwnd);
std::string ClassOf(HWND hwnd);
// Window text read with WM_GETTEXT (works across processes and for edit fields); false when the
// window did not answer in time.
bool TextOf(HWND hwnd, std::string& text);

// The form named `name`; a visible one is preferred when several match. nullptr when none.
HWND FindForm(const std::string& name);
// A control of `form` (at any depth) named `name`; nullptr when none.
HWND FindControl(HWND form, const std::string& name);

FormInfo ReadForm(HWND form, bool withControls);
ControlInfo ReadControl(HWND form, HWND control);
// Message box caption and message text.
bool ReadMessageBox(HWND box, std::string& caption, std::string& text);

// Gauge or progress bar position: the decimal window text, or PBM_GETPOS for a progress bar
// without one. false when neither gives a number.
bool PositionOf(HWND control, int& pos);

// Tab, carriage return and line feed become \t, \r and \n so that every value fits on one line.
std::string Escape(const std::string& s);

} // namespace driver
