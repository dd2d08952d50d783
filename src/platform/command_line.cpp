#include "platform/command_line.h"

namespace corvid {

namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::string ArgumentsOf(const std::string& commandLine) {
    size_t p = 0;
    while (p < commandLine.size() && Blank(commandLine[p])) ++p;
    if (p < commandLine.size() && commandLine[p] == '"') {
        size_t close = commandLine.find('"', p + 1);
        p = close == std::string::npos ? commandLine.size() : close + 1;
    }
    while (p < commandLine.size() && !Blank(commandLine[p])) ++p;
    while (p < commandLine.size() && Blank(commandLine[p])) ++p;
    size_t e = commandLine.size();
    while (e > p && Blank(commandLine[e - 1])) --e;
    return commandLine.substr(p, e - p);
}

std::vector<std::string> SplitArguments(const std::string& arguments) {
    std::vector<std::string> out;
    std::string current;
    bool inArgument = false, quoted = false;
    for (char c : arguments) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true; // "" is an empty argument
        } else if (Blank(c) && !quoted) {
            if (inArgument) out.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) out.push_back(current);
    return out;
}

bool ReadOption(const std::string& argument, CommandOption& option) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return false;
    const size_t eq = argument.find('=');
    const std::string name = argument.substr(1, eq == std::string::npos ? eq : eq - 1);
    if (name.empty()) return false;
    option.name.clear();
    for (char c : name) option.name += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    option.hasValue = eq != std::string::npos;
    option.value = option.hasValue ? argument.substr(eq + 1) : std::string();
    return true;
}

} // namespace corvid
