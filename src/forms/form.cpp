#include "forms/form.h"

#include <stdexcept>

namespace corvid {

void Control::Changed() {
    if (form.view) form.view->ControlChanged(*this);
}

void Control::SetText(const std::string& t) {
    if (text == t) return;
    text = t;
    Changed();
}

void Control::SetVisible(bool v) {
    if (visible == v) return;
    visible = v;
    Changed();
}

void Control::SetEnabled(bool e) {
    if (enabled == e) return;
    enabled = e;
    Changed();
}

void Control::SetChecked(bool c) {
    if (checked == c) return;
    checked = c;
    if (c && kind == ControlKind::RadioButton) {
        // Radio buttons with the same parent form one group.
        for (auto& other : form.controls)
            if (other.get() != this && other->kind == ControlKind::RadioButton &&
                other->parent == parent && other->checked) {
                other->checked = false;
                if (form.view) form.view->ControlChanged(*other);
            }
    }
    Changed();
    if (onClick) onClick();
}

void Control::SetPosition(int p) {
    if (kind == ControlKind::Gauge || kind == ControlKind::ProgressBar) {
        if (p < minimum) p = minimum;
        if (p > maximum) p = maximum;
    }
    if (position == p) return;
    position = p;
    Changed();
}

void Control::SetBounds(int nx, int ny, int w, int h) {
    if (x == nx && y == ny && width == w && height == h) return;
    x = nx;
    y = ny;
    width = w;
    height = h;
    Changed();
}

void Control::SetPicture(std::shared_ptr<const Picture> p) {
    picture = std::move(p);
    if (pictureMode == PictureMode::AutoSize && picture) {
        width = picture->width;
        height = picture->height;
    }
    Changed();
}

void Control::SetFontColor(uint32_t c) {
    if (font.color == c) return;
    font.color = c;
    Changed();
}

void Control::SetItems(std::vector<std::string> list, int selected) {
    items = std::move(list);
    itemIndex = selected >= 0 && selected < static_cast<int>(items.size()) ? selected : -1;
    Changed();
}

void Control::SetItemIndex(int i) {
    if (i < -1 || i >= static_cast<int>(items.size())) i = -1;
    if (itemIndex == i) return;
    itemIndex = i;
    Changed();
}

void Control::UserSelect(int i) {
    if (i < -1 || i >= static_cast<int>(items.size())) i = -1;
    if (itemIndex == i) return;
    itemIndex = i;
    if (onChange) onChange();
}

void Control::UserDblClick() {
    if (onDblClick) onDblClick();
}

void Control::Focus() {
    if (form.view) form.view->Focus(*this);
}

void Control::UserClick() {
    if (kind == ControlKind::CheckBox) {
        checked = !checked;
    } else if (kind == ControlKind::RadioButton) {
        if (!checked) {
            SetChecked(true); // fires onClick
            return;
        }
    }
    if (onClick) onClick();
}

bool Control::Showing() const {
    for (const Control* c = this; c; c = c->parent)
        if (!c->visible) return false;
    return form.visible;
}

Control& Form::Add(const std::string& controlName, ControlKind kind, int x, int y, int w, int h,
                   Control* parent) {
    controls.push_back(std::make_unique<Control>(*this, controlName, kind, parent));
    Control& c = *controls.back();
    c.x = x;
    c.y = y;
    c.width = w;
    c.height = h;
    c.font = font;
    c.color = color;
    return c;
}

Control* Form::Find(const std::string& controlName) {
    for (auto& c : controls)
        if (c->name == controlName) return c.get();
    return nullptr;
}

Control& Form::operator[](const std::string& controlName) {
    Control* c = Find(controlName);
    if (!c) throw std::logic_error("no control " + controlName + " on " + name);
    return *c;
}

void Form::SetCaption(const std::string& c) {
    if (caption == c) return;
    caption = c;
    if (view) view->FormChanged(*this);
}

void Form::SetClientSize(int w, int h) {
    clientWidth = w;
    clientHeight = h;
    if (view) view->FormChanged(*this);
}

void Form::SetBounds(int l, int t, int w, int h) {
    left = l;
    top = t;
    clientWidth = w;
    clientHeight = h;
    if (view) view->FormChanged(*this);
}

void Form::SetState(WindowState s) {
    state = s;
    if (view) view->FormChanged(*this);
}

void Form::Show() {
    visible = true;
    if (view) view->FormChanged(*this);
}

void Form::Hide() {
    visible = false;
    if (view) view->FormChanged(*this);
}

void Form::Repaint() {
    if (view) view->Repaint(*this);
}

void Form::Focus() {
    if (view) view->FocusForm(*this);
}

void Form::CloseModal(int result) {
    modalResult = result == 0 ? 2 : result;
    if (view) view->FormChanged(*this);
}

} // namespace corvid
