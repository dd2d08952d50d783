// The view's windows made from the model: a top-level window for each form, a child window for
// each control.
#include "win32/view.h"
#include "win32/view_shared.h"

namespace corvid {

namespace {

constexpr int kComboDropHeight = 160; // room for a combo box's dropped-down list

void SetNameProp(HWND hwnd, const std::string& name) {
    ATOM atom = GlobalAddAtomA(name.empty() ? "?" : name.c_str());
    SetPropA(hwnd, "CorvidName", reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)));
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

} // namespace

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

} // namespace corvid
