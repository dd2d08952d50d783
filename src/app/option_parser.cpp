#include "app/option_parser.h"

#include "platform/command_line.h"

namespace corvid {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

// Comma-separated items, each trimmed; false when one of them is empty ("1,,2", "1,").
bool SplitList(const std::string& text, std::vector<std::string>& items) {
    items.clear();
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string item =
            Trimmed(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (item.empty()) return false;
        items.push_back(item);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

} // namespace

std::string SetupOptionList() {
    return "Options (/ or -, any case; quote values with blanks):\r"
           "/silent\tonly the progress window\r"
           "/verysilent\tno window at all\r"
           "/dir=PATH\tthe destination folder\r"
           "/group=NAME\tthe program group\r"
           "/noicons\tno program group\r"
           "/type=standard|minimal|custom|cd\tthe setup type\r"
           "/components=LIST\tcomponent numbers or names, comma-separated\r"
           "/norestart\tnever restart; exit code 3010 when a restart is needed\r"
           "/log=FILE\ta text log of the installation\r"
           "/saveinf=FILE\tsave the choices made\r"
           "/loadinf=FILE\ttake the choices from a saved file\r"
           "/? or /help\tthis list";
}

bool ParseSetupOptions(const std::string& arguments, SetupOptions& o, std::string& error) {
    o = SetupOptions();
    const std::vector<std::string> all = SplitArguments(arguments);
    // Known first, so that a bad option in a silent run is not shown in a message box.
    for (const std::string& argument : all) {
        CommandOption opt;
        if (ReadOption(argument, opt) && !opt.hasValue && opt.name == "verysilent")
            o.quiet = Quietness::VerySilent;
        else if (ReadOption(argument, opt) && !opt.hasValue && opt.name == "silent" &&
                 o.quiet == Quietness::Interactive)
            o.quiet = Quietness::Silent;
    }
    for (const std::string& argument : all) {
        o.given = true;
        CommandOption opt;
        if (!ReadOption(argument, opt)) {
            error = "Not an option: " + argument;
            return false;
        }
        const std::string& n = opt.name;
        const bool flag = n == "silent" || n == "verysilent" || n == "noicons" ||
                          n == "norestart" || n == "?" || n == "help";
        const bool valued = n == "dir" || n == "group" || n == "type" || n == "components" ||
                            n == "log" || n == "saveinf" || n == "loadinf";
        if (!flag && !valued) {
            error = "Unknown option: " + argument;
            return false;
        }
        if (flag && opt.hasValue) {
            error = "The option takes no value: " + argument;
            return false;
        }
        if (valued && Trimmed(opt.value).empty()) {
            error = "The option needs a value: " + argument;
            return false;
        }
        // A repeated option: the last one counts; /verysilent outranks /silent.
        if (n == "silent") {
            if (o.quiet != Quietness::VerySilent) o.quiet = Quietness::Silent;
        } else if (n == "verysilent") {
            o.quiet = Quietness::VerySilent;
        } else if (n == "noicons") {
            o.noIcons = true;
        } else if (n == "norestart") {
            o.noRestart = true;
        } else if (n == "?" || n == "help") {
            o.help = true;
        } else if (n == "dir") {
            o.dir = opt.value;
        } else if (n == "group") {
            o.group = opt.value;
        } else if (n == "type") {
            const std::string t = Lower(Trimmed(opt.value));
            if (t != "standard" && t != "minimal" && t != "custom" && t != "cd") {
                error = "Unknown setup type: " + argument;
                return false;
            }
            o.type = t;
        } else if (n == "components") {
            if (!SplitList(opt.value, o.components)) {
                error = "An empty item in the component list: " + argument;
                return false;
            }
            o.componentsGiven = true;
        } else if (n == "log") {
            o.log = opt.value;
        } else if (n == "saveinf") {
            o.saveInf = opt.value;
        } else if (n == "loadinf") {
            o.loadInf = opt.value;
        }
    }
    if (o.componentsGiven) {
        if (!o.type.empty() && o.type != "custom") {
            error = "A component list needs the custom setup type, not /type=" + o.type;
            return false;
        }
        o.type = "custom";
    }
    return true;
}

} // namespace corvid
