// What the setup's command line asked for. Without options the setup runs exactly as it always
// has; each field below only changes something when it was given.
#pragma once

#include <string>
#include <vector>

namespace corvid {

enum class Quietness {
    Interactive, // the wizard, as a person clicks through it
    Silent,      // only the progress window, with its Exit button
    VerySilent,  // no window at all
};

struct SetupOptions {
    bool given = false; // the command line carried at least one option
    bool help = false;  // /? or /help
    Quietness quiet = Quietness::Interactive;
    // Choices; empty when not given, so the wizard's proposals stand.
    std::string dir, group, type;        // type: standard, minimal, custom or cd
    std::vector<std::string> components; // numbers or names, as given
    bool componentsGiven = false;
    bool noIcons = false;
    bool noRestart = false;
    std::string log, saveInf, loadInf;

    bool Quiet() const { return quiet != Quietness::Interactive; }
};

} // namespace corvid
