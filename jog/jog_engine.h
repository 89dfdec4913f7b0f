// The hand wheel: decoding, the six wheel modes and the host gates they share.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

// Decodes the wheel byte of currentReport, applies it in the current wheel mode,
// then restores the step feed when its time has come. Once per tick.
void HandleWheel(TickContext& tick);

// Stops an engine jog that is running, at once, on the axis it runs on. Called
// when the pendant goes away and when the plug-in stops: nobody is at the wheel.
void StopEngineJog(const Host& host, JogState& jog);

}  // namespace k7
