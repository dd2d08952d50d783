// profread: answers a list of profile queries through the system's GetPrivateProfileStringA with
// the setup's 1024-byte buffer, so that the native reader can be compared against it, and with
// OWNANSWERS also through the setup's own reader as this Windows build runs it (the description
// reader over the real platform).
//
//   profread QUERIES ANSWERS BASEDIR [OWNANSWERS]
//
// QUERIES is in the format of profile_queries.h; each file is relative to BASEDIR ("/" becomes
// "\"). ANSWERS receives the line "acp=<code page>" and then one escaped answer per query;
// OWNANSWERS the same from the own reader.
#include "win32/win.h" // before the platform: without the macros that rename its members

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "profile_queries.h"
#include "setupinf/setup_description.h"
#include "win32/platform_win32.h"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: profread QUERIES ANSWERS BASEDIR [OWNANSWERS]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "profread: cannot read %s\n", argv[1]);
        return 2;
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::fprintf(stderr, "profread: cannot write %s\n", argv[2]);
        return 2;
    }
    FILE* own = argc == 5 ? std::fopen(argv[4], "wb") : nullptr;
    if (argc == 5 && !own) {
        std::fprintf(stderr, "profread: cannot write %s\n", argv[4]);
        return 2;
    }
    corvid::Win32Platform platform(GetModuleHandleA(nullptr));
    // One reader per file, as the setup keeps one per description: most answers come from its
    // parsed copy.
    std::map<std::string, std::unique_ptr<corvid::SetupDescription>> readers;
    std::string base = argv[3];
    if (!base.empty() && base.back() != '\\') base += '\\';
    std::fprintf(out, "acp=%u\n", GetACP());
    if (own) std::fprintf(own, "acp=%u\n", GetACP());

    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        profile_queries::Query q;
        if (!profile_queries::ParseQuery(line, q)) {
            std::fprintf(stderr, "profread: line %d is not a query\n", lineNo);
            return 2;
        }
        std::string file = base + q.file;
        for (char& ch : file)
            if (ch == '/') ch = '\\';
        char buffer[1024];
        std::memset(buffer, 0x55, sizeof buffer);
        DWORD n = GetPrivateProfileStringA(q.section.c_str(), q.key.c_str(), q.deflt.c_str(),
                                           buffer, sizeof buffer, file.c_str());
        // The setup only looks at the text up to its NUL; a count that disagrees is worth a note.
        std::string answer(buffer);
        if (answer.size() != n)
            std::fprintf(stderr, "profread: query %d: returned %lu for a text of %u bytes\n",
                         lineNo, static_cast<unsigned long>(n),
                         static_cast<unsigned>(answer.size()));
        std::fprintf(out, "%s\n", profile_queries::Escape(answer).c_str());
        if (own) {
            auto& reader = readers[file];
            if (!reader) reader = std::make_unique<corvid::SetupDescription>(platform, file);
            const std::string mine = reader->ReadString(q.section, q.key, q.deflt);
            std::fprintf(own, "%s\n", profile_queries::Escape(mine).c_str());
        }
    }
    if (own && std::fclose(own) != 0) return 1;
    return std::fclose(out) == 0 ? 0 : 1;
}
