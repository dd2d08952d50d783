// corvid-inf: prints what the setup would read from a setup description.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pack/check.h"
#include "pack/host_description.h"
#include "pack/names.h"
#include "terminal.h"

namespace {

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: corvid-inf get [--int|--bool] FILE SECTION KEY [DEFAULT]\n"
                 "       corvid-inf check [--json] [--extract DIR] DISTRIBUTION\n"
                 "\n"
                 "Prints the value the setup reads for SECTION/KEY of FILE:\n"
                 "  (no option)  as text, DEFAULT (or empty) when the key is missing\n"
                 "  --int        by the integer rule; DEFAULT is a decimal number (0 if omitted)\n"
                 "  --bool       by the flag rule, printed as yes or no; DEFAULT is yes or no\n"
                 "\n"
                 "check reads a distribution (the folder of setup.inf, or of its disk folders\n"
                 "disk1/, disk2/, ...) as the setup will, and reports each problem as an error or\n"
                 "a warning at the section and key it comes from: missing volumes, data past the\n"
                 "end of the volumes or overlapping, archives that are damaged or lack the file's\n"
                 "member, pictures that are no bitmaps, bad directory values, components without\n"
                 "files, program items and associations without their file, empty texts that\n"
                 "are shown, a wrong [corvid] version, Opt<n>_space below the files' size.\n"
                 "  --json         the report as JSON\n"
                 "  --extract DIR  also write each file as the setup would install it below DIR\n"
                 "                 (files below the Windows directory in DIR/SystemRoot/)\n"
                 "\n"
                 "Exit codes: get: 0 done, 2 bad usage. check: 0 no findings, 1 errors,\n"
                 "2 bad usage, 3 no setup.inf found, 4 warnings only.\n");
}

bool ParseBoolWord(const std::string& s, bool& out) {
    if (s == "yes" || s == "1") return out = true, true;
    if (s == "no" || s == "0") return out = false, true;
    return false;
}

std::string Show(const std::string& ansi) {
    return corvid::tools::Display(corvid::pack::ShowAnsi(ansi));
}

int Check(const std::vector<std::string>& args) {
    bool json = false;
    std::string dir, extract;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--extract" && i + 1 < args.size()) {
            extract = args[++i];
        } else if (dir.empty() && (args[i].empty() || args[i][0] != '-')) {
            dir = args[i];
        } else {
            Usage(stderr);
            return 2;
        }
    }
    if (dir.empty()) {
        Usage(stderr);
        return 2;
    }
    corvid::pack::CheckReport r = corvid::pack::CheckDistribution(dir, extract);
    if (json) {
        std::fputs(corvid::pack::ReportJson(r).c_str(), stdout);
    } else {
        for (const corvid::pack::Finding& f : r.findings)
            std::printf("%s: %s%s\n", f.error ? "error" : "warning", Show(f.Where()).c_str(),
                        Show(f.message).c_str());
        if (!r.infPath.empty())
            std::printf("%s: %d files, %d errors, %d warnings\n", r.infPath.c_str(), r.files,
                        r.errors, r.warnings);
    }
    if (r.infPath.empty()) return 3;
    return r.errors ? 1 : r.warnings ? 4 : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        Usage(stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "check") return Check(args);
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

    const corvid::pack::HostDescription description(file);
    const corvid::SetupDescription& d = description.Reader();
    if (type == Text) {
        std::printf("%s\n", d.ReadString(section, key, hasDefault ? rest[3] : "").c_str());
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
    if (type == Int)
        std::printf("%d\n", d.ReadInteger(section, key, deflt));
    else
        std::printf("%s\n", d.ReadBool(section, key, deflt != 0) ? "yes" : "no");
    return 0;
}
