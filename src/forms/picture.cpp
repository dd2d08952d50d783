#include "forms/picture.h"

#include <cstdlib>

#include "platform/platform.h"

namespace corvid {

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

} // namespace

std::shared_ptr<Picture> Picture::FromBmp(std::vector<uint8_t> bytes) {
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
    uint32_t headerSize = U32(bytes, 14);
    int64_t w, h;
    if (headerSize == 12) {
        w = U16(bytes, 18);
        h = U16(bytes, 20);
    } else if (headerSize >= 40 && bytes.size() >= 14 + 40) {
        w = static_cast<int32_t>(U32(bytes, 18));
        h = static_cast<int32_t>(U32(bytes, 22));
    } else {
        return nullptr;
    }
    h = std::llabs(h);
    if (w <= 0 || h <= 0 || w > 32767 || h > 32767) return nullptr;
    if (U32(bytes, 10) >= bytes.size()) return nullptr; // no pixel data
    auto p = std::make_shared<Picture>();
    p->bytes = std::move(bytes);
    p->width = static_cast<int>(w);
    p->height = static_cast<int>(h);
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
        const uint32_t rowBytes = 4; // one 8-bit pixel, padded to 4 bytes
        const uint32_t offset = 14 + 40 + 256 * 4;
        b.push_back('B');
        b.push_back('M');
        Put32(b, offset + rowBytes * height);
        Put32(b, 0);
        Put32(b, offset);
        Put32(b, 40);
        Put32(b, 1);
        Put32(b, static_cast<uint32_t>(-height)); // top-down rows
        Put16(b, 1);
        Put16(b, 8);
        Put32(b, 0);
        Put32(b, rowBytes * height);
        Put32(b, 2835);
        Put32(b, 2835);
        Put32(b, 256);
        Put32(b, 0);
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
    const uint32_t offset = 14 + 40;
    b.push_back('B');
    b.push_back('M');
    Put32(b, offset + rowBytes * static_cast<uint32_t>(h));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(w));
    Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, rowBytes * static_cast<uint32_t>(h));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
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
    return icon == BuiltinIcon::Disk ? disk : question;
}

} // namespace corvid
