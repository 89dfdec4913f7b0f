// The wheel counter is an 8-bit position that wraps both ways; a tick sees only
// where it is now, so the difference to the last tick is decoded by range.
#include "jog/wheel_decoder.h"

#include "jog/continuous_jog.h"
#include "jog/jog_engine.h"
#include "jog/step_jog.h"
#include "pendant/input_report.h"

namespace k7 {
namespace {

// count = base + sign * difference, for a difference within [low, high].
struct DecodeRange {
    int low;
    int high;
    int base;
    int sign;
    std::uint8_t direction;
};

constexpr DecodeRange kDecodeTable[] = {
    {1, 127, 0, 1, 0},        // counter increasing
    {-255, -129, 256, 1, 0},  // increasing, wrapped past 255
    {-127, -1, 0, -1, 1},     // counter decreasing
    {129, 255, 256, -1, 1},   // decreasing, wrapped past 0
};
// A difference of exactly 128 either way cannot tell its direction: the
// previous tick's count and direction stay in force.

constexpr bool PendantSettings::*kReverseOption[] = {
    &PendantSettings::Xreverse,
    &PendantSettings::Yreverse,
    &PendantSettings::Zreverse,
};

// A running engine jog belongs to the mode and axis that started it; once the
// wheel means something else no pass of that mode would ever stop it.
void StopJogLeftBehind(TickContext& tick) {
    const JogState& jog = tick.jog;
    if (!jog.engineJogRunning) return;
    if (tick.logic.wheelMode != jog.engineJogMode || tick.pendant.selectedAxis != jog.engineJogAxis)
        StopEngineJog(tick.host, tick.jog);
}

}  // namespace

bool AxisReversed(const PendantSettings& settings, int axis) {
    constexpr int kAxesWithOption = sizeof kReverseOption / sizeof kReverseOption[0];
    return axis >= 0 && axis < kAxesWithOption && settings.*kReverseOption[axis];
}

void DecodeWheel(JogState& jog, int wheelByte, bool reversed) {
    const int difference = wheelByte - jog.lastWheelByte;
    jog.lastWheelByte = wheelByte;
    if (difference == 0) {
        jog.wheelCount = 0;
        return;
    }
    for (const DecodeRange& range : kDecodeTable) {
        if (difference < range.low || difference > range.high) continue;
        jog.wheelCount = range.base + range.sign * difference;
        jog.rawWheelDirection = range.direction;
        jog.wheelDirection = reversed ? 1 - range.direction : range.direction;
        return;
    }
}

void SetWheelBaseline(JogState& jog, int wheelByte) {
    jog.lastWheelByte = wheelByte & 0xff;
}

void HandleWheel(TickContext& tick) {
    StopJogLeftBehind(tick);
    DecodeWheel(tick.jog, WheelByte(tick.pendant.currentReport),
                AxisReversed(tick.settings, tick.pendant.selectedAxis));
    ApplyWheel(tick, tick.jog.wheelDirection, tick.jog.wheelCount);
    RestoreStepFeed(tick);
}

}  // namespace k7
