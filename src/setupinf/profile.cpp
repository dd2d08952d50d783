#include "setupinf/profile.h"

#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>

namespace corvid {

bool ProfileSpace(unsigned char c) {
    return (c >= 9 && c <= 13) || c == 0x1a || c == 0x20;
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

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && ProfileSpace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && ProfileSpace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

} // namespace

std::string FoldCase(const std::string& s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(FoldChar(static_cast<unsigned char>(c)));
    return r;
}

ProfileData::ProfileData(const std::string& bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    if (bytes.size() >= 3 && static_cast<unsigned char>(p[0]) == 0xEF &&
        static_cast<unsigned char>(p[1]) == 0xBB && static_cast<unsigned char>(p[2]) == 0xBF)
        p += 3;

    // Keys before the first section header belong to the section named "" (which therefore hides
    // every later "[]" section).
    sections_.push_back(Section{});
    bool prevKey = false, prevKeyNamed = false;

    auto sp = [](const char* c) { return ProfileSpace(static_cast<unsigned char>(*c)); };
    while (p < end) {
        const char* ls = p;
        while (p < end && *p != '\n' && *p != '\r') ++p;
        const char* le = p;
        while (p < end && (*p == '\n' || *p == '\r')) ++p;

        while (ls < le && sp(ls)) ++ls;
        while (le > ls && sp(le - 1)) --le;
        if (ls >= le) continue;

        if (*ls == '[') {
            const char* ne = le - 1;
            while (ne > ls && *ne != ']') --ne;
            if (ne > ls) {
                // Blanks inside the brackets are not part of the name: "[ x ]" is section "x".
                const char* nb = ls + 1;
                while (nb < ne && sp(nb)) ++nb;
                while (ne > nb && sp(ne - 1)) --ne;
                Section s;
                s.name = CutAtNul(nb, ne);
                sections_.push_back(std::move(s));
                prevKey = false;
                continue;
            }
        }

        const char* nameEnd = le;
        const char* valueStart = nullptr;
        for (const char* q = ls; q < le; ++q) {
            if (*q == '=') {
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
            k.name = CutAtNul(ls, nameEnd);
            if (valueStart) k.value = CutAtNul(valueStart, le);
            prevKey = true;
            prevKeyNamed = nameEnd > ls;
            sections_.back().keys.push_back(std::move(k));
        }
    }

    for (size_t i = 0; i < sections_.size(); ++i) {
        Section& s = sections_[i];
        index_.emplace(FoldNameCase(s.name), i);
        for (size_t k = 0; k < s.keys.size(); ++k) s.index.emplace(FoldNameCase(s.keys[k].name), k);
    }
}

const std::string* ProfileData::Find(const std::string& section, const std::string& key) const {
    auto si = index_.find(FoldNameCase(Trim(section)));
    if (si == index_.end()) return nullptr;
    const Section& s = sections_[si->second];
    auto ki = s.index.find(FoldNameCase(Trim(key)));
    if (ki == s.index.end()) return nullptr;
    const Key& k = s.keys[ki->second];
    return k.value ? &*k.value : nullptr;
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

std::string ProfileResult(const std::string* value, const std::string& deflt, bool fileOpened) {
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
    if (!v.empty() && (v[0] == '"' || v[0] == '\'') && v.size() > 1 && v.back() == v[0]) {
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

} // namespace

std::shared_ptr<const ProfileData> LoadProfile(const std::string& hostPath) {
    struct stat st {};
    if (stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    std::lock_guard<std::mutex> lock(cacheMutex);
    auto it = cache.find(hostPath);
    if (it != cache.end() && SameFile(it->second.st, st)) return it->second.data;

    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return nullptr;
    std::ostringstream ss;
    ss << in.rdbuf();
    auto data = std::make_shared<const ProfileData>(ss.str());
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
    return ProfileResult(data->Find(section, key), deflt, true);
}

bool WriteProfileStringFile(const std::string& hostPath, const std::string& section,
                            const std::string& key, const std::string& value) {
    std::string bytes;
    {
        std::ifstream in(hostPath, std::ios::binary);
        if (in) {
            std::ostringstream ss;
            ss << in.rdbuf();
            bytes = ss.str();
        }
    }
    // Work line by line, keeping every line we do not touch as it is.
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
    const std::string wantSection = FoldNameCase(Trim(section));
    const std::string wantKey = FoldNameCase(Trim(key));
    const std::string newLine = Trim(key) + "=" + value;
    bool inSection = false, found = false;
    size_t insertAt = std::string::npos;
    for (size_t i = 0; i < lines.size() && !found; ++i) {
        std::string t = Trim(lines[i]);
        if (t.empty()) continue;
        if (t[0] == '[') {
            size_t close = t.rfind(']');
            if (close != std::string::npos && close > 0) {
                if (inSection) break; // only the first matching section is looked at
                inSection = FoldNameCase(Trim(t.substr(1, close - 1))) == wantSection;
                if (inSection) insertAt = i + 1;
                continue;
            }
        }
        if (!inSection) continue;
        insertAt = i + 1;
        size_t eq = t.find('=');
        std::string name = Trim(eq == std::string::npos ? t : t.substr(0, eq));
        if (FoldNameCase(name) == wantKey) {
            lines[i] = newLine;
            found = true;
        }
    }
    if (!found) {
        if (insertAt != std::string::npos) {
            lines.insert(lines.begin() + static_cast<long>(insertAt), newLine);
        } else {
            lines.push_back("[" + Trim(section) + "]");
            lines.push_back(newLine);
        }
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    std::ofstream os(hostPath, std::ios::binary | std::ios::trunc);
    if (!os) return false;
    os << out;
    return static_cast<bool>(os);
}

} // namespace corvid
