// The pendant's 8-byte input report as the key handlers read it: the bytes are
// held as two little-endian words (bytes 0-3, bytes 4-7), so the key bits of
// byte 3 are bits 24-30 of the first word and the mode keys of byte 4 are bits
// 0-2 of the second. A set bit means the key is held.
#pragma once

#include <cstdint>

namespace k7 {

inline constexpr std::uint32_t kFnKey = 1u << 24;
inline constexpr std::uint32_t kResetKey = 1u << 25;
inline constexpr std::uint32_t kXKey = 1u << 26;
inline constexpr std::uint32_t kYKey = 1u << 27;
inline constexpr std::uint32_t kZKey = 1u << 28;
inline constexpr std::uint32_t kScreenKey = 1u << 29;
inline constexpr std::uint32_t kStartKey = 1u << 30;
inline constexpr std::uint32_t kAxisKeys[3] = {kXKey, kYKey, kZKey};

// FnKey and ResetKey read together: 2 is ResetKey alone, 3 is ResetKey with FnKey.
inline constexpr int kResetAlone = 2;
inline constexpr int kResetWithFn = 3;

// The mode keys read together; a mode key counts only while it is the only one
// held, so any value but these three means no mode key.
inline constexpr int kModeKeyValues[3] = {1, 2, 4};

inline bool KeyHeld(const std::uint32_t (&report)[2], std::uint32_t key) {
    return (report[0] & key) != 0;
}

inline int ResetValue(const std::uint32_t (&report)[2]) {
    return static_cast<int>((report[0] >> 24) & 0x3u);
}

inline int ModeKeyValue(const std::uint32_t (&report)[2]) {
    return static_cast<int>(report[1] & 0x7u);
}

}  // namespace k7
