// The reset key and the run-control keys: reset, cycle start, stop, and the
// ScreenKey alone (tab toggle or screen cycle, by how long it was held).
#include "pendant/reset_run_keys.h"

#include "host/host_codes.h"
#include "pendant/input_report.h"
#include "pendant/key_protocol.h"
#include "pendant/slot_cycles.h"

namespace k7 {
namespace {

constexpr int kResetButton = 1021;
constexpr int kCycleStartButton = 1000;
constexpr int kButton1001 = 1001;
constexpr int kStopButton = 1003;
constexpr int kButton1002 = 1002;
constexpr int kTabToggleButton = 323;

// ScreenKey alone, judged by pressCycles at its release: a tap toggles the tab
// screen, a medium press cycles the screens, 3 and a long press do nothing.
constexpr std::int32_t kTapBelow = 3;
constexpr std::int32_t kMediumFrom = 4;
constexpr std::int32_t kMediumBelow = 20;

void CycleStart(const Host& host, LogicState& logic) {
    if (host.GetLED(codes::kLedRunState3)) {
        host.DoButton(kCycleStartButton);
    } else if (host.GetLED(codes::kLedRunState1)) {
        host.DoButton(kButton1001);
        // The host may have left the state of LED 804 at once.
        if (host.GetLED(codes::kLedRunState1)) host.DoButton(kCycleStartButton);
    } else {
        host.DoButton(kCycleStartButton);
    }
    logic.justStarted = true;
}

// The first stop after a start presses only 1003; any other stop presses 1002
// after it as well.
void Stop(const Host& host, LogicState& logic) {
    host.DoButton(kStopButton);
    if (logic.justStarted) {
        logic.justStarted = false;
        return;
    }
    host.DoButton(kButton1002);
}

void ScreenKeyReleased(TickContext& tick, std::int32_t pressCycles) {
    if (pressCycles < kTapBelow) {
        tick.host.DoButton(kTabToggleButton);
    } else if (pressCycles >= kMediumFrom && pressCycles < kMediumBelow) {
        ScreenCycle(tick);
    }
}

}  // namespace

// ResetKey alone works only while LED 800 is dark and FnKey + ResetKey only
// while it is lit: the same host button, but from the lit state it takes both
// hands' intent, so one stray key cannot toggle it back.
void HandleResetKey(TickContext& tick) {
    const int reset = ResetValue(tick.pendant.currentReport);
    KeyLatches& latches = tick.logic.latches;
    CycleCounters& counters = tick.counters;
    const Host& host = tick.host;
    const KeyLevels alone{reset == kResetAlone, reset != kResetAlone};
    if (ActsOnPress(latches.resetAlone, alone, counters,
                    [&] { return !host.GetLED(codes::kLedReset); }))
        host.DoButton(kResetButton);
    const KeyLevels withFn{reset == kResetWithFn, reset != kResetWithFn};
    if (ActsOnPress(latches.resetFn, withFn, counters,
                    [&] { return host.GetLED(codes::kLedReset); }))
        host.DoButton(kResetButton);
}

// StartKey and ScreenKey let go end their FnKey combination at once, so a
// quick second press is never lost to the settle wait.
void HandleRunKeys(TickContext& tick) {
    const auto& report = tick.pendant.currentReport;
    const bool fn = KeyHeld(report, kFnKey);
    const bool start = KeyHeld(report, kStartKey);
    const bool screen = KeyHeld(report, kScreenKey);
    KeyLatches& latches = tick.logic.latches;
    CycleCounters& counters = tick.counters;

    if (ActsOnPress(latches.startFn, {start && fn, !fn, !start}, counters))
        CycleStart(tick.host, tick.logic);
    if (ActsOnPress(latches.screenFn, {screen && fn, !fn, !screen}, counters))
        Stop(tick.host, tick.logic);
    const auto pressCycles = ActsOnRelease(latches.screenAlone, {screen && !fn, !screen}, counters,
                                           &CycleCounters::pressCycles);
    if (pressCycles) ScreenKeyReleased(tick, *pressCycles);
}

}  // namespace k7
