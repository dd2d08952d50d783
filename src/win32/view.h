// The real windows of the form model: one top-level window per form, one child window per
// control (graphic controls included, so that automation finds them), kept in step with the
// model through FormView and routing the user's actions back to the model's handlers.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "forms/form.h"
#include "win32/win.h"

namespace corvid {

class View : public FormView {
public:
    explicit View(HINSTANCE instance);
    ~View() override;

    // Creates the form's windows, hidden until the model says visible.
    void Attach(Form& form);

    void FormChanged(Form& form) override;
    void ControlChanged(Control& control) override;
    void Repaint(Form& form) override;
    void Focus(Control& control) override;
    void FocusForm(Form& form) override;

    // Keyboard routing for a message taken from the queue; true when it was consumed.
    bool PreTranslate(const MSG& msg);

    HWND WindowOf(const Form& form) const;
    HWND AppWindow() const { return app_; } // owns every form
    Form* FormOfWindow(HWND hwnd) const;    // hwnd or one of its ancestors is a form of ours
    // The window a message box should belong to: the active form of ours, else a visible one.
    HWND MessageBoxOwner() const;
    // Top-level windows of ours that are visible and enabled, except the given one.
    std::vector<HWND> EnabledTopLevels(HWND except) const;
    bool AnyOtherTopmostVisible(HWND except) const;
    // Keeps a modal form above stay-on-top windows of ours while it is shown.
    void SetModalTopmost(Form& form, bool on);

    void SetHourglass(bool on);
    // Runs a handler as the application's general error handler does: a failure ends the
    // handler and is shown in a message box.
    void Guard(const std::function<void()>& handler);

private:
    struct FormRec;
    struct CtlRec;

    static LRESULT CALLBACK AppProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PanelProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK GraphicProc(HWND, UINT, WPARAM, LPARAM);

    // Messages that forms and panels answer alike for their child controls.
    bool ParentMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void PaintWindow(HWND hwnd, Form& form, Control* parent);
    // A graphic control's window shows what its parent paints beneath it and itself.
    void PaintGraphic(HWND hwnd, CtlRec& rec);
    // Draws the parent's background, the form's own painting and the parent's graphic
    // controls for an area given in the parent's client coordinates.
    void PaintArea(HDC dc, Form& form, Control* parent, const RECT& area);
    void LayoutAligned(HWND parentHwnd, Form& form, Control* parent);

    FormRec* RecOf(const Form& form) const;
    CtlRec* RecOf(const Control& control) const;
    CtlRec* RecOfWindow(HWND hwnd) const;
    CtlRec& Create(Control& control);
    void CreateMissing(Form& form);
    void Sync(CtlRec& rec);
    RECT ControlRect(const Control& control) const;
    HWND ParentWindow(const Control& control);
    void InvalidateArea(const Control& control, const RECT& rect);
    void SyncChecks(Form& form);
    void Click(Control& control);
    void ShowForm(FormRec& rec);
    void RestoreFocus(FormRec& rec);
    std::vector<Control*> TabOrder(Form& form);
    bool MoveFocus(Form& form, bool backwards);
    bool Mnemonic(Form& form, char letter);

    // The one view; the window procedures reach it through here.
    static View* current_;

    HINSTANCE instance_;
    HICON icon_;
    HWND app_ = nullptr;
    FormRec* lastActive_ = nullptr;
    bool hourglass_ = false;
    std::vector<std::unique_ptr<FormRec>> forms_;
    std::unordered_map<const Control*, std::unique_ptr<CtlRec>> controls_;
    std::unordered_map<HWND, CtlRec*> byWindow_;
};

bool IsGraphic(ControlKind kind);

} // namespace corvid
