// The pendant logic of one tick: the input report through the key handlers and
// the wheel, then the output report.
#pragma once

#include <cstdint>

#include "pendant/tick_context.h"

namespace k7 {

inline constexpr int kInputReportSize = 8;
inline constexpr int kOutputReportSize = 5;

// Copies the report into currentReport and runs the handlers in their order:
// reset, run keys, mode keys, axis keys, wheel.
void DispatchInputReport(TickContext& tick, const std::uint8_t (&inputReport)[kInputReportSize]);

// Rebuilds the 5-byte output report from the host LEDs, axis, mode and sequence.
void BuildOutputReport(TickContext& tick, std::uint8_t (&outputReport)[kOutputReportSize]);

// The key handlers, each a group of key actions (reset, run/screen, mode, axis).
void HandleResetKey(TickContext& tick);
void HandleRunKeys(TickContext& tick);
void HandleModeKeys(TickContext& tick);
void HandleAxisKeys(TickContext& tick);

}  // namespace k7
