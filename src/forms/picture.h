// A loaded Windows bitmap. The bytes are the file's; the view turns them into a device picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvid {

class Platform;

struct Picture {
    std::vector<uint8_t> bytes; // the whole .bmp file
    int width = 0, height = 0;

    // Checks the headers; nullptr when the bytes are no Windows bitmap we can show.
    static std::shared_ptr<Picture> FromBmp(std::vector<uint8_t> bytes);
    // Reads and checks a bitmap file through the platform; nullptr on any failure.
    static std::shared_ptr<Picture> Load(Platform& platform, const std::string& path);
};

// What the headers of a Windows bitmap file say, checked against the file's length.
struct BmpInfo {
    enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 }; // compressions

    uint32_t headerSize = 0;   // 12 for the old core header, 40 or more otherwise
    int width = 0, height = 0; // height positive
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kRgb; // always kRgb with the core header
    uint32_t sizeImage = 0;      // as stored; 0 with the core header
    size_t pixelOffset = 0;
    // Set by ReadDrawable:
    size_t masksOffset = 0; // the three colour masks (kBitFields), else 0
    size_t paletteOffset = 0, paletteCount = 0;
    size_t paletteEntrySize = 4; // RGB triples (3) with the core header, else quads

    // The file and bitmap headers: "BM", a known header size, 1..32767 pixels each way and the
    // pixel offset inside the bytes.
    bool Read(const uint8_t* bytes, size_t size);
    // Also what drawing needs: a depth and compression that go together, the whole palette
    // and masks, and every row of uncompressed pixels present.
    bool ReadDrawable(const uint8_t* bytes, size_t size);
};

// Little-endian writers for building bitmap files.
void PutLe32(std::vector<uint8_t>& b, uint32_t v);
void PutLe16(std::vector<uint8_t>& b, uint16_t v);
// Appends the file header and a 40-byte bitmap header. The colour table (palette or masks) of
// tableBytes and then imageBytes of pixels are to follow; a negative height stores the rows
// top-down.
void PutBmpHeaders(std::vector<uint8_t>& b, int width, int height, int bitCount,
                   uint32_t compression, uint32_t colorsUsed, uint32_t tableBytes,
                   uint32_t imageBytes, uint32_t pixelsPerMeter = 2835);

// The built-in background: 256 colours, 1 x 768 pixels, blue falling to black in 16 bands.
std::shared_ptr<const Picture> GradientPicture();

} // namespace corvid

namespace corvid {

// Small fixed pictures drawn by the program itself.
enum class BuiltinIcon { Disk, Question, Information };
std::shared_ptr<const Picture> BuiltinIconPicture(BuiltinIcon icon);

} // namespace corvid
