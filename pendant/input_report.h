// The pendant's input report as the handlers read it: the 8 bytes held as two
// little-endian words (bytes 0-3, bytes 4-7), so the keys of byte 3 are bits
// 24-30 of the first word, the mode keys of byte 4 bits 0-2 of the second, the
// wheel counter bits 8-15 and the speed byte bits 16-23 of the first.
#pragma once

#include <cstdint>

#include "protocol/pendant_protocol.h"

namespace k7 {

using ReportWords = std::uint32_t[2];

// The word bit of a report byte's bit.
constexpr std::uint32_t WordBit(int byte, std::uint8_t bit) {
    return std::uint32_t{bit} << (8 * (byte % 4));
}
constexpr std::uint32_t KeyBit(std::string_view name) {
    const PendantKey* key = FindPendantKey(name);
    return WordBit(key->byte, key->bit);
}

inline constexpr std::uint32_t kFnKey = KeyBit("Fn");
inline constexpr std::uint32_t kResetKey = KeyBit("Reset");
inline constexpr std::uint32_t kXKey = KeyBit("X");
inline constexpr std::uint32_t kYKey = KeyBit("Y");
inline constexpr std::uint32_t kZKey = KeyBit("Z");
inline constexpr std::uint32_t kScreenKey = KeyBit("Screen");
inline constexpr std::uint32_t kStartKey = KeyBit("Start");
inline constexpr std::uint32_t kAxisKeys[3] = {kXKey, kYKey, kZKey};
static_assert(kFnKey == 1u << 24 && kStartKey == 1u << 30);

// FnKey and ResetKey read together: 2 is ResetKey alone, 3 is ResetKey with FnKey.
inline constexpr int kResetAlone = 2;
inline constexpr int kResetWithFn = 3;

// The mode keys read together; a mode key counts only while it is the only one
// held, so any value but these three means no mode key.
inline constexpr int kModeKeyValues[3] = {1, 2, 4};

// Both words of the 8-byte report.
inline void ReportToWords(const std::uint8_t (&report)[kInputReportSize], ReportWords& words) {
    for (int w = 0; w < 2; ++w) {
        const std::uint8_t* b = report + 4 * w;
        words[w] = std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
                   std::uint32_t{b[3]} << 24;
    }
}

// One byte of the report, read back from the words.
inline int ReportByte(const ReportWords& words, int byte) {
    return static_cast<int>((words[byte / 4] >> (8 * (byte % 4))) & 0xFFu);
}

inline bool KeyHeld(const ReportWords& words, std::uint32_t key) {
    return (words[0] & key) != 0;
}

inline int ResetValue(const ReportWords& words) {
    return static_cast<int>((words[0] >> 24) & 0x3u);
}

inline int ModeKeyValue(const ReportWords& words) {
    return ReportByte(words, kModeKeyByte) & 0x7;
}

inline int WheelByte(const ReportWords& words) {
    return ReportByte(words, kWheelByte);
}

inline int SpeedByte(const ReportWords& words) {
    return ReportByte(words, kSpeedByte);
}

}  // namespace k7
