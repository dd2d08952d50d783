#include "setupinf/profile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <sys/stat.h>

namespace corvid {

bool ProfileSpace(unsigned char c) {
    return (c >= 9 && c <= 13) || c == 0x1a || c == 0x20;
}

std::string TrimProfileSpace(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && ProfileSpace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && ProfileSpace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

namespace {

unsigned char FoldChar(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    switch (c) {
    case 0x8A:
        return 0x9A;
    case 0x8C:
        return 0x9C;
    case 0x8E:
        return 0x9E;
    case 0x9F:
        return 0xFF;
    default:
        return c;
    }
}

// The profile functions compare section and key names folding ASCII letters only: "Ä" and "ä"
// are different names to them, unlike file names.
std::string FoldNameCase(const std::string& s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

// Names are C strings in the system's reader: anything after a NUL byte is lost.
std::string CutAtNul(const char* begin, const char* end) {
    std::string s(begin, end);
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

} // namespace

std::string FoldCase(const std::string& s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(FoldChar(static_cast<unsigned char>(c)));
    return r;
}

namespace {

// Unicode code points of Windows-1252's bytes 0x80 to 0x9F; the five unassigned bytes keep their
// own value, as the system's table has it.
const uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The system's "best fit" for characters outside Windows-1252 (Latin letters lose their accents,
// full-width forms become ASCII, ...), sorted by code point. Everything else becomes "?".
struct BestFit {
    uint16_t from;
    unsigned char to;
};
const BestFit kBestFit[] = {
    {0x0100, 'A'},  {0x0101, 'a'},  {0x0102, 'A'},  {0x0103, 'a'},  {0x0104, 'A'},  {0x0105, 'a'},
    {0x0106, 'C'},  {0x0107, 'c'},  {0x0108, 'C'},  {0x0109, 'c'},  {0x010A, 'C'},  {0x010B, 'c'},
    {0x010C, 'C'},  {0x010D, 'c'},  {0x010E, 'D'},  {0x010F, 'd'},  {0x0110, 0xD0}, {0x0111, 'd'},
    {0x0112, 'E'},  {0x0113, 'e'},  {0x0114, 'E'},  {0x0115, 'e'},  {0x0116, 'E'},  {0x0117, 'e'},
    {0x0118, 'E'},  {0x0119, 'e'},  {0x011A, 'E'},  {0x011B, 'e'},  {0x011C, 'G'},  {0x011D, 'g'},
    {0x011E, 'G'},  {0x011F, 'g'},  {0x0120, 'G'},  {0x0121, 'g'},  {0x0122, 'G'},  {0x0123, 'g'},
    {0x0124, 'H'},  {0x0125, 'h'},  {0x0126, 'H'},  {0x0127, 'h'},  {0x0128, 'I'},  {0x0129, 'i'},
    {0x012A, 'I'},  {0x012B, 'i'},  {0x012C, 'I'},  {0x012D, 'i'},  {0x012E, 'I'},  {0x012F, 'i'},
    {0x0130, 'I'},  {0x0131, 'i'},  {0x0134, 'J'},  {0x0135, 'j'},  {0x0136, 'K'},  {0x0137, 'k'},
    {0x0139, 'L'},  {0x013A, 'l'},  {0x013B, 'L'},  {0x013C, 'l'},  {0x013D, 'L'},  {0x013E, 'l'},
    {0x0141, 'L'},  {0x0142, 'l'},  {0x0143, 'N'},  {0x0144, 'n'},  {0x0145, 'N'},  {0x0146, 'n'},
    {0x0147, 'N'},  {0x0148, 'n'},  {0x014C, 'O'},  {0x014D, 'o'},  {0x014E, 'O'},  {0x014F, 'o'},
    {0x0150, 'O'},  {0x0151, 'o'},  {0x0154, 'R'},  {0x0155, 'r'},  {0x0156, 'R'},  {0x0157, 'r'},
    {0x0158, 'R'},  {0x0159, 'r'},  {0x015A, 'S'},  {0x015B, 's'},  {0x015C, 'S'},  {0x015D, 's'},
    {0x015E, 'S'},  {0x015F, 's'},  {0x0162, 'T'},  {0x0163, 't'},  {0x0164, 'T'},  {0x0165, 't'},
    {0x0166, 'T'},  {0x0167, 't'},  {0x0168, 'U'},  {0x0169, 'u'},  {0x016A, 'U'},  {0x016B, 'u'},
    {0x016C, 'U'},  {0x016D, 'u'},  {0x016E, 'U'},  {0x016F, 'u'},  {0x0170, 'U'},  {0x0171, 'u'},
    {0x0172, 'U'},  {0x0173, 'u'},  {0x0174, 'W'},  {0x0175, 'w'},  {0x0176, 'Y'},  {0x0177, 'y'},
    {0x0179, 'Z'},  {0x017A, 'z'},  {0x017B, 'Z'},  {0x017C, 'z'},  {0x0180, 'b'},  {0x0189, 0xD0},
    {0x0191, 0x83}, {0x0197, 'I'},  {0x019A, 'l'},  {0x019F, 'O'},  {0x01A0, 'O'},  {0x01A1, 'o'},
    {0x01AB, 't'},  {0x01AE, 'T'},  {0x01AF, 'U'},  {0x01B0, 'u'},  {0x01B6, 'z'},  {0x01C0, '|'},
    {0x01C3, '!'},  {0x01CD, 'A'},  {0x01CE, 'a'},  {0x01CF, 'I'},  {0x01D0, 'i'},  {0x01D1, 'O'},
    {0x01D2, 'o'},  {0x01D3, 'U'},  {0x01D4, 'u'},  {0x01D5, 'U'},  {0x01D6, 'u'},  {0x01D7, 'U'},
    {0x01D8, 'u'},  {0x01D9, 'U'},  {0x01DA, 'u'},  {0x01DB, 'U'},  {0x01DC, 'u'},  {0x01DE, 'A'},
    {0x01DF, 'a'},  {0x01E4, 'G'},  {0x01E5, 'g'},  {0x01E6, 'G'},  {0x01E7, 'g'},  {0x01E8, 'K'},
    {0x01E9, 'k'},  {0x01EA, 'O'},  {0x01EB, 'o'},  {0x01EC, 'O'},  {0x01ED, 'o'},  {0x01F0, 'j'},
    {0x0261, 'g'},  {0x02B9, '\''}, {0x02BA, '"'},  {0x02BC, '\''}, {0x02C4, '^'},  {0x02C8, '\''},
    {0x02C9, 0xAF}, {0x02CA, 0xB4}, {0x02CB, '`'},  {0x02CD, '_'},  {0x02DA, 0xB0}, {0x0300, '`'},
    {0x0301, 0xB4}, {0x0302, '^'},  {0x0303, '~'},  {0x0304, 0xAF}, {0x0305, 0xAF}, {0x0308, 0xA8},
    {0x030A, 0xB0}, {0x030E, '"'},  {0x0327, 0xB8}, {0x0331, '_'},  {0x0332, '_'},  {0x037E, ';'},
    {0x0393, 'G'},  {0x0398, 'T'},  {0x03A3, 'S'},  {0x03A6, 'F'},  {0x03A9, 'O'},  {0x03B1, 'a'},
    {0x03B2, 0xDF}, {0x03B4, 'd'},  {0x03B5, 'e'},  {0x03BC, 0xB5}, {0x03C0, 'p'},  {0x03C3, 's'},
    {0x03C4, 't'},  {0x03C6, 'f'},  {0x04BB, 'h'},  {0x0589, ':'},  {0x066A, '%'},  {0x2000, ' '},
    {0x2001, ' '},  {0x2002, ' '},  {0x2003, ' '},  {0x2004, ' '},  {0x2005, ' '},  {0x2006, ' '},
    {0x2010, '-'},  {0x2011, '-'},  {0x2017, '='},  {0x2024, 0xB7}, {0x2032, '\''}, {0x2035, '`'},
    {0x2044, '/'},  {0x2070, 0xB0}, {0x2074, '4'},  {0x2075, '5'},  {0x2076, '6'},  {0x2077, '7'},
    {0x2078, '8'},  {0x207F, 'n'},  {0x2080, '0'},  {0x2081, '1'},  {0x2082, '2'},  {0x2083, '3'},
    {0x2084, '4'},  {0x2085, '5'},  {0x2086, '6'},  {0x2087, '7'},  {0x2088, '8'},  {0x2089, '9'},
    {0x20A1, 0xA2}, {0x20A4, 0xA3}, {0x20A7, 'P'},  {0x2102, 'C'},  {0x2107, 'E'},  {0x210A, 'g'},
    {0x210B, 'H'},  {0x210C, 'H'},  {0x210D, 'H'},  {0x210E, 'h'},  {0x2110, 'I'},  {0x2111, 'I'},
    {0x2112, 'L'},  {0x2113, 'l'},  {0x2115, 'N'},  {0x2118, 'P'},  {0x2119, 'P'},  {0x211A, 'Q'},
    {0x211B, 'R'},  {0x211C, 'R'},  {0x211D, 'R'},  {0x2124, 'Z'},  {0x2128, 'Z'},  {0x212A, 'K'},
    {0x212B, 0xC5}, {0x212C, 'B'},  {0x212D, 'C'},  {0x212E, 'e'},  {0x212F, 'e'},  {0x2130, 'E'},
    {0x2131, 'F'},  {0x2133, 'M'},  {0x2134, 'o'},  {0x2205, 0xD8}, {0x2212, '-'},  {0x2213, 0xB1},
    {0x2215, '/'},  {0x2216, '\\'}, {0x2217, '*'},  {0x2218, 0xB0}, {0x2219, 0xB7}, {0x221A, 'v'},
    {0x221E, '8'},  {0x2223, '|'},  {0x2229, 'n'},  {0x2236, ':'},  {0x223C, '~'},  {0x2248, 0x98},
    {0x2261, '='},  {0x2264, '='},  {0x2265, '='},  {0x226A, 0xAB}, {0x226B, 0xBB}, {0x22C5, 0xB7},
    {0x2302, 0xA6}, {0x2303, '^'},  {0x2310, 0xAC}, {0x2320, '('},  {0x2321, ')'},  {0x2329, '<'},
    {0x232A, '>'},  {0x2500, '-'},  {0x2502, 0xA6}, {0x250C, '+'},  {0x2510, '+'},  {0x2514, '+'},
    {0x2518, '+'},  {0x251C, '+'},  {0x2524, 0xA6}, {0x252C, '-'},  {0x2534, '-'},  {0x253C, '+'},
    {0x2550, '-'},  {0x2551, 0xA6}, {0x2552, '+'},  {0x2553, '+'},  {0x2554, '+'},  {0x2555, '+'},
    {0x2556, '+'},  {0x2557, '+'},  {0x2558, '+'},  {0x2559, '+'},  {0x255A, '+'},  {0x255B, '+'},
    {0x255C, '+'},  {0x255D, '+'},  {0x255E, 0xA6}, {0x255F, 0xA6}, {0x2560, 0xA6}, {0x2561, 0xA6},
    {0x2562, 0xA6}, {0x2563, 0xA6}, {0x2564, '-'},  {0x2565, '-'},  {0x2566, '-'},  {0x2567, '-'},
    {0x2568, '-'},  {0x2569, '-'},  {0x256A, '+'},  {0x256B, '+'},  {0x256C, '+'},  {0x2580, 0xAF},
    {0x2584, '_'},  {0x2588, 0xA6}, {0x258C, 0xA6}, {0x2590, 0xA6}, {0x2591, 0xA6}, {0x2592, 0xA6},
    {0x2593, 0xA6}, {0x25A0, 0xA6}, {0x263C, 0xA4}, {0x2758, '|'},  {0x3000, ' '},  {0x3008, '<'},
    {0x3009, '>'},  {0x300A, 0xAB}, {0x300B, 0xBB}, {0x301A, '['},  {0x301B, ']'},  {0x30FB, 0xB7},
    {0xFF01, '!'},  {0xFF02, '"'},  {0xFF03, '#'},  {0xFF04, '$'},  {0xFF05, '%'},  {0xFF06, '&'},
    {0xFF07, '\''}, {0xFF08, '('},  {0xFF09, ')'},  {0xFF0A, '*'},  {0xFF0B, '+'},  {0xFF0C, ','},
    {0xFF0D, '-'},  {0xFF0E, '.'},  {0xFF0F, '/'},  {0xFF10, '0'},  {0xFF11, '1'},  {0xFF12, '2'},
    {0xFF13, '3'},  {0xFF14, '4'},  {0xFF15, '5'},  {0xFF16, '6'},  {0xFF17, '7'},  {0xFF18, '8'},
    {0xFF19, '9'},  {0xFF1A, ':'},  {0xFF1B, ';'},  {0xFF1C, '<'},  {0xFF1D, '='},  {0xFF1E, '>'},
    {0xFF20, '@'},  {0xFF21, 'A'},  {0xFF22, 'B'},  {0xFF23, 'C'},  {0xFF24, 'D'},  {0xFF25, 'E'},
    {0xFF26, 'F'},  {0xFF27, 'G'},  {0xFF28, 'H'},  {0xFF29, 'I'},  {0xFF2A, 'J'},  {0xFF2B, 'K'},
    {0xFF2C, 'L'},  {0xFF2D, 'M'},  {0xFF2E, 'N'},  {0xFF2F, 'O'},  {0xFF30, 'P'},  {0xFF31, 'Q'},
    {0xFF32, 'R'},  {0xFF33, 'S'},  {0xFF34, 'T'},  {0xFF35, 'U'},  {0xFF36, 'V'},  {0xFF37, 'W'},
    {0xFF38, 'X'},  {0xFF39, 'Y'},  {0xFF3A, 'Z'},  {0xFF3B, '['},  {0xFF3C, '\\'}, {0xFF3D, ']'},
    {0xFF3E, '^'},  {0xFF3F, '_'},  {0xFF40, '`'},  {0xFF41, 'a'},  {0xFF42, 'b'},  {0xFF43, 'c'},
    {0xFF44, 'd'},  {0xFF45, 'e'},  {0xFF46, 'f'},  {0xFF47, 'g'},  {0xFF48, 'h'},  {0xFF49, 'i'},
    {0xFF4A, 'j'},  {0xFF4B, 'k'},  {0xFF4C, 'l'},  {0xFF4D, 'm'},  {0xFF4E, 'n'},  {0xFF4F, 'o'},
    {0xFF50, 'p'},  {0xFF51, 'q'},  {0xFF52, 'r'},  {0xFF53, 's'},  {0xFF54, 't'},  {0xFF55, 'u'},
    {0xFF56, 'v'},  {0xFF57, 'w'},  {0xFF58, 'x'},  {0xFF59, 'y'},  {0xFF5A, 'z'},  {0xFF5B, '{'},
    {0xFF5C, '|'},  {0xFF5D, '}'},  {0xFF5E, '~'}};

// One character of a Unicode file in the code page: the byte, and whether the byte only stands
// in for a character the code page lacks ("foreign").
void PutAnsi(uint32_t u, std::string& text, std::vector<bool>& foreign) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        text += static_cast<char>(u);
        foreign.push_back(false);
        return;
    }
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == u) {
            text += static_cast<char>(0x80 + i);
            foreign.push_back(false);
            return;
        }
    const BestFit* end = kBestFit + sizeof kBestFit / sizeof kBestFit[0];
    const BestFit* f =
        std::lower_bound(kBestFit, end, u, [](const BestFit& b, uint32_t v) { return b.from < v; });
    text += static_cast<char>(f != end && f->from == u ? f->to : '?');
    foreign.push_back(true);
}

// The text of a file as the system reads it (see ProfileText); foreign is left empty for files in
// the code page itself.
std::string DecodeProfile(const std::string& bytes, std::vector<bool>& foreign) {
    const size_t n = bytes.size();
    auto b = [&](size_t i) -> uint32_t { return i < n ? static_cast<unsigned char>(bytes[i]) : 0; };
    std::string text;
    foreign.clear();
    if (n >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF))) {
        const bool little = b(0) == 0xFF;
        // Each 16-bit unit on its own, a surrogate half included. An odd last byte counts as a
        // unit padded with zero (the system pads it with whatever its memory held).
        for (size_t i = 2; i < n; i += 2)
            PutAnsi(little ? b(i) | b(i + 1) << 8 : b(i) << 8 | b(i + 1), text, foreign);
        return text;
    }
    if (n >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
        size_t i = 3;
        while (i < n) {
            uint32_t c = b(i);
            int more = c < 0x80   ? 0
                       : c < 0xC2 ? -1
                       : c < 0xE0 ? 1
                       : c < 0xF0 ? 2
                       : c < 0xF5 ? 3
                                  : -1;
            uint32_t u = more <= 0 ? c : c & (0x3F >> more);
            size_t j = i + 1;
            for (int k = 0; k < more && j < n && (b(j) & 0xC0) == 0x80; ++k, ++j)
                u = u << 6 | (b(j) & 0x3F);
            if (more < 0 || j != i + 1 + static_cast<size_t>(more)) {
                PutAnsi(0xFFFD, text, foreign); // a broken sequence: one replacement character
            } else if (u >= 0x10000) {
                PutAnsi(0xD800, text, foreign); // two UTF-16 units, two characters
                PutAnsi(0xDC00, text, foreign);
            } else {
                PutAnsi(u, text, foreign);
            }
            i = j;
        }
        return text;
    }
    return bytes;
}

} // namespace

std::string ProfileText(const std::string& bytes) {
    std::vector<bool> foreign;
    return DecodeProfile(bytes, foreign);
}

std::string AnsiToUtf8(const std::string& ansi) {
    std::string out;
    for (unsigned char c : ansi) {
        uint32_t u = c < 0x80 || c >= 0xA0 ? c : kCp1252High[c - 0x80];
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | u >> 6);
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | u >> 12);
            out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

bool Utf8ToAnsi(const std::string& utf8, std::string& ansi) {
    ansi = ProfileText("\xEF\xBB\xBF" + utf8);
    return AnsiToUtf8(ansi) == utf8;
}

ProfileData::ProfileData(const std::string& fileBytes) {
    std::vector<bool> foreign;
    const std::string bytes = DecodeProfile(fileBytes, foreign);
    const char* const begin = bytes.data();
    const char* p = begin;
    const char* end = p + bytes.size();

    // Keys before the first section header belong to the section named "" (which therefore hides
    // every later "[]" section).
    sections_.push_back(Section{});
    bool prevKey = false, prevKeyNamed = false;

    // A stand-in for a character the code page lacks is never a blank or a delimiter, and no
    // name asked for in the code page can match a name that holds one.
    auto own = [&](const char* c) { return foreign.empty() || !foreign[c - begin]; };
    auto is = [&](const char* c, char want) { return *c == want && own(c); };
    auto sp = [&](const char* c) { return ProfileSpace(static_cast<unsigned char>(*c)) && own(c); };
    auto name = [&](const char* b, const char* e, bool& reachable) {
        std::string n = CutAtNul(b, e);
        reachable = true;
        for (size_t i = 0; i < n.size(); ++i) reachable = reachable && own(b + i);
        return n;
    };
    while (p < end) {
        const char* ls = p;
        while (p < end && !is(p, '\n') && !is(p, '\r')) ++p;
        const char* le = p;
        while (p < end && (is(p, '\n') || is(p, '\r'))) ++p;

        while (ls < le && sp(ls)) ++ls;
        while (le > ls && sp(le - 1)) --le;
        if (ls >= le) continue;

        if (is(ls, '[')) {
            const char* ne = le - 1;
            while (ne > ls && !is(ne, ']')) --ne;
            if (ne > ls) {
                // Blanks inside the brackets are not part of the name: "[ x ]" is section "x".
                const char* nb = ls + 1;
                while (nb < ne && sp(nb)) ++nb;
                while (ne > nb && sp(ne - 1)) --ne;
                Section s;
                s.name = name(nb, ne, s.reachable);
                sections_.push_back(std::move(s));
                prevKey = false;
                continue;
            }
        }

        const char* nameEnd = le;
        const char* valueStart = nullptr;
        for (const char* q = ls; q < le; ++q) {
            if (is(q, '=')) {
                valueStart = q + 1;
                while (valueStart < le && sp(valueStart)) ++valueStart;
                nameEnd = q;
                while (nameEnd > ls && sp(nameEnd - 1)) --nameEnd;
                break;
            }
        }
        // A line with an empty name is dropped when the key before it had an empty name too.
        if (nameEnd > ls || !prevKey || prevKeyNamed) {
            Key k;
            k.name = name(ls, nameEnd, k.reachable);
            if (valueStart) {
                k.value = CutAtNul(valueStart, le);
                k.quotable =
                    k.value->empty() || (own(valueStart) && own(valueStart + k.value->size() - 1));
            }
            prevKey = true;
            prevKeyNamed = nameEnd > ls;
            sections_.back().keys.push_back(std::move(k));
        }
    }

    for (size_t i = 0; i < sections_.size(); ++i) {
        Section& s = sections_[i];
        if (s.reachable) index_.emplace(FoldNameCase(s.name), i);
        for (size_t k = 0; k < s.keys.size(); ++k)
            if (s.keys[k].reachable) s.index.emplace(FoldNameCase(s.keys[k].name), k);
    }
}

const std::string* ProfileData::Find(const std::string& section, const std::string& key,
                                     bool* quotable) const {
    auto si = index_.find(FoldNameCase(TrimProfileSpace(section)));
    if (si == index_.end()) return nullptr;
    const Section& s = sections_[si->second];
    auto ki = s.index.find(FoldNameCase(TrimProfileSpace(key)));
    if (ki == s.index.end()) return nullptr;
    const Key& k = s.keys[ki->second];
    if (quotable) *quotable = k.quotable;
    return k.value ? &*k.value : nullptr;
}

namespace {

std::string SkipLeadingSpace(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && ProfileSpace(static_cast<unsigned char>(s[b]))) ++b;
    return s.substr(b);
}

// Whether a name or value written into a line reads back as itself (trimmed).
bool PlainText(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

bool PlainKeyName(const std::string& trimmed) {
    return !trimmed.empty() && trimmed[0] != '[' && trimmed.find('=') == std::string::npos &&
           PlainText(trimmed);
}

} // namespace

bool ProfileData::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
    // The system writes the whole file after each write and reads it back before the next one,
    // which trims every name and value: the file keeps the last write as it was given, the
    // next write sees it trimmed. A write whose line reads back as that key is kept trimmed
    // here, with its spelling as given for the text; any other (and the first, on a file as
    // someone else wrote it) reads the text back.
    const std::string sectionName = TrimProfileSpace(section);
    const std::string keyName = TrimProfileSpace(key);
    const bool plain = normalized_ && !sectionName.empty() && PlainText(section) &&
                       PlainKeyName(keyName) && PlainText(key) && PlainText(value);
    const std::string v = SkipLeadingSpace(value);

    auto si = index_.find(FoldNameCase(sectionName));
    const size_t at = si == index_.end() ? sections_.size() : si->second;
    const bool newSection = at == sections_.size();
    if (newSection) {
        Section s;
        s.name = plain ? sectionName : SkipLeadingSpace(section);
        index_.emplace(FoldNameCase(s.name), at);
        sections_.push_back(std::move(s));
    }
    Section& s = sections_[at];
    auto ki = s.index.find(FoldNameCase(keyName));
    const size_t k = ki == s.index.end() ? s.keys.size() : ki->second;
    const bool existingKey = k < s.keys.size();
    if (existingKey) {
        if (s.keys[k].value && *s.keys[k].value == v) return false;
        s.keys[k].value = plain ? TrimProfileSpace(v) : v;
        s.keys[k].quotable = true;
    } else {
        Key nk;
        nk.name = plain ? keyName : SkipLeadingSpace(key);
        nk.value = plain ? TrimProfileSpace(v) : v;
        s.index.emplace(FoldNameCase(nk.name), k);
        s.keys.push_back(std::move(nk));
    }
    lastText_.reset();
    lastWrite_ = LastWrite{};
    if (plain) {
        // An existing key keeps its spelling; only what this write added is spelled anew.
        lastWrite_ = LastWrite{true,
                               at,
                               k,
                               newSection,
                               SkipLeadingSpace(section),
                               existingKey ? s.keys[k].name : SkipLeadingSpace(key),
                               v};
    } else {
        std::string text = Text();
        ProfileData reread(text);
        *this = std::move(reread);
        normalized_ = true;
        lastText_ = std::move(text);
    }
    return true;
}

std::string ProfileData::Text() const {
    if (lastText_) return *lastText_;
    std::string out;
    for (size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        const bool last = lastWrite_.active && lastWrite_.section == i;
        const std::string& name = last && lastWrite_.newSection ? lastWrite_.sectionName : s.name;
        if (!name.empty()) out += "[" + name + "]\r\n";
        for (size_t j = 0; j < s.keys.size(); ++j) {
            const Key& k = s.keys[j];
            if (last && lastWrite_.key == j) {
                out += lastWrite_.keyName + "=" + lastWrite_.value + "\r\n";
                continue;
            }
            out += k.name;
            if (k.value) out += "=" + *k.value;
            out += "\r\n";
        }
    }
    return out;
}

std::vector<std::string> ProfileData::SectionNames() const {
    std::vector<std::string> names;
    for (size_t i = 1; i < sections_.size(); ++i) names.push_back(sections_[i].name);
    return names;
}

std::vector<std::string> ProfileData::KeyNames(size_t sectionIndex) const {
    std::vector<std::string> names;
    if (sectionIndex + 1 < sections_.size())
        for (const Key& k : sections_[sectionIndex + 1].keys) names.push_back(k.name);
    return names;
}

bool ProfileData::FindSection(const std::string& section, size_t& index) const {
    const std::string want = FoldNameCase(TrimProfileSpace(section));
    for (size_t i = 1; i < sections_.size(); ++i)
        if (FoldNameCase(TrimProfileSpace(sections_[i].name)) == want) {
            index = i - 1;
            return true;
        }
    return false;
}

std::string ProfileResult(const std::string* value, const std::string& deflt, bool fileOpened,
                          bool quotable) {
    const size_t room = kProfileBufferSize - 1;
    // The default loses its trailing blanks before anything else.
    std::string d = deflt;
    size_t de = d.size();
    while (de > 1 && d[de - 1] == ' ') --de;
    d.resize(de);
    if (!fileOpened) return d.substr(0, room);

    const std::string& v = value ? *value : d;
    size_t start = 0;
    bool quoted = false;
    if ((quotable || !value) && v.size() > 1 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
        quoted = true;
        start = 1;
    }
    std::string r = v.substr(start, room);
    // The closing quote is removed only when the value fitted the buffer.
    if (quoted && kProfileBufferSize >= v.size() - start && !r.empty()) r.pop_back();
    return r;
}

namespace {

struct CacheEntry {
    struct stat st {};
    std::shared_ptr<const ProfileData> data;
};

bool SameFile(const struct stat& a, const struct stat& b) {
#if defined(__linux__)
    return a.st_size == b.st_size && a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
#else
    return a.st_size == b.st_size && a.st_mtime == b.st_mtime && a.st_ctime == b.st_ctime;
#endif
}

std::mutex cacheMutex;
std::unordered_map<std::string, CacheEntry> cache;

// Whole-file reads and writes through stdio: the file streams would pull the locale machinery
// into the Windows programs, half of their size.
bool ReadWholeFile(const std::string& hostPath, std::string& bytes) {
    std::FILE* f = std::fopen(hostPath.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteWholeFile(const std::string& hostPath, const std::string& bytes) {
    std::FILE* f = std::fopen(hostPath.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

} // namespace

std::shared_ptr<const ProfileData> LoadProfile(const std::string& hostPath) {
    struct stat st {};
    if (stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    std::lock_guard<std::mutex> lock(cacheMutex);
    auto it = cache.find(hostPath);
    if (it != cache.end() && SameFile(it->second.st, st)) return it->second.data;

    std::string bytes;
    if (!ReadWholeFile(hostPath, bytes)) return nullptr;
    auto data = std::make_shared<const ProfileData>(bytes);
    if (cache.size() > 64) cache.clear();
    cache[hostPath] = CacheEntry{st, data};
    return data;
}

namespace {

// The system opens a file that does not exist as an empty profile (it would create it when
// writing), so the default gets the quote rule; a missing folder or an unreadable file does not.
bool MissingFileInExistingFolder(const std::string& hostPath) {
    struct stat st {};
    if (stat(hostPath.c_str(), &st) == 0 || errno != ENOENT) return false;
    size_t slash = hostPath.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : hostPath.substr(0, slash + 1);
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string ReadProfileString(const std::string& hostPath, const std::string& section,
                              const std::string& key, const std::string& deflt) {
    auto data = LoadProfile(hostPath);
    if (!data) return ProfileResult(nullptr, deflt, MissingFileInExistingFolder(hostPath));
    bool quotable = true;
    const std::string* value = data->Find(section, key, &quotable);
    return ProfileResult(value, deflt, true, quotable);
}

namespace {

// One change of a profile file, line by line, keeping every line it does not touch as it is:
// with a key and a value the key is written, with a key alone it is removed, with neither the
// whole section is removed. Only the first matching section is looked at, as the system does.
bool EditProfileFile(const std::string& hostPath, const std::string& section,
                     const std::string* key, const std::string* value) {
    std::string bytes;
    const bool existed = ReadWholeFile(hostPath, bytes);
    // A file with a UTF-16 mark is read as UTF-16: lines edited here in the code page would
    // corrupt it, so it is refused as a file that cannot be written.
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
        return false;
    std::vector<std::string> lines;
    {
        size_t p = 0;
        while (p < bytes.size()) {
            size_t e = bytes.find_first_of("\r\n", p);
            if (e == std::string::npos) e = bytes.size();
            lines.push_back(bytes.substr(p, e - p));
            p = e;
            if (p < bytes.size() && bytes[p] == '\r') ++p;
            if (p < bytes.size() && bytes[p] == '\n') ++p;
        }
    }
    const std::string wantSection = FoldNameCase(TrimProfileSpace(section));
    const std::string wantKey = key ? FoldNameCase(TrimProfileSpace(*key)) : std::string();
    bool inSection = false, found = false;
    size_t insertAt = std::string::npos, sectionStart = std::string::npos;
    size_t sectionEnd = lines.size();
    // Names are matched as the reader takes them: after a UTF-8 mark, up to a NUL byte.
    auto nameOf = [](const std::string& trimmed) {
        return FoldNameCase(CutAtNul(trimmed.data(), trimmed.data() + trimmed.size()));
    };
    for (size_t i = 0; i < lines.size() && !found; ++i) {
        std::string t = TrimProfileSpace(
            i == 0 && lines[0].compare(0, 3, "\xEF\xBB\xBF") == 0 ? lines[0].substr(3) : lines[i]);
        if (t.empty()) continue;
        if (t[0] == '[') {
            size_t close = t.rfind(']');
            if (close != std::string::npos && close > 0) {
                if (inSection) {
                    sectionEnd = i;
                    break;
                }
                inSection = nameOf(TrimProfileSpace(t.substr(1, close - 1))) == wantSection;
                if (inSection) insertAt = i + 1, sectionStart = i;
                continue;
            }
        }
        if (!inSection || !key) continue;
        insertAt = i + 1;
        size_t eq = t.find('=');
        if (nameOf(TrimProfileSpace(eq == std::string::npos ? t : t.substr(0, eq))) == wantKey) {
            if (value)
                lines[i] = TrimProfileSpace(*key) + "=" + *value;
            else
                lines.erase(lines.begin() + static_cast<long>(i));
            found = true;
        }
    }
    if (!key) {
        if (sectionStart == std::string::npos) return true; // nothing to remove
        lines.erase(lines.begin() + static_cast<long>(sectionStart),
                    lines.begin() + static_cast<long>(sectionEnd));
    } else if (!found) {
        if (!value) return true; // nothing to remove
        const std::string newLine = TrimProfileSpace(*key) + "=" + *value;
        if (insertAt != std::string::npos) {
            lines.insert(lines.begin() + static_cast<long>(insertAt), newLine);
        } else {
            lines.push_back("[" + TrimProfileSpace(section) + "]");
            lines.push_back(newLine);
        }
    }
    if (!existed && !value) return true;
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return WriteWholeFile(hostPath, out);
}

} // namespace

bool WriteProfileStringFile(const std::string& hostPath, const std::string& section,
                            const std::string& key, const std::string& value) {
    return EditProfileFile(hostPath, section, &key, &value);
}

bool DeleteProfileKeyFile(const std::string& hostPath, const std::string& section,
                          const std::string& key) {
    return EditProfileFile(hostPath, section, &key, nullptr);
}

bool DeleteProfileSectionFile(const std::string& hostPath, const std::string& section) {
    return EditProfileFile(hostPath, section, nullptr, nullptr);
}

bool ProfileSectionNamesFile(const std::string& hostPath, std::vector<std::string>& names) {
    names.clear();
    auto data = LoadProfile(hostPath);
    if (!data) return false;
    names = data->SectionNames();
    return true;
}

bool ProfileKeyNamesFile(const std::string& hostPath, const std::string& section,
                         std::vector<std::string>& names) {
    names.clear();
    auto data = LoadProfile(hostPath);
    if (!data) return false;
    size_t index;
    if (data->FindSection(section, index)) names = data->KeyNames(index);
    return true;
}

} // namespace corvid
