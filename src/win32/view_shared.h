// What the view's files share: the records the view keeps for each form and control, the
// window classes of its own, and small helpers over windows, controls and colours.
#pragma once

#include <string>
#include <vector>

#include "win32/view.h"

namespace corvid {

constexpr const char* kFormClass = "CorvidForm";
constexpr const char* kPanelClass = "CorvidPanel";
constexpr const char* kGraphicClass = "CorvidGraphic";
constexpr const char* kAppClass = "CorvidApp";

struct View::FormRec {
    Form* form = nullptr;
    HWND hwnd = nullptr;
    bool shownOnce = false;
    bool modalTopmost = false;
    Control* active = nullptr; // the control that has (or last had) the focus
};

struct View::CtlRec {
    Control* ctl = nullptr;
    HWND hwnd = nullptr;
    HFONT font = nullptr;
    bool isDefault = false;
    std::vector<std::string> items;
    int rangeMin = 0, rangeMax = 0, pos = -1;
    int itemHeight = 0;
    // Gauges and labels: what the last full sync gave the window, and whether a repaint is on
    // its way.
    bool synced = false, syncedVisible = false, syncedEnabled = false;
    RECT syncedRect{};
    bool paintPending = false;
};

// A window property holding a number, for test automation to read.
void SetIntProp(HWND hwnd, const char* prop, int value);
std::string WindowText(HWND hwnd);
// Buttons with a picture show it as a glyph beside their text and are drawn by us.
DWORD ButtonType(const Control& c);
// List and combo boxes show their items; their window text is not the model's.
bool HasItems(ControlKind k);
// Gauges and labels paint what the model holds, and their window text is answered from it.
bool PaintedFromModel(ControlKind k);
// What a control's window text is: its position for gauges and progress bars, else its text.
std::string ModelText(const Control& c);
// A solid brush of a colour, made once and kept for the life of the program.
HBRUSH BrushFor(COLORREF c);

} // namespace corvid
