// Painting of forms, panels and graphic controls: the background colour, the form's own
// painting (tiles) and the graphic controls, drawn off screen first; and the layout of
// client-aligned controls.
#include "win32/draw.h"
#include "win32/view.h"
#include "win32/view_shared.h"

namespace corvid {

namespace {

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

// Paints a window's update area through a bitmap, so that nothing flickers. draw gets the
// bitmap's context, whose origin is the area's top left corner, and the area in client
// coordinates.
template <typename Draw> void PaintOffScreen(HWND hwnd, const Draw& draw) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const RECT area = ps.rcPaint;
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w > 0 && h > 0) {
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ old = SelectObject(mem, bmp);
        draw(mem, area);
        BitBlt(dc, area.left, area.top, w, h, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
    }
    EndPaint(hwnd, &ps);
}

} // namespace

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
    PaintOffScreen(hwnd, [&](HDC mem, const RECT& area) {
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
    });
}

void View::PaintGraphic(HWND hwnd, CtlRec& rec) {
    rec.paintPending = false;
    // The composite of the parent for this window's rectangle, so that transparent labels
    // show the pictures and painting beneath them.
    PaintOffScreen(hwnd, [&](HDC mem, const RECT& area) {
        RECT mine;
        GetWindowRect(hwnd, &mine);
        MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&mine), 2);
        RECT inParent = area;
        OffsetRect(&inParent, mine.left, mine.top);
        PaintArea(mem, rec.ctl->form, rec.ctl->parent, inParent);
    });
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

} // namespace corvid
