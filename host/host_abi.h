// The host's side of the plug-in boundary: callback signatures, the byte offsets
// of every host field the plug-in touches, and memcpy accessors over the host's
// raw data blocks. Nothing here knows what the fields mean to the pendant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
#define K7_CDECL __cdecl
#else
#define K7_CDECL
#endif

namespace k7 {

// Host callbacks. Codes are 16-bit host codes, passed in 32-bit slots.
using DoButtonFn = void(K7_CDECL*)(short code);
using SetDroFn = void(K7_CDECL*)(short code, double value);
using GetDroFn = double(K7_CDECL*)(short code);
using GetLedFn = bool(K7_CDECL*)(short code);            // one byte, 0 or 1
using SetLedFn = void(K7_CDECL*)(short code, bool lit);  // stored, never called
using CodeFn = void(K7_CDECL*)(const char* line);        // text valid during the call only

// Byte offsets into the host's data blocks.
namespace offsets {
// HostEngine
inline constexpr std::size_t kEngineQueueIndexes = 0x28000;  // int, int: equal when idle
inline constexpr std::size_t kEngineAxisJog = 0x28064;       // first per-axis jog record
inline constexpr std::size_t kEngineAxisJogStride = 96;
inline constexpr std::size_t kEngineInhibit = 0x289df;  // byte: non-zero, no jogging
// Fields of one EngineAxisJog record, relative to the record's start.
inline constexpr std::size_t kJogVelocity = 0x0;     // int32
inline constexpr std::size_t kJogMaxVelocity = 0x4;  // int32
inline constexpr std::size_t kJogSecondParam = 0x8;  // int32
inline constexpr std::size_t kJogStop = 0xe;         // byte
inline constexpr std::size_t kJogStart = 0x10;       // byte
inline constexpr std::size_t kJogDirection = 0x14;   // int32
inline constexpr int kEngineAxes = 6;

// HostSetup
inline constexpr std::size_t kDistanceMode = 0x4a8;       // int: 0 in absolute mode
inline constexpr std::size_t kRotationDegrees = 0x20a28;  // double

// HostPlanner
inline constexpr std::size_t kPlannerQueueIndexes = 0xc355c;  // int, int: equal when empty
inline constexpr std::size_t kAxisVelocity = 0xc3b48;         // int[6]
inline constexpr std::size_t kAxisSecondParam = 0xc3b60;      // int[6]
inline constexpr std::size_t kJogIncrement = 0xc3c50;         // double
inline constexpr std::size_t kPlannerBusy = 0xc3cb0;          // int: 0 when idle
inline constexpr std::size_t kHostMessage = 0x11bb0c;         // host string object

// HostView (the host's window object)
inline constexpr std::size_t kViewWindowHandle = 28;
}  // namespace offsets

// Smallest block sizes that hold every field above (a host or a test allocates these).
inline constexpr std::size_t kEngineBlockSize = 0x28a00;
inline constexpr std::size_t kSetupBlockSize = 0x20a40;
inline constexpr std::size_t kPlannerBlockSize = 0x11bb20;
inline constexpr std::size_t kViewBlockSize = 64;

// Field access through memcpy: host blocks are plain bytes with no alignment promise.
template <typename T>
T ReadField(const void* block, std::size_t offset) {
    T value{};
    std::memcpy(&value, static_cast<const unsigned char*>(block) + offset, sizeof value);
    return value;
}

template <typename T>
void WriteField(void* block, std::size_t offset, T value) {
    std::memcpy(static_cast<unsigned char*>(block) + offset, &value, sizeof value);
}

}  // namespace k7
