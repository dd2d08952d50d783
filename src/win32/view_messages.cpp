// The window procedures of the view's own window classes: forms, panels, graphic controls and
// the application window that owns them.
#include <algorithm>
#include <cstring>

#include "win32/draw.h"
#include "win32/view.h"
#include "win32/view_shared.h"

namespace corvid {

namespace {

constexpr UINT WM_CORVID_ACTIVATE = WM_APP + 1; // the form's activation handler, run later
constexpr UINT WM_CORVID_FORWARD = WM_APP + 2;  // the application window passes on activation

// The close box, Alt+F4 and the system menu's Close: the program closes its windows itself.
bool IsCloseRequest(UINT msg, WPARAM wp) {
    return msg == WM_CLOSE || (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_CLOSE);
}

} // namespace

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
    View* view = current_;
    if (!rec || !view) return DefWindowProcA(hwnd, msg, wp, lp);
    Form& form = *rec->form;
    LRESULT result = 0;
    if (view->ParentMessage(hwnd, msg, wp, lp, result)) return result;
    if (IsCloseRequest(msg, wp)) return 0;
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
    View* view = current_;
    if (IsCloseRequest(msg, wp)) return 0;
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
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK View::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* rec = reinterpret_cast<CtlRec*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    View* view = current_;
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
    View* view = current_;
    if (!rec || !view) return DefWindowProcA(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT; // clicks go to what lies beneath
    case WM_ERASEBKGND:
        return 1;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        if (PaintedFromModel(rec->ctl->kind)) {
            // The text or position as the model has it now, between repaints too.
            const std::string text = ModelText(*rec->ctl);
            if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
            if (wp == 0) return 0;
            const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(wp) - 1);
            std::memcpy(reinterpret_cast<char*>(lp), text.data(), n);
            reinterpret_cast<char*>(lp)[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        break;
    case WM_PAINT:
        view->PaintGraphic(hwnd, *rec);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace corvid
