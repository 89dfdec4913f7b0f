// The wheel modes' dispatch, the host gates they share, and the three modes
// that scale a host value instead of moving the machine.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

// Runs the handler of wheelMode for one tick's counts, unless the engine is inhibited.
void ApplyWheel(TickContext& tick, int direction, int count);

// The motion gate: false exactly when LED 804 or 805 is lit and LED 806 is not.
bool MotionAllowed(const Host& host);

// LED 83; when it is off, shows " Jog OFF. " and returns false.
bool JogEnabled(const Host& host);

// Modes 4-6: scales a host DRO by 0.5 % per count, within its bounds.
void AdjustDro(TickContext& tick, int code, double upper, double lower, int count);

// Nobody is at the wheel any more: the pendant was removed or the plug-in
// stops. In this order: a running engine jog is stopped, an open jog-start
// bracket is closed (205), DRO 818 and 821 are put back if step jogging saved
// them, and everything the modes remember of earlier turns (step backlog,
// count ring, V-mode speed history, C-mode delay count) is forgotten, so that
// nothing from before moves the machine later.
void ReleaseWheel(const Host& host, const PendantSettings& settings, JogState& jog);

}  // namespace k7
