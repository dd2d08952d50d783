// A setup started with options: the choices set into the wizard's own controls before anyone
// (or nothing) presses Next, the silent walk through its pages, the answer files and the exit
// code. A silent run goes through the very checks and messages an interactive one does.
#pragma once

#include <string>

#include "state/context.h"

namespace corvid {

class Tleader;

// Exit codes of a setup started with options (without options it always ends with 0).
constexpr int kExitInstalled = 0;
constexpr int kExitCannotStart = 1;      // no setup.inf, bad options, a log that cannot be made
constexpr int kExitNotInstalled = 2;     // ended before anything was installed
constexpr int kExitFailed = 4;           // a fatal error during the installation, cleaned up
constexpr int kExitTerminated = 5;       // terminated during the installation, cleaned up
constexpr int kExitRestartNeeded = 3010; // installed; a restart is needed and was not made

// Reads the choices of /loadinf's file into the options; what the command line gave stays.
// False with a message when the file cannot be read.
bool LoadAnswerFile(Platform& platform, SetupOptions& options, std::string& error);

// Writes the choices as the wizard hands over to the installation, in the file's format.
bool SaveAnswerFile(Context& ctx, const std::string& path);

// The choices as the log and the answer file name them.
std::string ChosenType(const Context& ctx);
std::string ChosenComponents(const Context& ctx);

// Sets the options into the wizard: the destination and group fields, the setup type's button
// and the components the custom type checks. False with a message when the description does
// not offer the type or has no such component.
bool PresetWizard(Context& ctx, Tleader& wizard, std::string& error);

// Presses Next page by page, as a person would, up to the hand-over to the installation; a
// page that stays after Next (a failed check) ends the setup.
void DriveWizard(Context& ctx, Tleader& wizard);

int ExitCodeOf(const Context& ctx);

} // namespace corvid
