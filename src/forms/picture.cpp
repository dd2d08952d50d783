#include "forms/picture.h"

#include <cstdlib>

#include "platform/platform.h"

namespace corvid {

namespace {

uint32_t U32(const uint8_t* b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t U16(const uint8_t* b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

} // namespace

bool BmpInfo::Read(const uint8_t* b, size_t size) {
    if (size < 26 || b[0] != 'B' || b[1] != 'M') return false;
    headerSize = U32(b, 14);
    int64_t w, h;
    if (headerSize == 12) {
        w = U16(b, 18);
        h = U16(b, 20);
        bitCount = U16(b, 24);
        compression = kRgb;
        sizeImage = 0;
        paletteEntrySize = 3;
    } else if (headerSize >= 40 && size >= 14 + 40) {
        w = static_cast<int32_t>(U32(b, 18));
        h = static_cast<int32_t>(U32(b, 22));
        bitCount = U16(b, 28);
        compression = U32(b, 30);
        sizeImage = U32(b, 34);
        paletteEntrySize = 4;
    } else {
        return false;
    }
    topDown = h < 0;
    h = std::llabs(h);
    if (w <= 0 || h <= 0 || w > 32767 || h > 32767) return false;
    pixelOffset = U32(b, 10);
    if (pixelOffset >= size) return false; // no pixel data
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    masksOffset = paletteOffset = paletteCount = 0;
    return true;
}

bool BmpInfo::ReadDrawable(const uint8_t* b, size_t size) {
    if (!Read(b, size) || headerSize > size - 14) return false;
    size_t at = 14 + headerSize;
    if (headerSize >= 40) {
        if (compression == kBitFields) {
            if (bitCount != 16 && bitCount != 32) return false;
            // Masks follow a plain header; larger headers hold them inside.
            size_t m = headerSize == 40 ? at : 14 + 40;
            if (m + 12 > size) return false;
            masksOffset = m;
            if (headerSize == 40) at += 12;
        } else if (compression == kRle8) {
            if (bitCount != 8 || topDown) return false;
        } else if (compression == kRle4) {
            if (bitCount != 4 || topDown) return false;
        } else if (compression != kRgb) {
            return false;
        }
    }
    if (bitCount <= 8) {
        size_t n = size_t{1} << bitCount;
        const uint32_t colorsUsed = headerSize == 12 ? 0 : U32(b, 46);
        if (colorsUsed != 0 && colorsUsed < n) n = colorsUsed;
        if (at + paletteEntrySize * n > size) return false;
        paletteOffset = at;
        paletteCount = n;
    }
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    if (compression != kRle8 && compression != kRle4) {
        const uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
        if (stride * static_cast<uint64_t>(height) > size - pixelOffset) return false; // truncated
    }
    return true;
}

void PutLe32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutLe16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void PutBmpHeaders(std::vector<uint8_t>& b, int width, int height, int bitCount,
                   uint32_t compression, uint32_t colorsUsed, uint32_t tableBytes,
                   uint32_t imageBytes, uint32_t pixelsPerMeter) {
    const uint32_t offset = 14 + 40 + tableBytes;
    b.push_back('B');
    b.push_back('M');
    PutLe32(b, offset + imageBytes);
    PutLe32(b, 0);
    PutLe32(b, offset);
    PutLe32(b, 40);
    PutLe32(b, static_cast<uint32_t>(width));
    PutLe32(b, static_cast<uint32_t>(height));
    PutLe16(b, 1);
    PutLe16(b, static_cast<uint16_t>(bitCount));
    PutLe32(b, compression);
    PutLe32(b, imageBytes);
    PutLe32(b, pixelsPerMeter);
    PutLe32(b, pixelsPerMeter);
    PutLe32(b, colorsUsed);
    PutLe32(b, 0);
}

std::shared_ptr<Picture> Picture::FromBmp(std::vector<uint8_t> bytes) {
    // Only what can be drawn counts as loaded, so a damaged file switches its feature off.
    BmpInfo info;
    if (!info.ReadDrawable(bytes.data(), bytes.size())) return nullptr;
    auto p = std::make_shared<Picture>();
    p->bytes = std::move(bytes);
    p->width = info.width;
    p->height = info.height;
    return p;
}

std::shared_ptr<Picture> Picture::Load(Platform& platform, const std::string& path) {
    auto stream = platform.OpenFile(path, OpenMode::ReadShared);
    if (!stream) return nullptr;
    int64_t size = stream->Size();
    if (size <= 0 || size > 64 * 1024 * 1024) return nullptr;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (stream->Read(bytes.data(), static_cast<int32_t>(size)) != size) return nullptr;
    return FromBmp(std::move(bytes));
}

std::shared_ptr<const Picture> GradientPicture() {
    static std::shared_ptr<const Picture> gradient = [] {
        const int height = 768, bands = 16, rowsPerBand = height / bands;
        std::vector<uint8_t> b;
        const uint32_t rowBytes = 4; // one 8-bit pixel, padded
        PutBmpHeaders(b, 1, -height, 8, BmpInfo::kRgb, 256, 256 * 4, rowBytes * height); // top-down
        // Palette: entry i is blue of intensity i.
        for (int i = 0; i < 256; ++i) {
            b.push_back(static_cast<uint8_t>(i));
            b.push_back(0);
            b.push_back(0);
            b.push_back(0);
        }
        for (int row = 0; row < height; ++row) {
            int band = row / rowsPerBand, within = row % rowsPerBand;
            int level = band == bands - 1 ? 0 : 239 - 16 * band;
            if (band == 0 && within < rowsPerBand / 2) level = 255;
            // Dither the edge into the next band over its last rows.
            if (within >= rowsPerBand - 4 && band < bands - 1 && (row & 1)) {
                int next = band + 1 == bands - 1 ? 0 : 239 - 16 * (band + 1);
                level = (level + next) / 2;
            }
            b.push_back(static_cast<uint8_t>(level));
            b.push_back(0);
            b.push_back(0);
            b.push_back(0);
        }
        return std::shared_ptr<const Picture>(Picture::FromBmp(std::move(b)));
    }();
    return gradient;
}

} // namespace corvid

namespace corvid {

namespace {

// A 24-bit bottom-up bitmap of w x h pixels from a function giving 0x00RRGGBB per pixel.
template <typename F> std::shared_ptr<const Picture> Draw(int w, int h, F pixel) {
    std::vector<uint8_t> b;
    const uint32_t rowBytes = static_cast<uint32_t>((w * 3 + 3) & ~3);
    PutBmpHeaders(b, w, h, 24, BmpInfo::kRgb, 0, 0, rowBytes * static_cast<uint32_t>(h));
    for (int row = h - 1; row >= 0; --row) {
        for (int x = 0; x < w; ++x) {
            uint32_t c = pixel(x, row);
            b.push_back(static_cast<uint8_t>(c));
            b.push_back(static_cast<uint8_t>(c >> 8));
            b.push_back(static_cast<uint8_t>(c >> 16));
        }
        for (uint32_t pad = static_cast<uint32_t>(w) * 3; pad < rowBytes; ++pad) b.push_back(0);
    }
    return Picture::FromBmp(std::move(b));
}

} // namespace

std::shared_ptr<const Picture> BuiltinIconPicture(BuiltinIcon icon) {
    static std::shared_ptr<const Picture> disk = Draw(32, 32, [](int x, int y) -> uint32_t {
        const uint32_t face = 0xC0C0C0;
        if (x < 3 || x > 28 || y < 2 || y > 29) return face;
        if (x >= 10 && x <= 21 && y >= 3 && y <= 11)
            return x >= 17 && x <= 19 ? 0x202020 : 0xB0B0B0;
        if (x >= 7 && x <= 24 && y >= 16 && y <= 27) return 0xFFFFFF;
        return 0x203080;
    });
    static std::shared_ptr<const Picture> question = Draw(34, 34, [](int x, int y) -> uint32_t {
        const uint32_t face = 0xC0C0C0;
        const int dx = x - 16, dy = y - 16;
        if (dx * dx + dy * dy > 15 * 15) return face;
        // An exclamation mark on a yellow disc.
        if (x >= 15 && x <= 18 && ((y >= 6 && y <= 20) || (y >= 24 && y <= 27))) return 0x000000;
        return 0xF0D020;
    });
    static std::shared_ptr<const Picture> information = Draw(32, 32, [](int x, int y) -> uint32_t {
        const uint32_t face = 0xC0C0C0;
        const int dx = x - 15, dy = y - 15;
        if (dx * dx + dy * dy > 14 * 14) return face;
        // A white "i" on a blue disc.
        if ((x >= 14 && x <= 17 && y >= 6 && y <= 9) ||
            (x >= 14 && x <= 17 && y >= 12 && y <= 24) ||
            (x >= 12 && x <= 19 && y >= 23 && y <= 24))
            return 0xFFFFFF;
        return 0x2050D0;
    });
    switch (icon) {
    case BuiltinIcon::Disk:
        return disk;
    case BuiltinIcon::Information:
        return information;
    default:
        return question;
    }
}

} // namespace corvid
