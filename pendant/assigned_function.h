// The functions a user assigns to FnKey + ModeKey1..3 (settings BUTTON0..2).
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

// Runs the ButtonList entry at `position`: a host button, one of the four OEM
// buttons or custom macros with its message, or nothing (a separator). A
// position outside the list does nothing.
void AssignedFunction(TickContext& tick, int position);

}  // namespace k7
