// The three mode keys: wheel modes alone, the assigned functions with FnKey.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

void HandleModeKeys(TickContext& tick);

}  // namespace k7
