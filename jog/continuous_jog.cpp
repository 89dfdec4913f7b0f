// V and C modes: the wheel keeps a host engine jog running through the jog
// record of the selected axis. "DOJOG" starts or updates it, "ENDJOG" ends it.
// Every pass rewrites the record, so the speed follows the wheel.
#include <algorithm>
#include <cmath>
#include <limits>

#include "jog/continuous_jog.h"

#include "host/host_codes.h"
#include "jog/jog_engine.h"
#include "pendant/input_report.h"
#include "settings/option_lists.h"

namespace k7 {
namespace {

constexpr int kLedBracket = 15;
constexpr int kButtonBracketStart = 204;
constexpr int kButtonBracketEnd = 205;
constexpr int kActivityCycles = 3;  // Update calls a non-zero speed byte keeps the jog alive
constexpr int kSettleCycles = 3;    // Update calls ignored after a reversal
constexpr int kDelayCountCeiling = 30000;
constexpr int kDelayCountRestart = 400;
constexpr int kDelayCountLimit = std::numeric_limits<int>::max() - 256;

// Newest speed bytes weigh most; the weights add up to 10.
constexpr double kSpeedWeights[10] = {0.18, 0.36, 0.55, 0.73, 0.91, 1.09, 1.27, 1.45, 1.64, 1.82};

// A Vel from a hand-edited profile, or -1 from a dialog list left without a
// selection, is limited to the list's range rather than used as an index.
int VelocityDivisor(int vel) {
    const int last = static_cast<int>(VelocityList.size()) - 1;
    const auto entry = ListEntry(VelocityList, std::clamp(vel, 0, last));
    return std::max(1, entry ? static_cast<int>(LeadingNumber(*entry)) : 1);
}

// The record holds an int32; the double is truncated toward zero and kept in range.
std::int32_t RecordVelocity(double velocity) {
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    if (std::isnan(velocity)) return 0;
    return static_cast<std::int32_t>(std::clamp(velocity, kMin, kMax));
}

// The jog state changes before the host call that carries the change out: a
// host may stop the plug-in from inside that call, and the stop undoes what
// the state then says the host was told (a running jog, an open bracket).

void StopAxis(TickContext& tick) {
    const int axis = tick.pendant.selectedAxis;
    tick.jog.engineJogRunning = false;
    tick.host.SetJogStop(axis, 1);
    tick.host.Code("ENDJOG");
}

void OpenBracket(const Host& host, JogState& jog) {
    jog.bracketPressed = host.GetLED(kLedBracket);
    jog.jogStarted = true;
    if (jog.bracketPressed) host.DoButton(kButtonBracketStart);
}

// The engine reads the record on its own: every field is written before
// jogStart is set and "DOJOG" passed.
void StartOrUpdateJog(TickContext& tick, int direction, double velocity) {
    const Host& host = tick.host;
    JogState& jog = tick.jog;
    const int axis = tick.pendant.selectedAxis;
    if (!jog.jogStarted) OpenBracket(host, jog);
    host.SetJogDirection(axis, direction);
    host.SetJogVelocity(axis, RecordVelocity(velocity));
    host.SetJogSecondParam(axis, host.AxisSecondParam(axis));
    host.SetJogMaxVelocity(axis, host.AxisVelocity(axis));
    host.SetJogStop(axis, 0);
    host.SetJogStart(axis, 1);
    jog.engineJogRunning = true;
    jog.engineJogAxis = axis;
    jog.engineJogMode = tick.logic.wheelMode;
    jog.jogStartInCall = true;
    host.Code("DOJOG");
    jog.jogStartInCall = false;
}

// True when the wheel moved on this pass or the one before.
bool CountRingActive(JogState& jog, int count) {
    jog.countRingIndex = (jog.countRingIndex + 1) % 2;
    jog.countRing[jog.countRingIndex] = count;
    return jog.countRing[0] + jog.countRing[1] != 0.0;
}

void ClearSpeedHistory(JogState& jog) {
    std::fill(std::begin(jog.speedHistory), std::end(jog.speedHistory), 0.0);
}

double WeightedSpeed(JogState& jog) {
    std::copy(std::begin(jog.speedHistory) + 1, std::end(jog.speedHistory),
              std::begin(jog.speedHistory));
    jog.speedHistory[9] = jog.wheelSpeed;
    double sum = 0.0;
    for (int i = 0; i < 10; ++i) sum += jog.speedHistory[i] * kSpeedWeights[i];
    return sum;
}

// The pass ends early with jogging switched off in the host or the activity
// window run out: a jog still in motion then has nobody to stop it.
void StopJogIfRunning(TickContext& tick) {
    if (tick.jog.engineJogRunning) StopEngineJog(tick.host, tick.jog);
}

// The jog runs on the wheel speed byte; stops when that is 0.
void RunOrStop(TickContext& tick, int direction, double velocity) {
    if (tick.jog.wheelSpeed == 0)
        StopAxis(tick);
    else
        StartOrUpdateJog(tick, direction, velocity);
    tick.jog.lastJogDirection = direction;
}

}  // namespace

void CloseJogBracket(const Host& host, JogState& jog) {
    jog.jogStarted = false;
    if (jog.bracketPressed) {
        jog.bracketPressed = false;
        host.DoButton(kButtonBracketEnd);
    }
}

void ForgetEngineJogHistory(JogState& jog) {
    jog.countRing[0] = jog.countRing[1] = 0.0;
    ClearSpeedHistory(jog);
    jog.delayCount = 0;
}

void StopJogStartedMeanwhile(const Host& host, JogState& jog) {
    if (!jog.jogStartInCall) return;
    jog.jogStartInCall = false;
    jog.engineJogRunning = true;  // as the host may have it now
    StopEngineJog(host, jog);
}

void StopEngineJog(const Host& host, JogState& jog) {
    // The last report is replayed when the pendant returns: with no counts
    // remembered it cannot look like a wheel still turning, also when no jog
    // ran at the moment (just after a reversal, or with the motion gate shut).
    jog.countRing[0] = jog.countRing[1] = 0.0;
    if (!jog.engineJogRunning) return;
    jog.engineJogRunning = false;
    host.SetJogStop(jog.engineJogAxis, 1);
    host.Code("ENDJOG");
}

void VelocityJog(TickContext& tick, int direction, int count) {
    JogState& jog = tick.jog;
    CycleCounters& counters = tick.counters;
    const int divisor = VelocityDivisor(tick.settings.Vel);
    jog.wheelSpeed = SpeedByte(tick.pendant.currentReport);
    if (direction != jog.lastJogDirection && counters.jogCountdown != 0) {
        StopAxis(tick);
        ClearSpeedHistory(jog);
        counters.jogCycles = 0;
        jog.lastJogDirection = direction;
        return;
    }
    if (counters.jogCycles < kSettleCycles) return;
    if (jog.wheelSpeed != 0) {
        counters.jogCountdown = kActivityCycles;
        if (!JogEnabled(tick.host)) return StopJogIfRunning(tick);
    }
    if (counters.jogCountdown == 0) {
        StopJogIfRunning(tick);
        CloseJogBracket(tick.host, jog);
        ClearSpeedHistory(jog);
        return;
    }
    if (!CountRingActive(jog, count)) return StopAxis(tick);
    if (!MotionAllowed(tick.host)) return;
    const double f = std::min(1.0, WeightedSpeed(jog) / 400.0 * 3.0 / divisor);
    RunOrStop(tick, direction, tick.host.AxisVelocity(tick.pendant.selectedAxis) * f);
}

void ContinuousJog(TickContext& tick, int direction, int count) {
    JogState& jog = tick.jog;
    CycleCounters& counters = tick.counters;
    jog.wheelSpeed = SpeedByte(tick.pendant.currentReport);
    if (direction != jog.lastJogDirection && counters.jogCountdown != 0) {
        StopAxis(tick);
        counters.jogCycles = 0;
        jog.delayCount = 0;
        jog.lastJogDirection = direction;
        return;
    }
    if (counters.jogCycles < kSettleCycles) return;
    if (jog.wheelSpeed != 0) {
        counters.jogCountdown = kActivityCycles;
        // A huge DelaySteps must not let the sum overflow while it is awaited.
        jog.delayCount = std::min(jog.delayCount, kDelayCountLimit) + count;
        if (!JogEnabled(tick.host)) return StopJogIfRunning(tick);
    }
    if (counters.jogCountdown == 0) {
        jog.delayCount = 0;
        StopJogIfRunning(tick);
        CloseJogBracket(tick.host, jog);
        return;
    }
    // A jog already running (DelaySteps raised meanwhile, or above the restart
    // value below) would not be updated or stopped by this pass any more.
    if (jog.delayCount < tick.settings.DelaySteps) return StopJogIfRunning(tick);
    if (jog.delayCount > kDelayCountCeiling) jog.delayCount = kDelayCountRestart;
    if (!CountRingActive(jog, count)) return StopAxis(tick);
    if (!MotionAllowed(tick.host)) return;
    const int axis = tick.pendant.selectedAxis;
    const double velocity =
        tick.host.AxisVelocity(axis) * tick.host.GetDRO(codes::kDroJogPercent) / 100.0;
    RunOrStop(tick, direction, velocity);
}

}  // namespace k7
