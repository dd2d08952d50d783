// uncorvid.exe: the uninstaller, started as "uncorvid.exe LOGPATH [/silent] [/log=FILE]" (the
// path unquoted, blanks and all); its exit code goes back to whoever waits for it.
#include "uninstall/uninstaller.h"
#include "win32/platform_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    corvid::Win32Platform platform(instance);
    return corvid::RunUninstaller(platform, corvid::ArgumentsOf(GetCommandLineA()));
}
