// The setup's options: case-insensitive, written with / or -, values after '=' and quotes
// around values that hold blanks. The option list is also what /? shows.
#pragma once

#include <string>

#include "state/setup_options.h"

namespace corvid {

// Reads the arguments (the command line without the program's name). False with a message
// naming the offending argument when an option is unknown, lacks its value, has a value it must
// not have, or has a value that can never be right.
bool ParseSetupOptions(const std::string& arguments, SetupOptions& options, std::string& error);

// The options with a line on each, for the help box and the error box.
std::string SetupOptionList();

// The answer file written by /saveinf and read by /loadinf: its section and keys, which carry
// the options' names.
constexpr char kAnswerSection[] = "choices";

} // namespace corvid
