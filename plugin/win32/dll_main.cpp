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

// The static C++ runtime's thread library imports GetTickCount64, which
// Windows XP lacks: its loader would refuse the whole DLL. The runtime's
// reference resolves to this pointer instead of the system's import: the
// system's function where there is one, else GetTickCount carried past its
// 49.7-day wrap (the runtime uses it only to time waits of its own).
namespace {

ULONGLONG WINAPI TickCountSinceStart() {
    using Fn = ULONGLONG(WINAPI*)();
    static Fn system = nullptr;  // a race only looks the same function up twice
    static bool looked = false;
    if (!looked) {
        system = reinterpret_cast<Fn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
        looked = true;
    }
    if (system != nullptr) return system();
    static volatile LONG high = 0;
    static volatile LONG last = 0;
    const DWORD now = GetTickCount();
    const DWORD before = static_cast<DWORD>(InterlockedExchange(&last, static_cast<LONG>(now)));
    if (now < before) InterlockedIncrement(&high);
    return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | now;
}

}  // namespace

#if defined(_WIN64)
extern "C" ULONGLONG(WINAPI* const k7_tick_count_64)() __asm__("__imp_GetTickCount64");
#else
extern "C" ULONGLONG(WINAPI* const k7_tick_count_64)() __asm__("__imp__GetTickCount64@0");
#endif
extern "C" ULONGLONG(WINAPI* const k7_tick_count_64)() = &TickCountSinceStart;
