// The line format shared by the profile comparison's two sides (profread.exe under Wine and
// corvid_profquery natively). A query line holds file, section, key and default separated by tabs;
// an answer line holds one value. Every field escapes the bytes below 0x20, "%" and the bytes from
// 0x7F up as %XX, so tabs, line ends, NULs and the upper half of the code page survive.
#pragma once

#include <string>
#include <vector>

namespace profile_queries {

inline std::string Escape(const std::string& s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string r;
    for (unsigned char c : s) {
        if (c < 0x20 || c == '%' || c >= 0x7F) {
            r += '%';
            r += hex[c >> 4];
            r += hex[c & 15];
        } else {
            r += static_cast<char>(c);
        }
    }
    return r;
}

inline int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

inline std::string Unescape(const std::string& s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            r += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            r += s[i];
        }
    }
    return r;
}

struct Query {
    std::string file, section, key, deflt;
};

inline std::string FormatQuery(const Query& q) {
    return Escape(q.file) + '\t' + Escape(q.section) + '\t' + Escape(q.key) + '\t' +
           Escape(q.deflt);
}

// Parses one query line; false when it does not have four fields.
inline bool ParseQuery(const std::string& line, Query& q) {
    std::vector<std::string> f;
    size_t p = 0;
    for (;;) {
        size_t t = line.find('\t', p);
        f.push_back(Unescape(line.substr(p, t == std::string::npos ? t : t - p)));
        if (t == std::string::npos) break;
        p = t + 1;
    }
    if (f.size() != 4) return false;
    q = Query{f[0], f[1], f[2], f[3]};
    return true;
}

} // namespace profile_queries
