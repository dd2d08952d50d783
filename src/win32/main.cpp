#include "app/program.h"
#include "platform/command_line.h"
#include "win32/platform_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    corvid::Win32Platform platform(instance);
    return corvid::RunProgram(platform, corvid::ArgumentsOf(GetCommandLineA()));
}
