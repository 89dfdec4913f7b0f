// Step mode: the wheel's counts as relative G-code moves.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

// Mode 1: one relative G-code move per tick, or the backlog drained on a resting tick.
void StepJog(TickContext& tick, int direction, int count);

// Writes DRO 818 and 821 back once step jogging has rested long enough.
void RestoreStepFeed(TickContext& tick);

// The "G90" owed after a step line, if a stop came between the two: a host
// that was in absolute mode is never left in G91 for the machinist's next move.
void SendDueG90(const Host& host, JogState& jog);

// Nobody is at the wheel any more (the pendant went, or the plug-in stops):
// DRO 818 and 821 go back at once if step jogging had saved them, and counts
// held back are dropped, so none of them moves the machine later.
void EndStepJog(const Host& host, const PendantSettings& settings, JogState& jog);

}  // namespace k7
