// What the command-line tools share for the terminal: showing setup text, and whether stderr is
// one (for progress lines).
#pragma once

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#define CORVID_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define CORVID_ISATTY(f) isatty(fileno(f))
#endif

namespace corvid::tools {

// Program texts are Windows-1252; terminals elsewhere expect UTF-8. Control characters (in
// damaged names) are shown as \xNN so that each message stays on one line.
inline std::string Display(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
#ifdef _WIN32
            out.push_back(static_cast<char>(c));
#else
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
#endif
        }
    }
    return out;
}

} // namespace corvid::tools
