// Sends program-manager commands the way an installation does, so that a test can make a program
// group without running a setup:
//   dde_command.exe COMMAND...
// Each COMMAND (for example "[CreateGroup(Tools)]") goes as its own execute transaction to the
// service "Progman", topic "Progman". Exit code: 0 all accepted, 1 one was refused, 2 no server.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    DWORD inst = 0;
    if (DdeInitializeA(&inst, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 2;
    HSZ service = DdeCreateStringHandleA(inst, "Progman", CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(inst, "Progman", CP_WINANSI);
    HCONV conv = nullptr;
    // The shell registers its server shortly after the first window of the session.
    for (int i = 0; i < 50 && !conv; ++i) {
        conv = DdeConnect(inst, service, topic, nullptr);
        if (!conv) Sleep(200);
    }
    int rc = conv ? 0 : 2;
    for (int i = 1; conv && i < argc; ++i) {
        DWORD result = 0;
        HDDEDATA r = DdeClientTransaction(reinterpret_cast<BYTE*>(argv[i]),
                                          static_cast<DWORD>(std::strlen(argv[i]) + 1), conv,
                                          nullptr, CF_TEXT, XTYP_EXECUTE, 10000, &result);
        std::printf("%s %s\n", r ? "accepted" : "refused", argv[i]);
        if (!r) rc = 1;
    }
    if (conv) DdeDisconnect(conv);
    DdeUninitialize(inst);
    return rc;
}
