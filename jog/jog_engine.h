// The hand wheel: decoding, the six wheel modes and the host gates they share.
#pragma once

#include "pendant/tick_context.h"

namespace k7 {

// Decodes the wheel byte of currentReport, applies it in the current wheel mode,
// then restores the step feed when its time has come. Once per tick.
void HandleWheel(TickContext& tick);

// Stops an engine jog that is running, at once, on the axis it runs on, and
// forgets the wheel's latest counts. Called when the pendant goes away and when
// the plug-in stops: nobody is at the wheel.
void StopEngineJog(const Host& host, JogState& jog);

// Closes the jog-start bracket: button 205 when its opening pressed 204.
void CloseJogBracket(const Host& host, JogState& jog);

// Decodes one wheel byte against lastWheelByte into wheelCount and the two
// directions; `reversed` inverts wheelDirection (the axis's reverse option).
void DecodeWheel(JogState& jog, int wheelByte, bool reversed);

// The reverse option of an axis; axes without one are never reversed.
bool AxisReversed(const PendantSettings& settings, int axis);

// Runs the handler of wheelMode for one tick's counts, unless the engine is inhibited.
void ApplyWheel(TickContext& tick, int direction, int count);

// The motion gate: false exactly when LED 804 or 805 is lit and LED 806 is not.
bool MotionAllowed(const Host& host);

// LED 83; when it is off, shows " Jog OFF. " and returns false.
bool JogEnabled(const Host& host);

// Modes 4-6: scales a host DRO by 0.5 % per count, within its bounds.
void AdjustDro(TickContext& tick, int code, double upper, double lower, int count);

// Mode 1: one relative G-code move per tick, or the backlog drained on a resting tick.
void StepJog(TickContext& tick, int direction, int count);

// Writes DRO 818 and 821 back once step jogging has rested long enough.
void RestoreStepFeed(TickContext& tick);

// Modes 2 and 3: host engine jogs that follow the wheel.
void VelocityJog(TickContext& tick, int direction, int count);
void ContinuousJog(TickContext& tick, int direction, int count);

}  // namespace k7
