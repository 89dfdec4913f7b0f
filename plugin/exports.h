// Export decoration for the entry points: names come from the .def file on
// Windows; on Linux only these symbols are visible.
#pragma once

#include <cstdint>

#include "host/host_abi.h"

#if defined(_WIN32)
#define K7_EXPORT
#if !defined(_WIN64)
#define K7_STDCALL __stdcall
#else
#define K7_STDCALL
#endif
#else
#define K7_EXPORT __attribute__((visibility("default")))
#define K7_STDCALL
#endif

namespace k7 {
#if defined(_WIN32)
// DllMain's DLL_PROCESS_DETACH: at a FreeLibrary the plug-in is released as at
// StopPlug; at process exit nothing is done.
void UnloadModule(bool processExit) noexcept;
#endif
inline constexpr std::int32_t kOk = 0;  // S_OK
inline constexpr std::int32_t kClassNotAvailable = static_cast<std::int32_t>(0x80040111u);
}  // namespace k7
