// The program entry: creates the forms in their order and runs the message loop.
#pragma once

#include "platform/platform.h"

namespace corvid {

struct Context;

// Runs the whole setup on a platform; returns the process exit code.
int RunProgram(Platform& platform);
// The same on a context the caller keeps, so that tests can look at it afterwards.
int RunProgram(Context& ctx);

} // namespace corvid
