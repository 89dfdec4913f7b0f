// Library load and unload. Nothing runs under the loader lock at load: the
// plug-in uses no Windows Sockets and needs no set-up before the host's first
// call. At unload only what may run there does.
#include <windows.h>

#include "plugin/exports.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // reserved is non-null when the process is ending: its threads are gone
    // and the host may be half torn down, so nothing calls it or waits.
    if (reason == DLL_PROCESS_DETACH) k7::UnloadModule(reserved != nullptr);
    return TRUE;
}
