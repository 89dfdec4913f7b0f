// The hand wheel's 8-bit counter decoded into counts and a direction, once a tick.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

// Decodes the wheel byte of currentReport, applies it in the current wheel mode,
// then restores the step feed when its time has come. Once per tick.
void HandleWheel(TickContext& tick);

// Decodes one wheel byte against lastWheelByte into wheelCount and the two
// directions; `reversed` inverts wheelDirection (the axis's reverse option).
void DecodeWheel(JogState& jog, int wheelByte, bool reversed);

// The first report read from a pendant just opened: its wheel counter is the
// reference the next report's counts are measured from, whatever it stood at
// (a pendant restarts its counter when it loses power). It moves nothing.
void SetWheelBaseline(JogState& jog, int wheelByte);

// The reverse option of an axis; axes without one are never reversed.
bool AxisReversed(const PendantSettings& settings, int axis);

}  // namespace k7
