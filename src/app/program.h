// The program entry: creates the forms in their order and runs the message loop.
#pragma once

#include "platform/platform.h"

namespace corvid {

// Runs the whole setup on a platform; returns the process exit code.
int RunProgram(Platform& platform);

} // namespace corvid
