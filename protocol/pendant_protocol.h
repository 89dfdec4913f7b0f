// The pendant as it shows itself on USB: its ids and the byte layout of its two
// reports. The device link, the pendant logic, the simulator and the tests all
// read these facts from here.
#pragma once

#include <cstdint>
#include <string_view>

namespace k7 {

inline constexpr std::uint16_t kPendantVendorId = 0x04D8;
inline constexpr std::uint16_t kPendantProductId = 0xB3C5;

inline constexpr int kInputReportSize = 8;
inline constexpr int kOutputReportSize = 5;

// Input report bytes. Byte 0 and bytes 5-7 carry nothing the plug-in uses.
inline constexpr int kWheelByte = 1;    // 8-bit wheel counter, wrapping both ways
inline constexpr int kSpeedByte = 2;    // the wheel's speed
inline constexpr int kKeyByte = 3;      // Fn, Reset, X, Y, Z, Screen, Start in bits 0-6
inline constexpr int kModeKeyByte = 4;  // mode keys 1-3 in bits 0-2

// The ten keys: their names (as traces and the simulator write them), their
// byte and their bit. A set bit means the key is held.
struct PendantKey {
    std::string_view name;
    int byte;
    std::uint8_t bit;
};
inline constexpr PendantKey kPendantKeys[] = {
    {"Fn", kKeyByte, 0x01},     {"Reset", kKeyByte, 0x02},  {"X", kKeyByte, 0x04},
    {"Y", kKeyByte, 0x08},      {"Z", kKeyByte, 0x10},      {"Screen", kKeyByte, 0x20},
    {"Start", kKeyByte, 0x40},  {"M1", kModeKeyByte, 0x01}, {"M2", kModeKeyByte, 0x02},
    {"M3", kModeKeyByte, 0x04},
};

// The key of that name, or null.
constexpr const PendantKey* FindPendantKey(std::string_view name) {
    for (const PendantKey& key : kPendantKeys)
        if (key.name == name) return &key;
    return nullptr;
}

// Output report bytes. Byte 4 is always 0.
inline constexpr int kReportIdByte = 0;   // always 0: the pendant has one report
inline constexpr int kIndicatorByte = 1;  // indicator bits 0-3, selected axis in bits 4-7
inline constexpr int kModeByte = 2;       // the wheel-mode indicator
inline constexpr int kSequenceByte = 3;   // low byte of the report sequence
// Mask of the key bits in each key byte.
inline constexpr std::uint8_t kKeyByteMask = 0x7F;
inline constexpr std::uint8_t kModeKeyByteMask = 0x07;

}  // namespace k7
