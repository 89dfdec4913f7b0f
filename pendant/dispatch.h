// The pendant logic of one tick: the input report through the key handlers and
// the wheel.
#pragma once

#include <cstdint>

#include "pendant/tick_context.h"
#include "protocol/pendant_protocol.h"

namespace k7 {

// Copies the report into currentReport and runs the handlers in their order:
// reset, run keys, mode keys, axis keys, wheel.
void DispatchInputReport(TickContext& tick, const std::uint8_t (&inputReport)[kInputReportSize]);

}  // namespace k7
