// The axis keys: X, Y, Z select the axis; with FnKey they zero it or cycle the step size.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

void HandleAxisKeys(TickContext& tick);

}  // namespace k7
