#include "pack/names.h"

#include <cctype>
#include <cstring>

#include "setupinf/profile.h"
#include "setupinf/schema.h"

namespace corvid::pack {

std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::u8path(utf8);
}

std::string PathText(const std::filesystem::path& path) {
    return path.u8string();
}

bool HostNameToAnsi(const std::string& host, std::string& ansi) {
    return Utf8ToAnsi(host, ansi);
}

std::string ShowAnsi(const std::string& ansi) {
#ifdef _WIN32
    return ansi;
#else
    return AnsiToUtf8(ansi);
#endif
}

namespace {

bool IsDeviceName(const std::string& name) {
    std::string base = FoldCase(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "clock$"};
    for (const char* d : kDevices)
        if (base == d) return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

} // namespace

std::string FileNameProblem(const std::string& name) {
    if (name.empty()) return "the name is empty";
    if (name.size() > 255) return "the name is longer than 255 characters";
    for (unsigned char c : name) {
        if (c < 0x20) return "the name holds a control character";
        if (std::strchr("\\/:*?\"<>|%", c))
            return std::string("the name holds \"") + static_cast<char>(c) +
                   "\", which the setup cannot use in a file name";
    }
    if (ProfileSpace(static_cast<unsigned char>(name.front())) || name.back() == ' ')
        return "the name begins or ends with a blank, which the setup description loses";
    if (name.back() == '.') return "the name ends with a full stop, which Windows drops";
    if (name.front() == '\'' && name.back() == '\'' && name.size() >= 2)
        return "the name is in quotation marks, which the setup description loses";
    if (name == schema::kEndOfList)
        return std::string("the name \"") + schema::kEndOfList + "\" ends a component's file list";
    if (IsDeviceName(name)) return "the name is a device name of Windows";
    return "";
}

bool SystemRootLeads(const std::string& value) {
    return schema::HasSystemRoot(value.substr(0, std::strlen(schema::kSystemRoot)));
}

std::string DirectoryValueProblem(const std::string& value) {
    const bool system = schema::HasSystemRoot(value);
    if (system && !SystemRootLeads(value))
        return "%SystemRoot% must begin it: the setup puts it below the Windows directory "
               "with what follows the value's first 12 characters";
    const std::string rest = system ? schema::SystemRootRest(value) : value;
    if (rest.size() < 1 || rest.front() != '\\' || rest.back() != '\\')
        return system ? "after %SystemRoot% it must begin and end with \"\\\""
                      : "it must begin and end with \"\\\" or begin with %SystemRoot%";
    if (value.size() > kValueMax) return "it is longer than the setup reads";
    // Each name between the separators must be a name a file could have.
    size_t start = 1;
    while (start < rest.size()) {
        size_t end = rest.find('\\', start);
        std::string part = rest.substr(start, end - start);
        std::string why = part == "." || part == ".." ? "\".\" and \"..\" are not directory names"
                                                      : FileNameProblem(part);
        if (!why.empty()) return "directory \"" + part + "\": " + why;
        start = end + 1;
    }
    return "";
}

} // namespace corvid::pack
