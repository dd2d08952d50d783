// The view itself: the window classes and the application window it makes, and its look-ups
// between models and windows. Creation, keeping in step, painting, the window procedures and
// the keyboard have files of their own.
#include "win32/view.h"

#include <map>

#include "win32/view_shared.h"

namespace corvid {

View* View::current_ = nullptr;

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

DWORD ButtonType(const Control& c) {
    if (c.picture) return BS_OWNERDRAW;
    return c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

bool HasItems(ControlKind k) {
    return k == ControlKind::ListBox || k == ControlKind::ComboBox;
}

bool PaintedFromModel(ControlKind k) {
    return k == ControlKind::Gauge || k == ControlKind::Label;
}

std::string ModelText(const Control& c) {
    return c.kind == ControlKind::Gauge || c.kind == ControlKind::ProgressBar
               ? std::to_string(c.position)
               : c.text;
}

HBRUSH BrushFor(COLORREF c) {
    static std::map<COLORREF, HBRUSH> cache;
    auto it = cache.find(c);
    if (it != cache.end()) return it->second;
    HBRUSH b = CreateSolidBrush(c);
    cache.emplace(c, b);
    return b;
}

bool IsGraphic(ControlKind k) {
    return k == ControlKind::Label || k == ControlKind::Picture || k == ControlKind::Bevel ||
           k == ControlKind::Gauge;
}

View::View(HINSTANCE instance) : instance_(instance) {
    current_ = this;
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
    current_ = nullptr;
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

} // namespace corvid
