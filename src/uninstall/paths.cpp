#include "uninstall/paths.h"

#include <cctype>

#include "setupinf/profile.h"

namespace corvid {

namespace {

// Names the system takes for a device wherever they stand, with any extension: "con",
// "nul.txt", "COM1 .log".
bool DeviceName(const std::string& name) {
    std::string base = FoldCase(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kDevices[] = {"con",    "prn",     "aux",   "nul",
                                           "conin$", "conout$", "clock$"};
    for (const char* d : kDevices)
        if (base == d) return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Checks a name and brings it to the form the system uses: trailing dots and blanks dropped.
bool CheckName(std::string& name, std::string& why) {
    bool onlyDots = true;
    for (unsigned char c : name) {
        if (c < 32 || std::string("<>:\"|?*").find(static_cast<char>(c)) != std::string::npos) {
            why = "the name \"" + name + "\" holds a character that no file name has";
            return false;
        }
        if (c != '.' && c != ' ') onlyDots = false;
    }
    if (onlyDots) {
        // The system strips trailing dots and blanks, so ". ." and "..." would climb out too.
        why = name == ".." ? "it leaves its folder through \"..\""
                           : "the name \"" + name + "\" is made of dots and blanks only";
        return false;
    }
    if (DeviceName(name)) {
        why = "the name \"" + name + "\" is a device's, not a file's";
        return false;
    }
    while (name.back() == '.' || name.back() == ' ') name.pop_back();
    return true;
}

bool SplitNames(const std::string& text, size_t from, std::vector<std::string>& parts,
                std::string& why) {
    size_t p = from;
    while (p <= text.size()) {
        size_t e = text.find_first_of("\\/", p);
        if (e == std::string::npos) e = text.size();
        std::string name = text.substr(p, e - p);
        p = e + 1;
        if (name.empty() || name == ".") continue;
        if (!CheckName(name, why)) return false;
        parts.push_back(name);
    }
    return true;
}

bool SameName(const std::string& a, const std::string& b) {
    return FoldCase(a) == FoldCase(b);
}

} // namespace

std::string WinPath::Text() const {
    std::string t = root;
    for (const std::string& p : parts) t += "\\" + p;
    if (parts.empty()) t += "\\";
    return t;
}

WinPath WinPath::Child(const std::vector<std::string>& names) const {
    WinPath c = *this;
    c.parts.insert(c.parts.end(), names.begin(), names.end());
    return c;
}

WinPath WinPath::Parent() const {
    WinPath p = *this;
    if (!p.parts.empty()) p.parts.pop_back();
    return p;
}

bool ParseAbsolutePath(const std::string& text, WinPath& out, std::string& why) {
    out = WinPath();
    const auto isSep = [&](size_t i) {
        return i < text.size() && (text[i] == '\\' || text[i] == '/');
    };
    if (text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))) {
        if (text.size() > 2 && !isSep(2)) {
            why = "\"" + text + "\" is relative to a drive's current folder";
            return false;
        }
        out.root =
            std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])))) +
            ":";
        return SplitNames(text, 2, out.parts, why);
    }
    if (isSep(0) && isSep(1)) {
        std::vector<std::string> names;
        if (!SplitNames(text, 2, names, why)) return false;
        // "\\.\" and "\\?\" open devices and raw paths, whichever slash follows.
        if (names.size() < 2 || (text.size() > 2 && (text[2] == '.' || text[2] == '?') &&
                                 (text.size() == 3 || isSep(3)))) {
            why = "\"" + text + "\" names no network share";
            return false;
        }
        out.root = "\\\\" + names[0] + "\\" + names[1];
        out.parts.assign(names.begin() + 2, names.end());
        return true;
    }
    why = "\"" + text + "\" is not an absolute path";
    return false;
}

bool ParseRelativePath(const std::string& text, std::vector<std::string>& parts, std::string& why) {
    parts.clear();
    if (text.find(':') != std::string::npos ||
        (text.size() >= 2 && (text[0] == '\\' || text[0] == '/') &&
         (text[1] == '\\' || text[1] == '/'))) {
        why = "\"" + text + "\" is an absolute path, not one below the destination";
        return false;
    }
    return SplitNames(text, 0, parts, why);
}

bool SamePath(const WinPath& a, const WinPath& b) {
    if (!SameName(a.root, b.root) || a.parts.size() != b.parts.size()) return false;
    for (size_t i = 0; i < a.parts.size(); ++i)
        if (!SameName(a.parts[i], b.parts[i])) return false;
    return true;
}

bool IsBelow(const WinPath& inner, const WinPath& outer) {
    if (!SameName(inner.root, outer.root) || inner.parts.size() <= outer.parts.size()) return false;
    for (size_t i = 0; i < outer.parts.size(); ++i)
        if (!SameName(inner.parts[i], outer.parts[i])) return false;
    return true;
}

} // namespace corvid
