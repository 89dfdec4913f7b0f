// Runs the test thread's message loop for a while, as a host's UI thread would,
// so that window timers and posted messages reach their windows.
#pragma once

#include <windows.h>

namespace k7::test {

inline void PumpMessagesFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(1);
    }
}

}  // namespace k7::test
