// The program entry: the one place that knows the concrete windows. It creates them in their
// order, links each into the context as the narrow part the others use, and runs the message
// loop.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace corvid {

struct Context;
class Tmain;
class Ttrailer;
class Tabbruch;
class Tleader;
class Tcopying;
class Tcomplete;
class Tdlg_folder;

class Program {
public:
    explicit Program(Context& ctx);
    // Unlinks the windows from the context before they go.
    ~Program();

    // Runs the whole setup; returns the process exit code.
    int Run();

    Context& ctx;
    // In their order of creation; a window start-up did not get to stays null.
    std::unique_ptr<Tmain> main;
    std::unique_ptr<Ttrailer> trailer;
    std::unique_ptr<Tabbruch> abbruch;
    std::unique_ptr<Tleader> leader;
    std::unique_ptr<Tcopying> copying;
    std::unique_ptr<Tcomplete> complete;
    std::unique_ptr<Tdlg_folder> dlgFolder;

private:
    // Logs the choices as the wizard hands over, and saves them when /saveinf asked for it.
    void ChoicesTaken();
};

// Runs the whole setup on a platform with the command line's arguments (without the program's
// name); returns the process exit code.
int RunProgram(Platform& platform, const std::string& arguments = std::string());

} // namespace corvid
