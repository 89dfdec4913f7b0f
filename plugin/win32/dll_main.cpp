// Library load: the host expects Windows Sockets 1.1 to be started by its
// plug-ins; a failure refuses the load.
#include <windows.h>
#include <winsock2.h>

namespace {
constexpr WORD kSocketsVersion = MAKEWORD(1, 1);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        WSADATA data;
        const bool started = WSAStartup(kSocketsVersion, &data) == 0;
        if (!started || data.wVersion != kSocketsVersion) {
            if (started) WSACleanup();  // another version was offered: hand it back
            MessageBoxA(nullptr, "Sockets Init Failed", nullptr, MB_OK);
            return FALSE;
        }
    }
    return TRUE;
}
