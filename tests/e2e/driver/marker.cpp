// marker.exe: a program for the setup to start. It appends its command line (program path and
// arguments) to C:\corvid-marker.txt, so a test can tell that, and how, it was started.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    FILE* f = std::fopen("C:\\corvid-marker.txt", "ab");
    if (!f) return 1;
    std::fprintf(f, "%s\r\n", GetCommandLineA());
    return std::fclose(f) == 0 ? 0 : 1;
}
