// Keeping the windows in step with the model: every change of a form or control reaches its
// window, and the user's clicks reach the model's handlers.
#include <string>

#include "win32/draw.h"
#include "win32/view.h"
#include "win32/view_shared.h"

namespace corvid {

namespace {

void SetWindowTextIfChanged(HWND hwnd, const std::string& text) {
    if (WindowText(hwnd) != text) SetWindowTextA(hwnd, text.c_str());
}

} // namespace

void View::InvalidateArea(const Control& c, const RECT& rect) {
    HWND parent =
        c.parent ? (RecOf(*c.parent) ? RecOf(*c.parent)->hwnd : nullptr) : WindowOf(c.form);
    if (parent) RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void View::Sync(CtlRec& rec) {
    Control& c = *rec.ctl;
    HWND h = rec.hwnd;
    if (!h) return;

    // A gauge moves with every block the installation copies, a label names every file. When
    // nothing but what it paints has changed, one pending repaint covers any number of changes:
    // it paints from the model, and its window text is answered from the model too.
    if (PaintedFromModel(c.kind) && rec.synced && c.visible == rec.syncedVisible &&
        c.enabled == rec.syncedEnabled) {
        RECT want = ControlRect(c);
        if (EqualRect(&want, &rec.syncedRect)) {
            if (!rec.paintPending) {
                rec.paintPending = true;
                InvalidateArea(c, want);
            }
            return;
        }
    }

    bool repaint = false;
    const bool graphic = IsGraphic(c.kind);
    const std::string text = ModelText(c);
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
    if (PaintedFromModel(c.kind)) {
        rec.synced = true;
        rec.syncedVisible = c.visible;
        rec.syncedEnabled = c.enabled;
        rec.syncedRect = want;
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

} // namespace corvid
