#include "app/program.h"

namespace corvid {

int RunProgram(Platform& platform) {
    platform.MessageBox("corvid is being built", "Setup", mb::Ok);
    return 0;
}

} // namespace corvid
