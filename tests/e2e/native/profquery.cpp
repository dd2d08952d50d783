// corvid_profquery: the native side of the profile comparison.
//
//   corvid_profquery gen CORPUS             prints queries for every file of CORPUS
//   corvid_profquery compare CORPUS QUERIES ANSWERS
//                                           answers QUERIES with our reader and lists every
//                                           answer that differs from ANSWERS (profread's output)
//
// The queries come from the files themselves, so any folder of profile files can serve: every
// section and key that appears, as written and trimmed, in other letter case, with blanks
// around, and names that are missing, each with a few kinds of default.
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "profile_queries.h"
#include "setupinf/profile.h"

using profile_queries::Query;

namespace {

bool Space(char c) {
    return corvid::ProfileSpace(static_cast<unsigned char>(c));
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && Space(s[b])) ++b;
    while (e > b && Space(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string CutAtNul(const std::string& s) {
    return s.substr(0, s.find('\0'));
}

// Letter case of Windows-1252 text, to ask for names in another case.
std::string Upper(std::string s) {
    for (char& ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c -= 32;
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            c -= 16;
        else if (c == 0xFF)
            c = 0x9F;
        ch = static_cast<char>(c);
    }
    return s;
}

std::string Lower(std::string s) {
    for (char& ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c += 32;
        else if (c == 0x8A || c == 0x8C || c == 0x8E)
            c += 16;
        else if (c == 0x9F)
            c = 0xFF;
        ch = static_cast<char>(c);
    }
    return s;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Every file below dir, subfolders included, as a path relative to dir; names starting with "."
// are left out.
void CollectFiles(const std::string& dir, const std::string& rel, std::vector<std::string>& out) {
    DIR* d = opendir((dir + "/" + rel).c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        struct stat st {};
        if (n.empty() || n[0] == '.' || stat((dir + "/" + rel + n).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            CollectFiles(dir, rel + n + "/", out);
        else if (S_ISREG(st.st_mode))
            out.push_back(rel + n);
    }
    closedir(d);
}

std::vector<std::string> CorpusFiles(const std::string& dir) {
    std::vector<std::string> names;
    CollectFiles(dir, "", names);
    std::sort(names.begin(), names.end());
    return names;
}

// A deliberately simple scan of a file's lines, independent of the reader under test: it only
// has to find the names worth asking for.
struct Scanned {
    std::vector<std::string> sections;          // distinct names in file order
    std::vector<std::vector<std::string>> keys; // per section; [0] is before any header
};

Scanned Scan(const std::string& bytes) {
    Scanned s;
    s.keys.emplace_back();
    size_t p = 0;
    while (p < bytes.size()) {
        size_t e = bytes.find_first_of("\r\n", p);
        if (e == std::string::npos) e = bytes.size();
        std::string line = Trim(bytes.substr(p, e - p));
        p = e + 1;
        if (line.empty()) continue;
        size_t close = line.rfind(']');
        if (line[0] == '[' && close != std::string::npos && close > 0) {
            s.sections.push_back(CutAtNul(line.substr(1, close - 1)));
            s.keys.emplace_back();
            continue;
        }
        std::string name = CutAtNul(line.substr(0, line.find('=')));
        if (name.size() > 300) continue; // long lines without "=" are values, not names
        std::vector<std::string>& keys = s.keys.back();
        if (std::find(keys.begin(), keys.end(), name) == keys.end()) keys.push_back(name);
    }
    return s;
}

// Names as written, trimmed, in both letter cases and with blanks around, without repeats.
std::vector<std::string> Variants(const std::string& name) {
    std::vector<std::string> v;
    for (const std::string& x :
         {name, Trim(name), Upper(Trim(name)), Lower(Trim(name)), " \t" + Trim(name) + "\t "})
        if (std::find(v.begin(), v.end(), x) == v.end()) v.push_back(x);
    return v;
}

const std::string kMissing = "corvid-missing";

std::vector<Query> Generate(const std::string& corpus) {
    const std::string longDefault = "long default " + std::string(1100, 'd');
    const std::vector<std::string> defaults = {"<def>",       "",  "\"quoted default\"", "'half",
                                               "trailing   ", " ", longDefault};
    std::vector<Query> out;
    for (const std::string& file : CorpusFiles(corpus)) {
        // Unicode files are scanned in the code page the queries are asked in.
        Scanned s = Scan(corvid::ProfileText(ReadAll(corpus + "/" + file)));
        // Sections by name; the nameless part before the first header is asked for as "".
        std::vector<std::string> sectionNames = {""};
        for (const std::string& n : s.sections) sectionNames.push_back(n);
        for (size_t i = 0; i < sectionNames.size(); ++i) {
            std::vector<std::string> keys = s.keys[i];
            keys.push_back(kMissing);
            for (const std::string& sec : Variants(sectionNames[i])) {
                for (const std::string& key : keys) {
                    std::vector<std::string> kv = Variants(key);
                    for (size_t k = 0; k < kv.size(); ++k)
                        out.push_back({file, sec, kv[k], defaults[k % 2]});
                }
            }
            // The keys also in a section that does not exist, with every kind of default.
            for (size_t k = 0; k < keys.size(); ++k)
                out.push_back({file, kMissing, keys[k], defaults[k % defaults.size()]});
        }
        for (const std::string& d : defaults) out.push_back({file, "", kMissing, d});
    }
    for (const std::string& d : defaults) {
        out.push_back({kMissing + ".ini", "s", "k", d});
        out.push_back({kMissing + "/missing.ini", "s", "k", d});
    }
    return out;
}

int Compare(const std::string& corpus, const std::string& queriesPath,
            const std::string& answersPath) {
    std::ifstream qin(queriesPath, std::ios::binary), ain(answersPath, std::ios::binary);
    if (!qin || !ain) {
        std::fprintf(stderr, "corvid_profquery: cannot read %s or %s\n", queriesPath.c_str(),
                     answersPath.c_str());
        return 2;
    }
    std::string line, acp;
    std::getline(ain, acp);
    std::printf("system reader: %s\n", acp.c_str());
    size_t total = 0, differ = 0;
    while (std::getline(qin, line)) {
        Query q;
        if (!profile_queries::ParseQuery(line, q)) {
            std::fprintf(stderr, "corvid_profquery: bad query line %zu\n", total + 1);
            return 2;
        }
        std::string theirs;
        if (!std::getline(ain, theirs)) {
            std::printf("the system's answers end after %zu of the queries\n", total);
            return 1;
        }
        ++total;
        std::string ours = profile_queries::Escape(
            corvid::ReadProfileString(corpus + "/" + q.file, q.section, q.key, q.deflt));
        if (ours == theirs) continue;
        if (++differ <= 200)
            std::printf("DIFF %s [%s] key \"%s\" default \"%s\"\n  system: \"%s\"\n  ours:   "
                        "\"%s\"\n",
                        q.file.c_str(), profile_queries::Escape(q.section).c_str(),
                        profile_queries::Escape(q.key).c_str(),
                        profile_queries::Escape(q.deflt).substr(0, 60).c_str(), theirs.c_str(),
                        ours.c_str());
    }
    if (std::getline(ain, line)) {
        std::printf("the system gave more answers than there are queries\n");
        return 1;
    }
    std::printf("%zu queries, %zu differ\n", total, differ);
    return differ == 0 && total > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> a(argv + 1, argv + argc);
    if (a.size() == 2 && a[0] == "gen") {
        if (CorpusFiles(a[1]).empty()) {
            std::fprintf(stderr, "corvid_profquery: no files in %s\n", a[1].c_str());
            return 2;
        }
        // Repeated names (duplicate sections, say) would ask the same thing twice.
        std::set<std::string> printed;
        for (const Query& q : Generate(a[1])) {
            std::string line = FormatQuery(q);
            if (printed.insert(line).second) std::printf("%s\n", line.c_str());
        }
        return 0;
    }
    if (a.size() == 4 && a[0] == "compare") return Compare(a[1], a[2], a[3]);
    std::fprintf(stderr, "usage: corvid_profquery gen CORPUS\n"
                         "       corvid_profquery compare CORPUS QUERIES ANSWERS\n");
    return 2;
}
