// Command lines as Windows hands them to a program: one string. Splitting it into arguments and
// reading options written /name, -name, /name=value or /name="value with blanks". Shared by the
// setup and the uninstaller.
#pragma once

#include <string>
#include <vector>

namespace corvid {

// The arguments of a whole command line: the program's name (quoted, or up to the first blank)
// and the blanks after it dropped.
std::string ArgumentsOf(const std::string& commandLine);

// Splits at blanks and tabs. A double quote opens or closes a stretch in which blanks belong to
// the argument; the quotes themselves are dropped, so /dir="C:\My Tools" and "/dir=C:\My Tools"
// give the same argument. Backslashes are plain characters: paths such as "C:\Tools\" keep
// their last backslash.
std::vector<std::string> SplitArguments(const std::string& arguments);

struct CommandOption {
    std::string name;  // lower case, without the leading / or -
    std::string value; // after the first '=', as given
    bool hasValue = false;
};

// Reads one argument as an option; false when it does not start with / or - or has no name.
bool ReadOption(const std::string& argument, CommandOption& option);

} // namespace corvid
