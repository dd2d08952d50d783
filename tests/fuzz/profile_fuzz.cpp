// libFuzzer target: any bytes as a profile file, then look-ups and writes. Every look-up ends;
// a plain value written under plain names reads back as written, and is gone once deleted,
// whatever the rest of the file holds (a UTF-16 file is refused instead of being corrupted).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "setupinf/profile.h"

using namespace corvid;

namespace {

// One name per process, written afresh for every input with a write time of its own, so that
// the reader's cache (size and write time) never answers from an earlier input. A new name per
// input left millions of deleted names in the kernel's cache, slowing every path look-up.
std::string TempPath(const std::string& bytes) {
    static long counter = 0;
    const std::string path = "/tmp/corvid-profile-fuzz-" + std::to_string(getpid()) + ".ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    const struct timespec stamp[2] = {{++counter, 0}, {counter, 0}};
    if (utimensat(AT_FDCWD, path.c_str(), stamp, 0) != 0) std::abort();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = TempPath(bytes);

    std::vector<std::string> sections, keys;
    ProfileSectionNamesFile(path, sections);
    for (size_t i = 0; i < sections.size() && i < 8; ++i) {
        ProfileKeyNamesFile(path, sections[i], keys);
        for (size_t k = 0; k < keys.size() && k < 8; ++k)
            ReadProfileString(path, sections[i], keys[k], "-");
    }
    // Names and a value taken from the input, kept to letters and digits.
    std::string name;
    for (char c : bytes)
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) name += c;
    const std::string section = "s" + name.substr(0, 6), key = "k" + name.substr(0, 4),
                      value = "v" + name.substr(0, 20);
    // Only a file the reader takes for UTF-16 may refuse the write.
    const bool utf16 =
        size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
    if (!WriteProfileStringFile(path, section, key, value)) {
        if (!utf16) std::abort();
        std::remove(path.c_str());
        return 0;
    }
    if (ReadProfileString(path, section, key, "<none>") != value) std::abort();
    if (!DeleteProfileKeyFile(path, section, key)) std::abort();
    // A later duplicate of the key in the input may remain; the first one is gone.
    const std::string after = ReadProfileString(path, section, key, "<none>");
    if (after == value) std::abort();
    std::remove(path.c_str());
    return 0;
}
