// The uninstaller program: its command line, the question before it starts, the small progress
// window and the closing message. Its texts come from the log's [language] copies, with English
// texts when those are empty:
//   l55 the question asked first when [uninstall] ask is 1
//   l56 the caption of the progress window
//   l57, l58, l59 what the progress window shows while files, then system entries (associations,
//       INI and registry entries, program group, registration), then folders are removed
//   l60 the closing message after a complete removal
//   l61 the closing message when something was left; the report's path follows it
//   l10 the wait line of the progress window; l15 and l11 the question's yes and no buttons
#pragma once

#include <string>

#include "platform/command_line.h"
#include "platform/platform.h"

namespace corvid {

struct UninstallCommand {
    std::string logPath;
    bool silent = false;
    std::string textLog;   // /log=FILE: a text log of what was removed
    std::string badOption; // an option the uninstaller does not know, after a known one
};

// "LOGPATH [/silent] [/log=FILE]": the path may hold blanks and arrives unquoted (quotes around
// it are taken off all the same); the options follow it, in any order and case.
UninstallCommand ParseUninstallArguments(const std::string& arguments);

// Exit codes of the program.
constexpr int kUninstallComplete = 0;   // everything the log names is gone
constexpr int kUninstallIncomplete = 1; // something was left or refused; the report says what
constexpr int kUninstallNoLog = 2;      // no log given or readable, a bad option, no text log made
constexpr int kUninstallDeclined = 3;   // the user answered the question with no

int RunUninstaller(Platform& platform, const std::string& arguments);

} // namespace corvid
