// A stand-in for the shell's program manager: a DDE server for the service "Progman" that
// records what its clients send.
//   progman_standin.exe LOGFILE [SECONDS] [--any-topic]
// It answers connects to the topic "Progman" (with --any-topic also connects without a topic)
// and appends one line per event to LOGFILE:
//   ready                        the service is registered
//   connect TOPIC | wildconnect  a client asked to connect (TOPIC "-" for none)
//   execute N BYTES              an execute transaction of N bytes; the bytes escaped as \r, \n,
//                                \0, \\ and \xNN for other control characters
// It ends after SECONDS (default 120), or as soon as the file LOGFILE.stop exists.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

DWORD g_inst = 0;
HSZ g_service = nullptr, g_topic = nullptr;
FILE* g_log = nullptr;
bool g_anyTopic = false;

void Line(const std::string& s) {
    std::fputs((s + "\n").c_str(), g_log);
    std::fflush(g_log);
}

std::string Name(HSZ hsz) {
    if (!hsz) return "-";
    char buf[256];
    DWORD n = DdeQueryStringA(g_inst, hsz, buf, sizeof buf, CP_WINANSI);
    return std::string(buf, n);
}

std::string Escape(const BYTE* b, DWORD n) {
    std::string out;
    char hex[8];
    for (DWORD i = 0; i < n; ++i) {
        const unsigned char c = b[i];
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == 0)
            out += "\\0";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 32 || c == 127) {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ topic, HSZ service, HDDEDATA data, ULONG_PTR,
                           ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        Line("connect " + Name(topic));
        return reinterpret_cast<HDDEDATA>(
            static_cast<ULONG_PTR>(DdeCmpStringHandles(topic, g_topic) == 0 ? TRUE : FALSE));
    case XTYP_WILDCONNECT: {
        Line("wildconnect");
        if (!g_anyTopic) return nullptr;
        if (service && DdeCmpStringHandles(service, g_service) != 0) return nullptr;
        HSZPAIR pairs[2] = {{g_service, g_topic}, {nullptr, nullptr}};
        return DdeCreateDataHandle(g_inst, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0,
                                   nullptr, CF_TEXT, 0);
    }
    case XTYP_EXECUTE: {
        DWORD n = DdeGetData(data, nullptr, 0, 0);
        std::string bytes(n, '\0');
        if (n) DdeGetData(data, reinterpret_cast<LPBYTE>(&bytes[0]), n, 0);
        Line("execute " + std::to_string(n) + " " +
             Escape(reinterpret_cast<const BYTE*>(bytes.data()), n));
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
    }
    default:
        return nullptr;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: progman_standin.exe LOGFILE [SECONDS] [--any-topic]\n");
        return 2;
    }
    g_log = std::fopen(argv[1], "ab");
    if (!g_log) return 2;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 120;
    g_anyTopic = argc > 3 && std::string(argv[3]) == "--any-topic";
    if (DdeInitializeA(&g_inst, Callback,
                       APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR)
        return 3;
    g_service = DdeCreateStringHandleA(g_inst, "Progman", CP_WINANSI);
    g_topic = DdeCreateStringHandleA(g_inst, "Progman", CP_WINANSI);
    if (!DdeNameService(g_inst, g_service, nullptr, DNS_REGISTER)) return 4;
    Line("ready");
    const std::string stop = std::string(argv[1]) + ".stop";
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    SetTimer(nullptr, 1, 200, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
            if (static_cast<LONG>(GetTickCount() - end) >= 0 ||
                GetFileAttributesA(stop.c_str()) != INVALID_FILE_ATTRIBUTES)
                break;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DdeNameService(g_inst, g_service, nullptr, DNS_UNREGISTER);
    DdeUninitialize(g_inst);
    std::fclose(g_log);
    return 0;
}
