// The two cycles through three configured slots: the screen cycle of the
// ScreenKey and the step-size cycle of FnKey + YKey. Each slot's setting is a
// position in an option list; 0 (NONE) marks a slot as not used.
#pragma once

#include <cstdint>

#include "pendant/tick_context.h"

namespace k7 {

// The slot after `slot` in the order 1, 2, 3, 1 whose setting is not 0, trying
// only the two other slots; 0 when neither of them is set.
int NextSlot(int slot, const std::int16_t (&settings)[3]);

// Moves to the next used screen slot and presses its screen's host button.
void ScreenCycle(TickContext& tick);

// Moves to the next used step-size slot and writes its size to DRO 828.
void StepSizeCycle(TickContext& tick);

}  // namespace k7
