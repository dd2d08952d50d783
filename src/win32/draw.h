// Drawing of the model's pictures and graphic controls on a device context.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/form.h"
#include "win32/win.h"

namespace corvid {

// A bitmap file's bytes checked and prepared for StretchDIBits: a plain BITMAPINFOHEADER with
// its masks and palette copied out (core headers converted), and the pixel bits inside the
// picture's own bytes.
struct Dib {
    std::vector<uint32_t> info; // aligned BITMAPINFO storage
    const uint8_t* bits = nullptr;
    int width = 0, height = 0; // height positive

    // False when the bytes are not a bitmap we can draw safely (unknown format or truncated).
    bool Parse(const std::vector<uint8_t>& bytes);
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

// Draws a picture stretched to the rectangle (x, y, w, h); nothing when it cannot be drawn.
void DrawPicture(HDC dc, const Picture& picture, int x, int y, int w, int h);
void DrawDib(HDC dc, const Dib& dib, int x, int y, int w, int h);

// Colour of the model (system colours included) as a COLORREF.
COLORREF ToColorRef(uint32_t color);

// A font for the model's font description; cached for the life of the program.
HFONT FontFor(const Font& font);

// Draws one graphic control (label, picture, bevel, gauge) into rect, in the coordinates of dc.
void DrawGraphicControl(HDC dc, const Control& control, const RECT& rect);

// Draws a push button with its picture as a glyph left of its text.
void DrawGlyphButton(HDC dc, const Control& button, RECT rect, bool pressed, bool focused);

// Percentage a gauge shows, 0..100.
int GaugePercent(const Control& gauge);

} // namespace corvid
