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

// The built-in background: 256 colours, 1 x 768 pixels, blue falling to black in 16 bands.
std::shared_ptr<const Picture> GradientPicture();

} // namespace corvid

namespace corvid {

// Small fixed pictures drawn by the program itself.
enum class BuiltinIcon { Disk, Question };
std::shared_ptr<const Picture> BuiltinIconPicture(BuiltinIcon icon);

} // namespace corvid
