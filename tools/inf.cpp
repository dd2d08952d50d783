// corvid-inf: prints what the setup would read from a setup description.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "setupinf/profile.h"
#include "setupinf/values.h"

namespace {

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: corvid-inf get [--int|--bool] FILE SECTION KEY [DEFAULT]\n"
                 "\n"
                 "Prints the value the setup reads for SECTION/KEY of FILE:\n"
                 "  (no option)  as text, DEFAULT (or empty) when the key is missing\n"
                 "  --int        by the integer rule; DEFAULT is a decimal number (0 if omitted)\n"
                 "  --bool       by the flag rule, printed as yes or no; DEFAULT is yes or no\n"
                 "Exit codes: 0 done, 2 bad usage.\n");
}

bool ParseBoolWord(const std::string& s, bool& out) {
    if (s == "yes" || s == "1") return out = true, true;
    if (s == "no" || s == "0") return out = false, true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        Usage(stdout);
        return 0;
    }
    if (args.empty() || args[0] != "get") {
        Usage(stderr);
        return 2;
    }
    args.erase(args.begin());
    enum { Text, Int, Bool } type = Text;
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--int")
            type = Int;
        else if (a == "--bool")
            type = Bool;
        else
            rest.push_back(a);
    }
    if (rest.size() < 3 || rest.size() > 4) {
        Usage(stderr);
        return 2;
    }
    const std::string& file = rest[0];
    const std::string& section = rest[1];
    const std::string& key = rest[2];
    const bool hasDefault = rest.size() == 4;

    if (type == Text) {
        std::string v = corvid::ReadProfileString(file, section, key, hasDefault ? rest[3] : "");
        std::printf("%s\n", v.c_str());
        return 0;
    }
    int32_t deflt = 0;
    if (type == Int && hasDefault) {
        char* end = nullptr;
        long long d = std::strtoll(rest[3].c_str(), &end, 10);
        if (rest[3].empty() || *end || d < INT32_MIN || d > INT32_MAX) {
            std::fprintf(stderr, "corvid-inf: the default must be a 32-bit decimal number\n");
            return 2;
        }
        deflt = static_cast<int32_t>(d);
    }
    if (type == Bool && hasDefault) {
        bool b = false;
        if (!ParseBoolWord(rest[3], b)) {
            std::fprintf(stderr, "corvid-inf: the default of --bool must be yes or no\n");
            return 2;
        }
        deflt = b ? 1 : 0;
    }
    std::string raw = corvid::ReadProfileString(file, section, key, "");
    int32_t v = corvid::ParseInteger(raw, deflt);
    if (type == Int)
        std::printf("%d\n", v);
    else
        std::printf("%s\n", v != 0 ? "yes" : "no");
    return 0;
}
