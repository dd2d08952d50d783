// A small retained model of windows and controls. Program logic reads and writes only this
// model; a view (the real windows in src/win32/) follows every change through FormView and routes
// the user's actions back to the handlers. Nothing here includes system headers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/picture.h"

namespace corvid {

class Form;
class Control;

enum class ControlKind {
    Label,
    Button,
    Edit,
    CheckBox,
    RadioButton,
    Panel,
    Bevel,
    ListBox,
    ProgressBar,
    Gauge,
    Picture,
    ComboBox, // a drop-down list to choose one item from
};

// How a picture control shows its picture.
enum class PictureMode { Normal, Stretch, Center, Tile, AutoSize };

enum class BorderStyle { None, Single, Dialog };
enum class WindowState { Normal, Minimized, Maximized };

// Colours are 0x00BBGGRR.
namespace colors {
constexpr uint32_t Black = 0x000000, White = 0xFFFFFF, Silver = 0xC0C0C0, Navy = 0x800000;
constexpr uint32_t BtnFace = 0xFF00000F;       // the system's dialog face colour
constexpr uint32_t ActiveCaption = 0xFF000002; // the system's active caption colour
constexpr uint32_t WindowText = 0xFF000008;
inline bool IsSystem(uint32_t c) {
    return (c & 0xFF000000) != 0;
}
} // namespace colors

struct Font {
    std::string name = "MS Sans Serif";
    int height = -11; // negative: character height in pixels
    bool bold = false;
    uint32_t color = colors::WindowText;
};

// Virtual key codes the program looks at.
namespace vk {
constexpr int Return = 13, Escape = 27, F3 = 114, F4 = 115;
} // namespace vk

// The part of the view the model talks to. All calls happen after the change was made in the
// model.
class FormView {
public:
    virtual ~FormView() = default;
    virtual void FormChanged(Form& form) = 0;          // caption, bounds, state, visibility
    virtual void ControlChanged(Control& control) = 0; // any property of one control
    virtual void Repaint(Form& form) = 0;              // the form's own painting changed
    virtual void Focus(Control& control) = 0;
    virtual void FocusForm(Form& form) = 0;
};

// Drawing surface handed to a form's paint handler; coordinates are client pixels.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void DrawPicture(const Picture& picture, int x, int y) = 0;
};

class Control {
public:
    Control(Form& form, std::string name, ControlKind kind, Control* parent)
        : form(form), name(std::move(name)), kind(kind), parent(parent) {}

    Form& form;
    const std::string name;
    const ControlKind kind;
    Control* const parent; // a panel, or nullptr for the form itself

    // Geometry relative to the parent's client area.
    int x = 0, y = 0, width = 0, height = 0;
    std::string text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    Font font;
    uint32_t color = colors::BtnFace; // background; ignored when transparent
    bool transparent = false;         // labels: the things beneath show through
    bool wordWrap = false;
    bool alignRight = false;   // labels: the text stands at the right edge
    bool pathEllipsis = false; // labels: a path too long for one line loses middle parts to "..."
    bool alignClient = false;  // always fills its parent's client area
    std::shared_ptr<const Picture> picture;
    PictureMode pictureMode = PictureMode::Normal;
    bool isDefault = false; // Enter presses it
    bool isCancel = false;  // Esc presses it
    int tabOrder = 0;
    int position = 0; // progress bar and gauge
    int minimum = 0, maximum = 100;
    std::vector<std::string> items;     // list and combo boxes
    int itemIndex = -1;                 // the selected item, -1 for none
    int itemHeight = 0;                 // list boxes: pixels per item, 0 for the system's
    int bevelShape = 0;                 // bevels: 0 box, 1 bottom line
    int bevelOuter = 0, bevelInner = 0; // panels' edges: 0 none, 1 raised, 2 lowered

    // Handlers, routed by the view. onKeyDown may set the key to 0 to swallow it.
    std::function<void()> onClick;
    std::function<void(int& key)> onKeyDown;
    std::function<void()> onDblClick; // list boxes: an item double-clicked
    std::function<void()> onChange;   // list and combo boxes: the user chose another item

    // Setters that keep the view in step.
    void SetText(const std::string& t);
    void SetVisible(bool v);
    void SetEnabled(bool e);
    // Changing the state from the program fires onClick, as a user's click would.
    void SetChecked(bool c);
    void SetPosition(int p); // gauges clamp to minimum..maximum
    void SetBounds(int x, int y, int w, int h);
    void SetLeft(int x) { SetBounds(x, y, width, height); }
    void SetPicture(std::shared_ptr<const Picture> p);
    void SetFontColor(uint32_t c);
    void SetItems(std::vector<std::string> list, int selected);
    void SetItemIndex(int i);
    void Focus();

    // What the view calls when the user acted; it does not echo back to the view.
    void UserSetText(const std::string& t) { text = t; }
    void UserClick();
    // The user selected an item (fires onChange) or double-clicked one (fires onDblClick).
    void UserSelect(int i);
    void UserDblClick();

    // Visible on screen: itself, its panels and its form.
    bool Showing() const;

private:
    void Changed();
};

class Form {
public:
    explicit Form(std::string name) : name(std::move(name)) {}
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string name;
    std::string caption;
    int left = 0, top = 0;
    int clientWidth = 0, clientHeight = 0;
    bool visible = false;
    bool position_centered = false; // centred on the screen when first shown
    BorderStyle border = BorderStyle::Dialog;
    bool systemMenu = false;
    bool stayOnTop = false;
    WindowState state = WindowState::Normal;
    uint32_t color = colors::BtnFace;
    Font font;
    bool showIcon = false;    // the program icon on the caption and task bar
    std::string initialFocus; // control that gets the focus whenever the form is shown

    // Controls from back to front.
    std::vector<std::unique_ptr<Control>> controls;

    std::function<void()> onActivate;
    std::function<void(Canvas&)> onPaint;
    std::function<void()> onDestroy;
    // Keys pressed while the form itself (no control) has the focus.
    std::function<void(int& key)> onKeyDown;

    FormView* view = nullptr;
    int modalResult = 0;

    Control& Add(const std::string& controlName, ControlKind kind, int x, int y, int w, int h,
                 Control* parent = nullptr);
    Control* Find(const std::string& controlName);
    Control& operator[](const std::string& controlName); // throws when missing

    void SetCaption(const std::string& c);
    void SetClientSize(int w, int h);
    void SetBounds(int l, int t, int w, int h); // client size
    void SetState(WindowState s);
    void Show();
    void Hide();
    void Repaint();
    void Focus();
    // Ends a modal showing with a result.
    void CloseModal(int result);
};

} // namespace corvid
