// Velocity and continuous modes: host engine jogs that follow the wheel.
#pragma once

#include "host/host.h"
#include "jog/jog_state.h"
#include "pendant/tick_context.h"

namespace k7 {

// Modes 2 and 3: start, update or stop the engine jog of the selected axis.
void VelocityJog(TickContext& tick, int direction, int count);
void ContinuousJog(TickContext& tick, int direction, int count);

// Stops an engine jog that is running, at once, on the axis it runs on, and
// forgets the wheel's latest counts. Called when the pendant goes away and when
// the plug-in stops: nobody is at the wheel.
void StopEngineJog(const Host& host, JogState& jog);

// A safety stop that came while the host was inside "DOJOG" may have reached
// it before that jog started: once the call has returned, the jog is stopped
// again. Nothing when no "DOJOG" was interrupted.
void StopJogStartedMeanwhile(const Host& host, JogState& jog);

// Closes the jog-start bracket: button 205 when its opening pressed 204.
void CloseJogBracket(const Host& host, JogState& jog);

// Forgets what the engine jogs remember of the wheel: the count ring, the
// V-mode speed history and the C-mode delay count. A jog started afterwards
// starts from nothing, as after a long rest.
void ForgetEngineJogHistory(JogState& jog);

}  // namespace k7
