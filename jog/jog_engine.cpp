// The mode dispatch, the two host gates of the jogging modes, and the three
// value-adjust modes.
#include "jog/jog_engine.h"

#include "jog/continuous_jog.h"
#include "jog/step_jog.h"

#include "host/host_codes.h"

namespace k7 {
namespace {

constexpr double kAdjustPerCount = 0.005;

using JogHandler = void (*)(TickContext&, int direction, int count);

// Modes 1-3 move the machine.
constexpr JogHandler kJogHandlers[] = {&StepJog, &VelocityJog, &ContinuousJog};

// Modes 4-6 scale a host DRO within bounds.
struct AdjustTarget {
    int code;
    double upper;
    double lower;
};
constexpr AdjustTarget kAdjustTargets[] = {
    {codes::kDroJogPercent, 100.0, 0.1},      // JogRateAdjust
    {codes::kDroFeedOverride, 250.0, 1.0},    // Dro821Adjust
    {codes::kDroSecondOverride, 250.0, 1.0},  // Dro74Adjust
};

// The engine refuses work: whatever was held back is lost and the jog-start
// bracket is closed. The host stops its own jogs here, so no "ENDJOG".
void DropEngineWork(const Host& host, JogState& jog) {
    jog.stepBacklog = 0;
    CloseJogBracket(host, jog);
    // Counts from before the inhibit must not restart a jog once it lifts.
    jog.countRing[0] = jog.countRing[1] = 0.0;
}

}  // namespace

void ApplyWheel(TickContext& tick, int direction, int count) {
    if (tick.host.EngineInhibit() != 0) {
        DropEngineWork(tick.host, tick.jog);
        return;
    }
    const int mode = tick.logic.wheelMode;
    if (mode >= WheelMode::Step && mode <= WheelMode::Continuous) {
        kJogHandlers[mode - WheelMode::Step](tick, direction, count);
    } else if (mode >= WheelMode::JogRateAdjust && mode <= WheelMode::Dro74Adjust) {
        const AdjustTarget& target = kAdjustTargets[mode - WheelMode::JogRateAdjust];
        AdjustDro(tick, target.code, target.upper, target.lower, count);
    }
}

void ReleaseWheel(const Host& host, const PendantSettings& settings, JogState& jog) {
    SendDueG90(host, jog);
    StopEngineJog(host, jog);
    CloseJogBracket(host, jog);
    EndStepJog(host, settings, jog);
    ForgetEngineJogHistory(jog);
    jog.wheelCount = 0;
}

bool MotionAllowed(const Host& host) {
    if (host.GetLED(codes::kLedRunState1)) return host.GetLED(codes::kLedRunState3);
    if (host.GetLED(codes::kLedRunState2)) return host.GetLED(codes::kLedRunState3);
    return true;
}

bool JogEnabled(const Host& host) {
    if (host.GetLED(codes::kLedJogEnabled)) return true;
    host.SetHostMessage(" Jog OFF. ");
    return false;
}

// The reverse options do not apply here: turning the wheel up always raises
// the value, whichever way the selected axis is set to jog.
void AdjustDro(TickContext& tick, int code, double upper, double lower, int count) {
    if (count == 0) return;
    const Host& host = tick.host;
    double value = host.GetDRO(code);
    if (tick.jog.rawWheelDirection == 0) {
        if (!(value < upper)) return;
        value *= 1.0 + kAdjustPerCount * count;
        if (value > upper) value = upper;
    } else {
        if (!(value > 0.0)) return;
        value *= 1.0 - kAdjustPerCount * count;
        if (value < lower) value = lower;
    }
    host.SetDRO(code, value);
}

}  // namespace k7
