#include "win32/draw.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include "forms/picture.h"

namespace corvid {

bool Dib::Parse(const std::vector<uint8_t>& b) {
    BmpInfo bmp;
    if (!bmp.ReadDrawable(b.data(), b.size())) return false;

    BITMAPINFOHEADER h{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biPlanes = 1;
    h.biWidth = bmp.width;
    h.biHeight = bmp.topDown ? -bmp.height : bmp.height;
    h.biBitCount = static_cast<WORD>(bmp.bitCount);
    h.biCompression = bmp.compression;
    uint32_t masks[3] = {0, 0, 0};
    const bool hasMasks = bmp.masksOffset != 0;
    if (hasMasks) std::memcpy(masks, b.data() + bmp.masksOffset, sizeof masks);
    // Core headers hold RGB triples; the reserved byte stays 0 either way.
    std::vector<RGBQUAD> palette;
    for (size_t i = 0, at = bmp.paletteOffset; i < bmp.paletteCount;
         ++i, at += bmp.paletteEntrySize)
        palette.push_back(RGBQUAD{b[at], b[at + 1], b[at + 2], 0});
    const size_t available = b.size() - bmp.pixelOffset;
    if (bmp.compression == BmpInfo::kRle8 || bmp.compression == BmpInfo::kRle4)
        h.biSizeImage = bmp.sizeImage == 0 || bmp.sizeImage > available
                            ? static_cast<DWORD>(available)
                            : bmp.sizeImage;
    else
        h.biSizeImage = 0;
    h.biClrUsed = static_cast<DWORD>(palette.size());
    h.biClrImportant = 0;

    size_t bytes = sizeof h + (hasMasks ? sizeof masks : 0) + palette.size() * sizeof(RGBQUAD);
    info.assign((bytes + 3) / 4, 0);
    uint8_t* p = reinterpret_cast<uint8_t*>(info.data());
    std::memcpy(p, &h, sizeof h);
    p += sizeof h;
    if (hasMasks) {
        std::memcpy(p, masks, sizeof masks);
        p += sizeof masks;
    }
    if (!palette.empty()) std::memcpy(p, palette.data(), palette.size() * sizeof(RGBQUAD));
    bits = b.data() + bmp.pixelOffset;
    width = bmp.width;
    height = bmp.height;
    return true;
}

void DrawPicture(HDC dc, const Picture& picture, int x, int y, int w, int h) {
    Dib dib;
    if (w > 0 && h > 0 && dib.Parse(picture.bytes)) DrawDib(dc, dib, x, y, w, h);
}

void DrawDib(HDC dc, const Dib& dib, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0 || !dib.bits) return;
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, x, y, w, h, 0, 0, dib.width, dib.height, dib.bits, dib.Info(), DIB_RGB_COLORS,
                  SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

COLORREF ToColorRef(uint32_t color) {
    if (colors::IsSystem(color)) return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color & 0xFFFFFF);
}

HFONT FontFor(const Font& font) {
    static std::map<std::tuple<std::string, int, bool>, HFONT> cache;
    auto key = std::make_tuple(font.name, font.height, font.bold);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    HFONT f = CreateFontA(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                          FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.name.c_str());
    if (!f) f = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    cache.emplace(key, f);
    return f;
}

int GaugePercent(const Control& g) {
    int range = g.maximum - g.minimum;
    int64_t pct = range <= 0 ? 0 : (static_cast<int64_t>(g.position) - g.minimum) * 100 / range;
    return static_cast<int>(std::clamp<int64_t>(pct, 0, 100));
}

namespace {

void Fill(HDC dc, const RECT& r, COLORREF c) {
    HBRUSH br = CreateSolidBrush(c);
    FillRect(dc, &r, br);
    DeleteObject(br);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF c) {
    HPEN pen = CreatePen(PS_SOLID, 1, c);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// A control's text in its colour, or engraved when the control is disabled: a highlight one
// pixel down and right under the text in the shadow colour.
void DrawControlText(HDC dc, const Control& c, RECT r, UINT flags, COLORREF color,
                     int shadowSysColor) {
    if (c.enabled) {
        SetTextColor(dc, color);
        DrawTextA(dc, c.text.c_str(), static_cast<int>(c.text.size()), &r, flags);
        return;
    }
    RECT s = r;
    OffsetRect(&s, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(dc, c.text.c_str(), static_cast<int>(c.text.size()), &s, flags);
    SetTextColor(dc, GetSysColor(shadowSysColor));
    DrawTextA(dc, c.text.c_str(), static_cast<int>(c.text.size()), &r, flags);
}

void DrawLabel(HDC dc, const Control& c, RECT r) {
    if (!c.transparent) Fill(dc, r, ToColorRef(c.color));
    HGDIOBJ oldFont = SelectObject(dc, FontFor(c.font));
    SetBkMode(dc, TRANSPARENT);
    // Without word wrap a label keeps to one line unless its text breaks the line itself.
    UINT flags = (c.alignRight ? DT_RIGHT : DT_LEFT) | DT_NOCLIP | DT_EXPANDTABS |
                 (c.wordWrap ? DT_WORDBREAK : 0);
    if (c.pathEllipsis) flags = DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS;
    DrawControlText(dc, c, r, flags, ToColorRef(c.font.color), COLOR_BTNSHADOW);
    SelectObject(dc, oldFont);
}

void DrawPictureControl(HDC dc, const Control& c, const RECT& r) {
    if (!c.picture) return;
    const Picture& p = *c.picture;
    const int w = r.right - r.left, h = r.bottom - r.top;
    switch (c.pictureMode) {
    case PictureMode::Stretch:
        DrawPicture(dc, p, r.left, r.top, w, h);
        break;
    case PictureMode::Center:
        DrawPicture(dc, p, r.left + (w - p.width) / 2, r.top + (h - p.height) / 2, p.width,
                    p.height);
        break;
    case PictureMode::Tile: {
        Dib dib;
        if (p.width < 1 || p.height < 1 || !dib.Parse(p.bytes)) break;
        RECT clip;
        if (GetClipBox(dc, &clip) == ERROR) clip = r;
        for (int y = r.top; y < r.bottom; y += p.height)
            for (int x = r.left; x < r.right; x += p.width)
                if (x < clip.right && y < clip.bottom && x + p.width > clip.left &&
                    y + p.height > clip.top)
                    DrawDib(dc, dib, x, y, p.width, p.height);
        break;
    }
    case PictureMode::Normal:
    case PictureMode::AutoSize:
        DrawPicture(dc, p, r.left, r.top, p.width, p.height);
        break;
    }
}

void DrawBevel(HDC dc, const Control& c, const RECT& r) {
    if (c.bevelShape == 1) { // an etched line along the bottom
        Line(dc, r.left, r.bottom - 2, r.right, r.bottom - 2, GetSysColor(COLOR_BTNSHADOW));
        Line(dc, r.left, r.bottom - 1, r.right, r.bottom - 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    } else {
        RECT e = r;
        DrawEdge(dc, &e, EDGE_ETCHED, BF_RECT);
    }
}

void DrawGauge(HDC dc, const Control& c, const RECT& r) {
    RECT in = r;
    DrawEdge(dc, &in, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    Fill(dc, in, RGB(255, 255, 255));
    const int pct = GaugePercent(c);
    RECT filled = in;
    filled.right = in.left + (in.right - in.left) * pct / 100;
    if (filled.right > filled.left) Fill(dc, filled, GetSysColor(COLOR_ACTIVECAPTION));
    RECT empty = in;
    empty.left = filled.right;

    std::string text = std::to_string(pct) + "%";
    HGDIOBJ oldFont = SelectObject(dc, FontFor(c.font));
    SetBkMode(dc, TRANSPARENT);
    const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    // White over the filled part, black over the rest: readable on both.
    for (int part = 0; part < 2; ++part) {
        const RECT& clip = part == 0 ? filled : empty;
        if (clip.right <= clip.left) continue;
        SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        SetTextColor(dc, part == 0 ? RGB(255, 255, 255) : RGB(0, 0, 0));
        RECT t = in;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &t, flags);
        RestoreDC(dc, -1);
    }
    SelectObject(dc, oldFont);
}

} // namespace

void DrawGlyphButton(HDC dc, const Control& c, RECT r, bool pressed, bool focused) {
    if (c.isDefault || focused) { // the dark frame of the default button
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));

    HGDIOBJ oldFont = SelectObject(dc, FontFor(c.font));
    RECT measure{0, 0, 0, 0};
    DrawTextA(dc, c.text.c_str(), static_cast<int>(c.text.size()), &measure,
              DT_SINGLELINE | DT_CALCRECT);
    const int textW = measure.right, gap = c.text.empty() ? 0 : 4;
    int gw = 0, gh = 0;
    Dib dib;
    if (c.picture && dib.Parse(c.picture->bytes)) {
        gw = dib.width;
        gh = dib.height;
    }
    const int shift = pressed ? 1 : 0;
    int x = r.left + (r.right - r.left - (gw + gap + textW)) / 2 + shift;
    const int midY = (r.top + r.bottom) / 2 + shift;
    if (gw > 0) {
        // The glyph's bottom-left pixel gives its transparent colour.
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, gw, gh);
        HGDIOBJ old = SelectObject(mem, bmp);
        StretchDIBits(mem, 0, 0, gw, gh, 0, 0, gw, gh, dib.bits, dib.Info(), DIB_RGB_COLORS,
                      SRCCOPY);
        COLORREF key = GetPixel(mem, 0, gh - 1);
        TransparentBlt(dc, x, midY - gh / 2, gw, gh, mem, 0, 0, gw, gh, key);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        x += gw + gap;
    }
    SetBkMode(dc, TRANSPARENT);
    RECT t{x, r.top + shift, x + textW + 1, r.bottom + shift};
    const UINT flags = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    DrawControlText(dc, c, t, flags, GetSysColor(COLOR_BTNTEXT), COLOR_GRAYTEXT);
    SelectObject(dc, oldFont);
    if (focused) {
        RECT f = r;
        InflateRect(&f, -4, -4);
        DrawFocusRect(dc, &f);
    }
}

void DrawGraphicControl(HDC dc, const Control& c, const RECT& rect) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    switch (c.kind) {
    case ControlKind::Label:
        DrawLabel(dc, c, rect);
        break;
    case ControlKind::Picture:
        DrawPictureControl(dc, c, rect);
        break;
    case ControlKind::Bevel:
        DrawBevel(dc, c, rect);
        break;
    case ControlKind::Gauge:
        DrawGauge(dc, c, rect);
        break;
    default:
        break;
    }
    RestoreDC(dc, -1);
}

} // namespace corvid
