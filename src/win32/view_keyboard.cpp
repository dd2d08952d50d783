// The keyboard as the system's dialogs handle it: the Tab order, the default and cancel
// buttons, mnemonics, and the arrows within a group of radio buttons.
#include <algorithm>
#include <cctype>
#include <functional>

#include "win32/view.h"
#include "win32/view_shared.h"

namespace corvid {

namespace {

bool IsFocusable(ControlKind k) {
    return k == ControlKind::Button || k == ControlKind::Edit || k == ControlKind::CheckBox ||
           k == ControlKind::RadioButton || k == ControlKind::ListBox || k == ControlKind::ComboBox;
}

} // namespace

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
