// The indicator report sent to the pendant after every tick.
#pragma once

#include <cstdint>

#include "pendant/tick_context.h"
#include "protocol/pendant_protocol.h"

namespace k7 {

// Rebuilds the 5-byte output report from the host LEDs, axis, mode and sequence.
void BuildOutputReport(TickContext& tick, std::uint8_t (&outputReport)[kOutputReportSize]);

}  // namespace k7
