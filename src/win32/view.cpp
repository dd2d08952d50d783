#include "win32/view.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "win32/draw.h"

namespace corvid {

namespace {

constexpr const char* kFormClass = "CorvidForm";
constexpr const char* kPanelClass = "CorvidPanel";
constexpr const char* kGraphicClass = "CorvidGraphic";
constexpr const char* kAppClass = "CorvidApp";
constexpr UINT WM_CORVID_ACTIVATE = WM_APP + 1; // the form's activation handler, run later
constexpr UINT WM_CORVID_FORWARD = WM_APP + 2;  // the application window passes on activation
constexpr int kComboDropHeight = 160;           // room for a combo box's dropped-down list

View* g_view = nullptr;

void SetNameProp(HWND hwnd, const std::string& name) {
    ATOM atom = GlobalAddAtomA(name.empty() ? "?" : name.c_str());
    SetPropA(hwnd, "CorvidName", reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)));
}

void SetIntProp(HWND hwnd, const char* prop, int value) {
    SetPropA(hwnd, prop, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)));
}

std::string WindowText(HWND hwnd) {
    int n = GetWindowTextLengthA(hwnd);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(hwnd, &s[0], n + 1);
    s.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return s;
}

void SetWindowTextIfChanged(HWND hwnd, const std::string& text) {
    if (WindowText(hwnd) != text) SetWindowTextA(hwnd, text.c_str());
}

// Buttons with a picture show it as a glyph beside their text and are drawn by us.
DWORD ButtonType(const Control& c) {
    if (c.picture) return BS_OWNERDRAW;
    return c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

bool IsFocusable(ControlKind k) {
    return k == ControlKind::Button || k == ControlKind::Edit || k == ControlKind::CheckBox ||
           k == ControlKind::RadioButton || k == ControlKind::ListBox || k == ControlKind::ComboBox;
}

// List and combo boxes show their items; their window text is not the model's.
bool HasItems(ControlKind k) {
    return k == ControlKind::ListBox || k == ControlKind::ComboBox;
}

void FormStyles(const Form& f, DWORD& style, DWORD& ex) {
    style = WS_CLIPCHILDREN;
    ex = WS_EX_CONTROLPARENT;
    switch (f.border) {
    case BorderStyle::Single:
        style |= WS_CAPTION;
        break;
    case BorderStyle::Dialog:
        style |= WS_CAPTION | DS_MODALFRAME;
        ex |= WS_EX_DLGMODALFRAME;
        break;
    case BorderStyle::None:
        style |= WS_POPUP;
        break;
    }
    if (f.systemMenu) style |= WS_SYSMENU;
    if (f.stayOnTop) ex |= WS_EX_TOPMOST;
}

HBRUSH BrushFor(COLORREF c) {
    static std::map<COLORREF, HBRUSH> cache;
    auto it = cache.find(c);
    if (it != cache.end()) return it->second;
    HBRUSH b = CreateSolidBrush(c);
    cache.emplace(c, b);
    return b;
}

bool Intersects(const RECT& a, const RECT& b) {
    RECT r;
    return IntersectRect(&r, &a, &b) != 0;
}

// The canvas a form's paint handler draws on: client coordinates, counting what it draws.
class AreaCanvas : public Canvas {
public:
    AreaCanvas(HDC dc, const RECT& area) : dc_(dc), area_(area) {}
    void DrawPicture(const Picture& picture, int x, int y) override {
        ++count;
        RECT r{x, y, x + picture.width, y + picture.height};
        if (!Intersects(r, area_)) return;
        // Tiles repeat one picture: read its headers once.
        if (last_ != &picture || lastBytes_ != picture.bytes.data() ||
            lastSize_ != picture.bytes.size()) {
            last_ = &picture;
            lastBytes_ = picture.bytes.data();
            lastSize_ = picture.bytes.size();
            if (!dib_.Parse(picture.bytes)) dib_ = Dib();
        }
        DrawDib(dc_, dib_, x, y, picture.width, picture.height);
    }
    int count = 0;

private:
    HDC dc_;
    RECT area_;
    const Picture* last_ = nullptr;
    const uint8_t* lastBytes_ = nullptr;
    size_t lastSize_ = 0;
    Dib dib_;
};

} // namespace

bool IsGraphic(ControlKind k) {
    return k == ControlKind::Label || k == ControlKind::Picture || k == ControlKind::Bevel ||
           k == ControlKind::Gauge;
}

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
    // Gauges: what the last full sync gave the window, and whether a repaint is on its way.
    bool gaugeSynced = false, gaugeVisible = false, gaugeEnabled = false;
    RECT gaugeRect{};
    bool paintPending = false;
};

View::View(HINSTANCE instance) : instance_(instance) {
    g_view = this;
    icon_ = LoadIconA(instance, MAKEINTRESOURCEA(1));
    if (!icon_) icon_ = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpfnWndProc = FormProc;
    wc.lpszClassName = kFormClass;
    wc.hIcon = icon_;
    wc.hIconSm = icon_;
    RegisterClassExA(&wc);
    wc.hIcon = wc.hIconSm = nullptr;
    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = kPanelClass;
    RegisterClassExA(&wc);
    wc.lpfnWndProc = GraphicProc;
    wc.lpszClassName = kGraphicClass;
    RegisterClassExA(&wc);
    wc.lpfnWndProc = AppProc;
    wc.lpszClassName = kAppClass;
    wc.hIcon = wc.hIconSm = icon_;
    RegisterClassExA(&wc);

    // The application's own window: it owns every form, so that the task bar shows the one
    // entry "Setup" for the whole program. It has no size and shows nothing itself.
    app_ = CreateWindowExA(0, kAppClass, "Setup", WS_POPUP | WS_CLIPSIBLINGS,
                           GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0,
                           0, nullptr, nullptr, instance, nullptr);
    if (app_) {
        SendMessageA(app_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(app_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    }
}

View::~View() {
    // The models may be gone already (they are not touched here): let no late message reach
    // them.
    for (auto& f : forms_)
        if (IsWindow(f->hwnd)) SetWindowLongPtrA(f->hwnd, GWLP_USERDATA, 0);
    for (auto& c : controls_)
        if (IsWindow(c.second->hwnd)) SetWindowLongPtrA(c.second->hwnd, GWLP_USERDATA, 0);
    forms_.clear();
    controls_.clear();
    byWindow_.clear();
    g_view = nullptr;
}

// ---------------------------------------------------------------- look-ups

View::FormRec* View::RecOf(const Form& form) const {
    for (auto& f : forms_)
        if (f->form == &form) return f.get();
    return nullptr;
}

View::CtlRec* View::RecOf(const Control& control) const {
    auto it = controls_.find(&control);
    return it == controls_.end() ? nullptr : it->second.get();
}

View::CtlRec* View::RecOfWindow(HWND hwnd) const {
    auto it = byWindow_.find(hwnd);
    return it == byWindow_.end() ? nullptr : it->second;
}

HWND View::WindowOf(const Form& form) const {
    FormRec* r = RecOf(form);
    return r ? r->hwnd : nullptr;
}

Form* View::FormOfWindow(HWND hwnd) const {
    if (!hwnd) return nullptr;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    for (auto& f : forms_)
        if (f->hwnd == root || f->hwnd == hwnd) return f->form;
    return nullptr;
}

HWND View::MessageBoxOwner() const {
    HWND active = GetActiveWindow();
    if (active && FormOfWindow(active) && IsWindowVisible(active)) return active;
    // Otherwise a visible form of ours, stay-on-top ones first so the box is not beneath them.
    for (int pass = 0; pass < 2; ++pass)
        for (auto& f : forms_)
            if (IsWindowVisible(f->hwnd) && IsWindowEnabled(f->hwnd) &&
                (pass == 1 || f->form->stayOnTop))
                return f->hwnd;
    return nullptr;
}

std::vector<HWND> View::EnabledTopLevels(HWND except) const {
    std::vector<HWND> list;
    for (auto& f : forms_)
        if (f->hwnd != except && IsWindowVisible(f->hwnd) && IsWindowEnabled(f->hwnd))
            list.push_back(f->hwnd);
    return list;
}

bool View::AnyOtherTopmostVisible(HWND except) const {
    for (auto& f : forms_)
        if (f->hwnd != except && IsWindowVisible(f->hwnd) &&
            (GetWindowLongA(f->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
            return true;
    return false;
}

void View::SetModalTopmost(Form& form, bool on) {
    FormRec* r = RecOf(form);
    if (!r) return;
    r->modalTopmost = on;
    FormChanged(form);
}

// ---------------------------------------------------------------- creation

void View::Attach(Form& form) {
    if (RecOf(form)) return;
    auto rec = std::make_unique<FormRec>();
    rec->form = &form;
    DWORD style, ex;
    FormStyles(form, style, ex);
    RECT r{0, 0, form.clientWidth, form.clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, ex);
    HWND h = CreateWindowExA(ex, kFormClass, form.caption.c_str(), style, form.left, form.top,
                             r.right - r.left, r.bottom - r.top, app_, nullptr, instance_, nullptr);
    if (!h) return;
    rec->hwnd = h;
    SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(rec.get()));
    SetNameProp(h, form.name);
    if (form.showIcon) {
        SendMessageA(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    }
    forms_.push_back(std::move(rec));
    form.view = this;
    CreateMissing(form);
    FormChanged(form);
}

HWND View::ParentWindow(const Control& control) {
    if (control.parent) {
        CtlRec* p = RecOf(*control.parent);
        if (!p) p = &Create(*control.parent);
        return p->hwnd;
    }
    return WindowOf(control.form);
}

RECT View::ControlRect(const Control& c) const {
    if (c.alignClient) {
        HWND parent = nullptr;
        if (c.parent) {
            if (CtlRec* p = RecOf(*c.parent)) parent = p->hwnd;
        } else {
            parent = WindowOf(c.form);
        }
        RECT r{0, 0, 0, 0};
        if (parent) GetClientRect(parent, &r);
        return r;
    }
    // A combo box's window holds its dropped-down list as well.
    const int drop = c.kind == ControlKind::ComboBox ? kComboDropHeight : 0;
    return RECT{c.x, c.y, c.x + c.width, c.y + c.height + drop};
}

View::CtlRec& View::Create(Control& c) {
    if (CtlRec* existing = RecOf(c)) return *existing;
    HWND parent = ParentWindow(c);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, ex = 0;
    const char* cls = kGraphicClass;
    switch (c.kind) {
    case ControlKind::Button:
        cls = "BUTTON";
        style |= WS_TABSTOP | ButtonType(c);
        break;
    case ControlKind::Edit:
        cls = "EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        ex |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::CheckBox:
        cls = "BUTTON";
        style |= WS_TABSTOP | BS_CHECKBOX;
        break;
    case ControlKind::RadioButton:
        cls = "BUTTON";
        style |= WS_TABSTOP | BS_RADIOBUTTON;
        break;
    case ControlKind::Panel:
        cls = kPanelClass;
        style |= WS_CLIPCHILDREN;
        ex |= WS_EX_CONTROLPARENT;
        break;
    case ControlKind::ListBox:
        cls = "LISTBOX";
        style |= WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
        ex |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ComboBox:
        cls = "COMBOBOX";
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        break;
    case ControlKind::ProgressBar:
        cls = PROGRESS_CLASSA;
        break;
    default:
        break;
    }
    static int nextId = 100;
    RECT r = ControlRect(c);
    HWND h = CreateWindowExA(ex, cls, "", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)),
                             instance_, nullptr);
    auto rec = std::make_unique<CtlRec>();
    rec->ctl = &c;
    rec->hwnd = h;
    rec->isDefault = c.isDefault;
    CtlRec& ref = *rec;
    controls_[&c] = std::move(rec);
    if (!h) return ref;
    byWindow_[h] = &ref;
    SetNameProp(h, c.name);
    if (c.kind == ControlKind::Panel || IsGraphic(c.kind))
        SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ref));
    Sync(ref);
    return ref;
}

void View::CreateMissing(Form& form) {
    if (!RecOf(form)) return;
    bool created = false;
    for (auto& c : form.controls)
        if (!RecOf(*c)) {
            Create(*c);
            created = true;
        }
    if (!created) return;
    // Graphic controls lie beneath the windowed ones, as their painting order says; among
    // each sort, later controls lie above earlier ones.
    for (int pass = 0; pass < 2; ++pass)
        for (auto& c : form.controls)
            if (IsGraphic(c->kind) == (pass == 0))
                if (CtlRec* r = RecOf(*c))
                    SetWindowPos(r->hwnd, HWND_TOP, 0, 0, 0, 0,
                                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- keeping in step

void View::InvalidateArea(const Control& c, const RECT& rect) {
    HWND parent =
        c.parent ? (RecOf(*c.parent) ? RecOf(*c.parent)->hwnd : nullptr) : WindowOf(c.form);
    if (parent) RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void View::Sync(CtlRec& rec) {
    Control& c = *rec.ctl;
    HWND h = rec.hwnd;
    if (!h) return;

    // A gauge moves with every block the installation copies. When nothing but what it paints
    // has changed, one pending repaint covers any number of moves: it paints from the model,
    // and its window text is answered from the model too.
    if (c.kind == ControlKind::Gauge && rec.gaugeSynced && c.visible == rec.gaugeVisible &&
        c.enabled == rec.gaugeEnabled) {
        RECT want = ControlRect(c);
        if (EqualRect(&want, &rec.gaugeRect)) {
            if (!rec.paintPending) {
                rec.paintPending = true;
                InvalidateArea(c, want);
            }
            return;
        }
    }

    bool repaint = false;
    const bool graphic = IsGraphic(c.kind);
    std::string text = c.kind == ControlKind::Gauge || c.kind == ControlKind::ProgressBar
                           ? std::to_string(c.position)
                           : c.text;
    if (!HasItems(c.kind) && WindowText(h) != text) {
        SetWindowTextA(h, text.c_str());
        repaint = true;
    }

    RECT want = ControlRect(c), have;
    GetWindowRect(h, &have);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&have), 2);
    if (!EqualRect(&want, &have)) {
        if (graphic) InvalidateArea(c, have);
        SetWindowPos(h, nullptr, want.left, want.top, want.right - want.left,
                     want.bottom - want.top, SWP_NOZORDER | SWP_NOACTIVATE);
        repaint = true;
    }

    const bool shown = (GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != c.visible) {
        ShowWindow(h, c.visible ? SW_SHOWNA : SW_HIDE);
        if (graphic) InvalidateArea(c, want);
    }
    if ((IsWindowEnabled(h) != FALSE) != c.enabled) {
        EnableWindow(h, c.enabled);
        repaint = true;
    }

    if (!graphic && c.kind != ControlKind::Panel) {
        HFONT f = FontFor(c.font);
        if (rec.font != f) {
            rec.font = f;
            SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
        }
    }

    switch (c.kind) {
    case ControlKind::Button: {
        const DWORD type = ButtonType(c);
        if ((static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)) & BS_TYPEMASK) != type)
            SendMessageA(h, BM_SETSTYLE, type, TRUE);
        if (type == BS_OWNERDRAW) InvalidateRect(h, nullptr, FALSE); // glyph or text changed
        break;
    }
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        WPARAM state = c.checked ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageA(h, BM_GETCHECK, 0, 0)) != state)
            SendMessageA(h, BM_SETCHECK, state, 0);
        InvalidateRect(h, nullptr, TRUE); // colours may have changed
        break;
    }
    case ControlKind::ListBox: {
        if (c.itemHeight > 0 && rec.itemHeight != c.itemHeight) {
            rec.itemHeight = c.itemHeight;
            SendMessageA(h, LB_SETITEMHEIGHT, 0, MAKELPARAM(c.itemHeight, 0));
        }
        if (rec.items != c.items) {
            rec.items = c.items;
            SendMessageA(h, WM_SETREDRAW, FALSE, 0);
            SendMessageA(h, LB_RESETCONTENT, 0, 0);
            for (auto& item : c.items)
                SendMessageA(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            SendMessageA(h, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(h, nullptr, TRUE);
        }
        if (static_cast<int>(SendMessageA(h, LB_GETCURSEL, 0, 0)) != c.itemIndex)
            SendMessageA(h, LB_SETCURSEL, static_cast<WPARAM>(c.itemIndex), 0);
        break;
    }
    case ControlKind::ComboBox:
        if (rec.items != c.items) {
            rec.items = c.items;
            SendMessageA(h, CB_RESETCONTENT, 0, 0);
            for (auto& item : c.items)
                SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
        if (static_cast<int>(SendMessageA(h, CB_GETCURSEL, 0, 0)) != c.itemIndex)
            SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(c.itemIndex), 0);
        break;
    case ControlKind::ProgressBar:
        if (rec.rangeMin != c.minimum || rec.rangeMax != c.maximum) {
            rec.rangeMin = c.minimum;
            rec.rangeMax = c.maximum;
            SendMessageA(h, PBM_SETRANGE32, static_cast<WPARAM>(c.minimum), c.maximum);
            rec.pos = -1;
        }
        if (rec.pos != c.position) {
            rec.pos = c.position;
            SendMessageA(h, PBM_SETPOS, static_cast<WPARAM>(c.position), 0);
        }
        break;
    case ControlKind::Picture:
        SetIntProp(h, "CorvidPicW", c.picture ? c.picture->width : 0);
        SetIntProp(h, "CorvidPicH", c.picture ? c.picture->height : 0);
        SetIntProp(h, "CorvidPicMode", static_cast<int>(c.pictureMode) + 1);
        repaint = true; // the picture itself may be new
        break;
    case ControlKind::Panel:
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        break;
    default:
        break;
    }

    if (graphic && (repaint || c.kind == ControlKind::Label || c.kind == ControlKind::Gauge ||
                    c.kind == ControlKind::Bevel))
        InvalidateArea(c, want);
    if (c.kind == ControlKind::Gauge) {
        rec.gaugeSynced = true;
        rec.gaugeVisible = c.visible;
        rec.gaugeEnabled = c.enabled;
        rec.gaugeRect = want;
        rec.paintPending = true;
    }
}

void View::FormChanged(Form& form) {
    FormRec* rec = RecOf(form);
    if (!rec) return;
    HWND h = rec->hwnd;
    CreateMissing(form);
    SetWindowTextIfChanged(h, form.caption);

    const bool topmost = form.stayOnTop || rec->modalTopmost;
    if (topmost != ((GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0))
        SetWindowPos(h, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // Bounds: the model holds the window's position and its client size.
    DWORD style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
    DWORD ex = static_cast<DWORD>(GetWindowLongA(h, GWL_EXSTYLE));
    RECT r{0, 0, form.clientWidth, form.clientHeight};
    AdjustWindowRectEx(&r, style & ~(WS_MAXIMIZE | WS_MINIMIZE | WS_VISIBLE), FALSE, ex);
    const int w = r.right - r.left, ht = r.bottom - r.top;
    if (form.position_centered && !rec->shownOnce) {
        form.left = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        form.top = (GetSystemMetrics(SM_CYSCREEN) - ht) / 2;
    }
    // A maximized or minimized window keeps the place the system gave it; the model's bounds
    // apply in the normal state.
    auto applyBounds = [&] {
        if (IsZoomed(h) || IsIconic(h)) return;
        RECT have;
        GetWindowRect(h, &have);
        RECT want{form.left, form.top, form.left + w, form.top + ht};
        if (!EqualRect(&have, &want))
            SetWindowPos(h, nullptr, want.left, want.top, w, ht, SWP_NOZORDER | SWP_NOACTIVATE);
    };

    if (form.visible && !IsWindowVisible(h)) {
        applyBounds();
        ShowForm(*rec);
    } else if (!form.visible && IsWindowVisible(h)) {
        ShowWindow(h, SW_HIDE);
        applyBounds();
    } else {
        if (form.visible) {
            if (form.state == WindowState::Maximized && !IsZoomed(h))
                ShowWindow(h, SW_MAXIMIZE);
            else if (form.state == WindowState::Minimized && !IsIconic(h))
                ShowWindow(h, SW_MINIMIZE);
            else if (form.state == WindowState::Normal && (IsZoomed(h) || IsIconic(h)))
                ShowWindow(h, SW_RESTORE);
        }
        applyBounds();
    }

    // Wakes a modal loop waiting for its result.
    if (form.modalResult != 0) PostMessageA(h, WM_NULL, 0, 0);
}

void View::ShowForm(FormRec& rec) {
    Form& f = *rec.form;
    rec.shownOnce = true;
    if (!f.initialFocus.empty())
        if (Control* c = f.Find(f.initialFocus)) rec.active = c;
    if (app_ && !IsWindowVisible(app_)) ShowWindow(app_, SW_SHOWNA); // the task bar entry
    int cmd = f.state == WindowState::Maximized   ? SW_SHOWMAXIMIZED
              : f.state == WindowState::Minimized ? SW_SHOWMINIMIZED
                                                  : SW_SHOWNORMAL;
    ShowWindow(rec.hwnd, cmd);
    if (GetActiveWindow() == rec.hwnd) RestoreFocus(rec);
    UpdateWindow(rec.hwnd);
}

void View::ControlChanged(Control& control) {
    if (!RecOf(control.form)) return;
    CtlRec* rec = RecOf(control);
    if (!rec) {
        CreateMissing(control.form);
        return; // creation synchronised it
    }
    Sync(*rec);
}

void View::Repaint(Form& form) {
    if (HWND h = WindowOf(form))
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void View::Focus(Control& control) {
    FormRec* fr = RecOf(control.form);
    CtlRec* rec = RecOf(control);
    if (!fr || !rec || !rec->hwnd) return;
    fr->active = &control;
    if (IsWindowVisible(fr->hwnd) && IsWindowEnabled(fr->hwnd) && control.Showing() &&
        control.enabled)
        SetFocus(rec->hwnd);
}

void View::FocusForm(Form& form) {
    FormRec* fr = RecOf(form);
    if (!fr || !IsWindowVisible(fr->hwnd)) return;
    SetForegroundWindow(fr->hwnd);
    if (GetActiveWindow() != fr->hwnd) SetActiveWindow(fr->hwnd);
}

void View::RestoreFocus(FormRec& rec) {
    Control* c = rec.active;
    if (!c || !c->Showing() || !c->enabled || !RecOf(*c)) {
        auto order = TabOrder(*rec.form);
        c = order.empty() ? nullptr : order.front();
    }
    if (c)
        SetFocus(RecOf(*c)->hwnd);
    else
        SetFocus(rec.hwnd);
}

void View::SyncChecks(Form& form) {
    for (auto& c : form.controls)
        if (c->kind == ControlKind::CheckBox || c->kind == ControlKind::RadioButton)
            if (CtlRec* r = RecOf(*c)) Sync(*r);
}

void View::Click(Control& c) {
    if (!c.enabled || !c.Showing()) return;
    Guard([&] { c.UserClick(); });
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) SyncChecks(c.form);
}

void View::SetHourglass(bool on) {
    hourglass_ = on;
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(on ? IDC_WAIT : IDC_ARROW)));
}

void View::Guard(const std::function<void()>& handler) {
    std::string message;
    try {
        handler();
        return;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    if (!message.empty() && std::string(".!?").find(message.back()) == std::string::npos)
        message += '.';
    MessageBoxA(MessageBoxOwner(), message.c_str(), "Setup", MB_OK | MB_ICONSTOP);
}

// ---------------------------------------------------------------- painting

void View::PaintArea(HDC dc, Form& form, Control* parent, const RECT& area) {
    SaveDC(dc);
    SetViewportOrgEx(dc, -area.left, -area.top, nullptr);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    HBRUSH bg = BrushFor(ToColorRef(parent ? parent->color : form.color));
    FillRect(dc, &area, bg);
    if (!parent && form.onPaint) {
        AreaCanvas canvas(dc, area);
        try {
            form.onPaint(canvas);
        } catch (...) {
            // A picture that cannot be drawn leaves the window colour; no box from a paint.
        }
        if (HWND h = WindowOf(form)) SetIntProp(h, "CorvidTiles", canvas.count);
    }
    for (auto& c : form.controls) {
        if (c->parent != parent || !IsGraphic(c->kind) || !c->visible) continue;
        RECT r = ControlRect(*c);
        if (Intersects(r, area)) DrawGraphicControl(dc, *c, r);
    }
    RestoreDC(dc, -1);
}

void View::PaintWindow(HWND hwnd, Form& form, Control* parent) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT area = ps.rcPaint;
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w > 0 && h > 0) {
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ old = SelectObject(mem, bmp);
        PaintArea(mem, form, parent, area);
        if (parent && (parent->bevelOuter || parent->bevelInner)) {
            RECT edge;
            GetClientRect(hwnd, &edge);
            OffsetRect(&edge, -area.left, -area.top);
            const UINT outer = parent->bevelOuter == 1   ? BDR_RAISEDOUTER
                               : parent->bevelOuter == 2 ? BDR_SUNKENOUTER
                                                         : 0;
            const UINT inner = parent->bevelInner == 1   ? BDR_RAISEDINNER
                               : parent->bevelInner == 2 ? BDR_SUNKENINNER
                                                         : 0;
            DrawEdge(mem, &edge, outer | inner, BF_RECT);
        }
        BitBlt(dc, area.left, area.top, w, h, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
    }
    EndPaint(hwnd, &ps);
}

void View::LayoutAligned(HWND parentHwnd, Form& form, Control* parent) {
    RECT client;
    GetClientRect(parentHwnd, &client);
    for (auto& c : form.controls)
        if (c->parent == parent && c->alignClient)
            if (CtlRec* r = RecOf(*c))
                SetWindowPos(r->hwnd, nullptr, 0, 0, client.right, client.bottom,
                             SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- window procedures

bool View::ParentMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND: {
        CtlRec* r = RecOfWindow(reinterpret_cast<HWND>(lp));
        if (!r) return false;
        Control& c = *r->ctl;
        const int code = HIWORD(wp);
        if (code == BN_CLICKED &&
            (c.kind == ControlKind::Button || c.kind == ControlKind::CheckBox ||
             c.kind == ControlKind::RadioButton))
            Click(c);
        else if (code == EN_CHANGE && c.kind == ControlKind::Edit)
            c.UserSetText(WindowText(r->hwnd));
        else if ((code == LBN_SELCHANGE && c.kind == ControlKind::ListBox) ||
                 (code == CBN_SELCHANGE && c.kind == ControlKind::ComboBox)) {
            const UINT get = c.kind == ControlKind::ListBox ? LB_GETCURSEL : CB_GETCURSEL;
            const int i = static_cast<int>(SendMessageA(r->hwnd, get, 0, 0));
            Guard([&] { c.UserSelect(i); });
        } else if (code == LBN_DBLCLK && c.kind == ControlKind::ListBox) {
            Guard([&] { c.UserDblClick(); });
        }
        result = 0;
        return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        CtlRec* r = RecOfWindow(reinterpret_cast<HWND>(lp));
        if (!r) return false;
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, ToColorRef(r->ctl->font.color));
        SetBkColor(dc, ToColorRef(r->ctl->color));
        result = reinterpret_cast<LRESULT>(BrushFor(ToColorRef(r->ctl->color)));
        return true;
    }
    case WM_DRAWITEM: {
        auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        CtlRec* r = RecOfWindow(di->hwndItem);
        if (!r || di->CtlType != ODT_BUTTON) return false;
        DrawGlyphButton(di->hDC, *r->ctl, di->rcItem, (di->itemState & ODS_SELECTED) != 0,
                        (di->itemState & ODS_FOCUS) != 0);
        result = TRUE;
        return true;
    }
    case WM_SETCURSOR:
        if (hourglass_) {
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
            result = TRUE;
            return true;
        }
        return false;
    default:
        return false;
    }
}

LRESULT CALLBACK View::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* rec = reinterpret_cast<FormRec*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    View* view = g_view;
    if (!rec || !view) return DefWindowProcA(hwnd, msg, wp, lp);
    Form& form = *rec->form;
    LRESULT result = 0;
    if (view->ParentMessage(hwnd, msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_PAINT:
        view->PaintWindow(hwnd, form, nullptr);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        view->LayoutAligned(hwnd, form, nullptr);
        break;
    case WM_MOVE:
        // A window the user dragged stays where it was put.
        if (!IsZoomed(hwnd) && !IsIconic(hwnd) && IsWindowVisible(hwnd)) {
            RECT r;
            GetWindowRect(hwnd, &r);
            form.left = r.left;
            form.top = r.top;
        }
        break;
    case WM_CLOSE:
        return 0; // the program closes its windows itself
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) return 0;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            if (CtlRec* c = view->RecOfWindow(GetFocus()))
                if (&c->ctl->form == &form) rec->active = c->ctl;
        } else {
            view->lastActive_ = rec;
            if (!HIWORD(wp)) view->RestoreFocus(*rec);
            PostMessageA(hwnd, WM_CORVID_ACTIVATE, 0, 0);
        }
        return 0;
    case WM_SETFOCUS:
        if (rec->active && rec->active->Showing() && rec->active->enabled)
            if (CtlRec* c = view->RecOf(*rec->active)) SetFocus(c->hwnd);
        return 0;
    case WM_CORVID_ACTIVATE:
        if (form.onActivate) view->Guard(form.onActivate);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK View::AppProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    View* view = g_view;
    switch (msg) {
    case WM_ACTIVATE:
        // Chosen on the task bar: the form that was active last takes over.
        if (LOWORD(wp) != WA_INACTIVE) PostMessageA(hwnd, WM_CORVID_FORWARD, 0, 0);
        return 0;
    case WM_CORVID_FORWARD:
        if (view && GetActiveWindow() == hwnd) {
            HWND target = nullptr;
            if (view->lastActive_ && IsWindowVisible(view->lastActive_->hwnd) &&
                IsWindowEnabled(view->lastActive_->hwnd))
                target = view->lastActive_->hwnd;
            else
                target = view->MessageBoxOwner();
            if (target) SetActiveWindow(target);
        }
        return 0;
    case WM_CLOSE:
        return 0; // the program closes its windows itself
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK View::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* rec = reinterpret_cast<CtlRec*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    View* view = g_view;
    if (!rec || !view) return DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT result = 0;
    if (view->ParentMessage(hwnd, msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_PAINT:
        view->PaintWindow(hwnd, rec->ctl->form, rec->ctl);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        view->LayoutAligned(hwnd, rec->ctl->form, rec->ctl);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK View::GraphicProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* rec = reinterpret_cast<CtlRec*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    View* view = g_view;
    if (!rec || !view) return DefWindowProcA(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT; // clicks go to what lies beneath
    case WM_ERASEBKGND:
        return 1;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        if (rec->ctl->kind == ControlKind::Gauge) {
            // The position as the model has it now, between repaints too.
            const std::string text = std::to_string(rec->ctl->position);
            if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
            if (wp == 0) return 0;
            const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(wp) - 1);
            std::memcpy(reinterpret_cast<char*>(lp), text.data(), n);
            reinterpret_cast<char*>(lp)[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        break;
    case WM_PAINT: {
        rec->paintPending = false;
        // The composite of the parent for this window's rectangle, so that transparent labels
        // show the pictures and painting beneath them.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT area = ps.rcPaint;
        const int w = area.right - area.left, h = area.bottom - area.top;
        if (w > 0 && h > 0) {
            RECT mine;
            GetWindowRect(hwnd, &mine);
            MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&mine), 2);
            RECT inParent = area;
            OffsetRect(&inParent, mine.left, mine.top);
            HDC mem = CreateCompatibleDC(dc);
            HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
            HGDIOBJ old = SelectObject(mem, bmp);
            view->PaintArea(mem, rec->ctl->form, rec->ctl->parent, inParent);
            BitBlt(dc, area.left, area.top, w, h, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteObject(bmp);
            DeleteDC(mem);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// ---------------------------------------------------------------- keyboard

std::vector<Control*> View::TabOrder(Form& form) {
    std::vector<Control*> order;
    std::function<void(Control*)> walk = [&](Control* parent) {
        std::vector<Control*> children;
        for (auto& c : form.controls)
            if (c->parent == parent) children.push_back(c.get());
        std::stable_sort(children.begin(), children.end(),
                         [](Control* a, Control* b) { return a->tabOrder < b->tabOrder; });
        for (Control* c : children) {
            if (!c->visible || !c->enabled) continue;
            if (c->kind == ControlKind::Panel) {
                walk(c);
            } else if (IsFocusable(c->kind) && RecOf(*c)) {
                if (c->kind == ControlKind::RadioButton) {
                    // Only the checked radio button of a group is a tab stop; the first one
                    // when none is checked.
                    bool anyChecked = false;
                    Control* firstRadio = nullptr;
                    for (Control* o : children)
                        if (o->kind == ControlKind::RadioButton && o->visible && o->enabled) {
                            if (!firstRadio) firstRadio = o;
                            if (o->checked) anyChecked = true;
                        }
                    if (anyChecked ? !c->checked : c != firstRadio) continue;
                }
                order.push_back(c);
            }
        }
    };
    walk(nullptr);
    return order;
}

bool View::MoveFocus(Form& form, bool backwards) {
    auto order = TabOrder(form);
    if (order.empty()) return false;
    CtlRec* focused = RecOfWindow(GetFocus());
    int n = static_cast<int>(order.size()), at = -1;
    for (int i = 0; i < n; ++i)
        if (focused && order[static_cast<size_t>(i)] == focused->ctl) at = i;
    int next = at < 0 ? (backwards ? n - 1 : 0) : (at + (backwards ? n - 1 : 1)) % n;
    Control* c = order[static_cast<size_t>(next)];
    HWND h = RecOf(*c)->hwnd;
    SetFocus(h);
    if (c->kind == ControlKind::Edit) SendMessageA(h, EM_SETSEL, 0, -1);
    if (FormRec* fr = RecOf(form)) fr->active = c;
    return true;
}

bool View::Mnemonic(Form& form, char letter) {
    const int want = std::toupper(static_cast<unsigned char>(letter));
    for (auto& c : form.controls) {
        if (c->kind != ControlKind::Button && c->kind != ControlKind::CheckBox &&
            c->kind != ControlKind::RadioButton)
            continue;
        if (!c->Showing() || !c->enabled) continue;
        const std::string& t = c->text;
        for (size_t i = 0; i + 1 < t.size(); ++i) {
            if (t[i] != '&') continue;
            if (t[i + 1] == '&') {
                ++i;
                continue;
            }
            if (std::toupper(static_cast<unsigned char>(t[i + 1])) == want) {
                if (CtlRec* r = RecOf(*c)) SetFocus(r->hwnd);
                Click(*c);
                return true;
            }
            break;
        }
    }
    return false;
}

bool View::PreTranslate(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    Form* form = FormOfWindow(msg.hwnd);
    if (!form) return false;
    // The control the key was sent to (the focus when it was queued); the form itself when
    // the form or a panel had the focus.
    Control* ctl = nullptr;
    for (HWND h = msg.hwnd; h && !ctl; h = GetParent(h)) {
        CtlRec* r = RecOfWindow(h);
        if (!r) {
            if (FormOfWindow(h) == form && GetAncestor(h, GA_ROOT) == h) break;
            continue;
        }
        if (r->ctl->kind == ControlKind::Panel) break;
        if (&r->ctl->form == form) ctl = r->ctl;
    }
    const bool alt = msg.message == WM_SYSKEYDOWN;

    int key = static_cast<int>(msg.wParam);
    if (ctl) {
        if (ctl->onKeyDown) Guard([&] { ctl->onKeyDown(key); });
    } else if (form->onKeyDown) {
        Guard([&] { form->onKeyDown(key); });
    }
    if (key == 0) return true;

    auto findButton = [&](bool cancel) -> Control* {
        for (auto& c : form->controls)
            if (c->kind == ControlKind::Button && (cancel ? c->isCancel : c->isDefault) &&
                c->Showing() && c->enabled)
                return c.get();
        return nullptr;
    };
    switch (key) {
    case VK_RETURN:
        if (alt) break;
        if (ctl && ctl->kind == ControlKind::Button) {
            Click(*ctl);
            return true;
        }
        if (Control* b = findButton(false)) {
            Click(*b);
            return true;
        }
        break;
    case VK_ESCAPE:
        if (Control* b = findButton(true)) {
            Click(*b);
            return true;
        }
        break;
    case VK_TAB:
        if (alt || GetKeyState(VK_CONTROL) < 0) break;
        MoveFocus(*form, GetKeyState(VK_SHIFT) < 0);
        return true;
    case VK_F4:
        if (alt) return true; // never closes a window by itself
        break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        // Arrows move the choice within a group of radio buttons, as in the system's dialogs.
        if (!alt && ctl && ctl->kind == ControlKind::RadioButton) {
            std::vector<Control*> group;
            for (auto& c : form->controls)
                if (c->kind == ControlKind::RadioButton && c->parent == ctl->parent &&
                    c->Showing() && c->enabled && RecOf(*c))
                    group.push_back(c.get());
            auto it = std::find(group.begin(), group.end(), ctl);
            if (group.size() < 2 || it == group.end()) return true;
            size_t at = static_cast<size_t>(it - group.begin()), n = group.size();
            const bool back = key == VK_LEFT || key == VK_UP;
            Control* next = group[back ? (at + n - 1) % n : (at + 1) % n];
            SetFocus(RecOf(*next)->hwnd);
            if (FormRec* fr = RecOf(*form)) fr->active = next;
            Click(*next);
            return true;
        }
        break;
    default:
        if (((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) &&
            GetKeyState(VK_CONTROL) >= 0 &&
            (alt || (ctl && ctl->kind != ControlKind::Edit && !HasItems(ctl->kind))))
            if (Mnemonic(*form, static_cast<char>(key))) return true;
        break;
    }
    return false;
}

} // namespace corvid
