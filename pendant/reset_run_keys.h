// ResetKey, StartKey and ScreenKey, alone and with FnKey.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

void HandleResetKey(TickContext& tick);
void HandleRunKeys(TickContext& tick);

}  // namespace k7
