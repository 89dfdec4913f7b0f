// Step mode: the wheel's counts as relative G-code moves.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

// Mode 1: one relative G-code move per tick, or the backlog drained on a resting tick.
void StepJog(TickContext& tick, int direction, int count);

// Writes DRO 818 and 821 back once step jogging has rested long enough.
void RestoreStepFeed(TickContext& tick);

}  // namespace k7
