#include "setupinf/values.h"

namespace corvid {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

int32_t ParseInteger(const std::string& text, int32_t deflt) {
    std::string s = text;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size()) return deflt;

    if (s[i] == '$') {
        ++i;
        size_t digits = s.size() - i;
        if (digits < 1 || digits > 8) return deflt;
        uint32_t v = 0;
        for (; i < s.size(); ++i) {
            int d = HexDigit(s[i]);
            if (d < 0) return deflt;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        return static_cast<int32_t>(v);
    }

    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    if (i == s.size()) return deflt;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return deflt;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483647) return deflt;
    }
    return static_cast<int32_t>(negative ? -v : v);
}

std::string SourceFolderOf(const std::string& programPath) {
    size_t cut = programPath.find_last_of("\\:");
    std::string dir = cut == std::string::npos ? std::string() : programPath.substr(0, cut + 1);
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

std::string FileNamePart(const std::string& path) {
    size_t cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace corvid
