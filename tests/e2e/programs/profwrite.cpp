// profwrite: makes two copies of every profile file of a folder and writes the same long
// sequence of keys into them, one through the system's WritePrivateProfileStringA, the other
// through our in-memory editor (written whole at the end), and compares the bytes.
//
//   profwrite SOURCEDIR WORKDIR
//
// Files with a byte-order mark are left out: the editor keeps text in the code page. Prints one
// line per file that differs (with the first differing offset) and exits 1 then; 2 on bad use.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "setupinf/profile.h"

namespace {

bool ReadAll(const std::string& path, std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    return true;
}

bool WriteAll(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

struct Entry {
    std::string section, key, value;
};

// An uninstall log's writes in the run's order (entries numbered, totals raised as files
// come), mixed with writes into the file's own sections and keys and the odd spellings the
// system accepts: other letter case, blanks around names and values, values unchanged.
std::vector<Entry> Sequence(const corvid::ProfileData& existing) {
    std::vector<Entry> w;
    w.push_back({"readme", "file", "C:\\Product\\doc\\readme.txt"});
    w.push_back({"important!", "c", "Do not remove"});
    w.push_back({"important!", "i1", "Needed to uninstall Product"});
    for (const char* s : {"files", "directories", "extensions"}) w.push_back({s, "total", "0"});
    for (int n : {55, 56, 57, 60, 61})
        w.push_back({"language", "l" + std::to_string(n), "Text " + std::to_string(n)});
    w.push_back({"uninstall", "name", "Product"});
    w.push_back({"uninstall", "language", ""});
    for (int i = 1; i <= 12; ++i)
        w.push_back({"directories", "d" + std::to_string(i), "\\dir" + std::to_string(i) + "\\"});
    w.push_back({"directories", "total", "12"});
    for (int i = 1; i <= 60; ++i) {
        w.push_back({"files", "total", std::to_string(i)});
        w.push_back({"files", "f" + std::to_string(i),
                     "\\dir" + std::to_string(i % 12 + 1) + "\\file" + std::to_string(i) + ".dat"});
    }
    w.push_back({"FILES", "TOTAL", "60"});
    w.push_back({" files ", " f7 ", "  \\moved.dat  "});
    w.push_back({"files", "f8", "\"quoted\""});
    w.push_back({"ini_1", "name", "C:\\Windows\\x.ini"});
    w.push_back({"ini_1", "s1", "Section with blanks "});
    // The file's own sections and keys, each given a new value and then its old one again.
    const std::vector<std::string> sections = existing.SectionNames();
    for (size_t i = 0; i < sections.size() && i < 20; ++i) {
        const std::vector<std::string> keys = existing.KeyNames(i);
        w.push_back({sections[i], "added", "new key " + std::to_string(i)});
        for (size_t k = 0; k < keys.size() && k < 5; ++k) {
            // Names and values the program writes end at 1023 characters; the system's call
            // mangles longer ones than 32767.
            if (keys[k].empty() || keys[k].size() > 1023) continue;
            bool quotable = true;
            const std::string* old = existing.Find(sections[i], keys[k], &quotable);
            w.push_back({sections[i], keys[k], "replaced " + std::to_string(k)});
            if (old && old->size() < 1024) w.push_back({sections[i], keys[k], *old});
        }
    }
    w.push_back({"uninstall", "ask", "1 "});
    w.push_back({"files", "total", "61"});
    w.push_back({"files", "f61", "\\last.dat\t"});
    return w;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: profwrite SOURCEDIR WORKDIR\n");
        return 2;
    }
    const std::string source = std::string(argv[1]) + "\\", work = std::string(argv[2]) + "\\";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((source + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "profwrite: cannot list %s\n", argv[1]);
        return 2;
    }
    int files = 0, differ = 0;
    do {
        const std::string name = fd.cFileName;
        if (name[0] == '.' || (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        std::string bytes;
        if (!ReadAll(source + name, bytes)) {
            std::fprintf(stderr, "profwrite: cannot read %s\n", name.c_str());
            return 2;
        }
        const unsigned char b0 = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
        if (b0 == 0xEF || b0 == 0xFF || b0 == 0xFE) continue;
        ++files;
        const std::string system = work + "system-" + name, own = work + "own-" + name;
        if (!WriteAll(system, bytes)) {
            std::fprintf(stderr, "profwrite: cannot write %s\n", system.c_str());
            return 2;
        }
        corvid::ProfileData editor(bytes);
        bool changed = false;
        for (const Entry& e : Sequence(corvid::ProfileData(bytes))) {
            if (!WritePrivateProfileStringA(e.section.c_str(), e.key.c_str(), e.value.c_str(),
                                            system.c_str())) {
                std::fprintf(stderr, "profwrite: the system refused a write into %s\n",
                             system.c_str());
                return 2;
            }
            changed = editor.Set(e.section, e.key, e.value) || changed;
        }
        if (!WriteAll(own, changed ? editor.Text() : bytes)) {
            std::fprintf(stderr, "profwrite: cannot write %s\n", own.c_str());
            return 2;
        }
        std::string fromSystem;
        ReadAll(system, fromSystem);
        const std::string fromEditor = changed ? editor.Text() : bytes;
        if (fromSystem != fromEditor) {
            size_t at = 0;
            while (at < fromSystem.size() && at < fromEditor.size() &&
                   fromSystem[at] == fromEditor[at])
                ++at;
            std::printf("%s: differs at byte %u (system %u bytes, editor %u bytes)\n", name.c_str(),
                        static_cast<unsigned>(at), static_cast<unsigned>(fromSystem.size()),
                        static_cast<unsigned>(fromEditor.size()));
            ++differ;
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::printf("%d files, %d differ\n", files, differ);
    return differ == 0 && files > 0 ? 0 : 1;
}
