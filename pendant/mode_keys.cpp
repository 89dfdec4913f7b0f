// The three mode keys: alone they choose the wheel mode, with FnKey they run
// the functions the user assigned to them.
#include "pendant/mode_keys.h"

#include "pendant/assigned_function.h"
#include "pendant/input_report.h"
#include "pendant/key_protocol.h"

namespace k7 {
namespace {

// Every wheel mode change presses 334 plus the axis (335 for Y, 336 for Z), so
// the host hears of it.
constexpr int kModeChangeButton = 334;

// Each key selects its first mode, or its second when the first is current.
struct ModeKey {
    int value;  // ModeKeyValue while this key alone is held
    WheelMode first;
    WheelMode second;
};

constexpr ModeKey kModeKeys[3] = {
    {kModeKeyValues[0], WheelMode::Step, WheelMode::Velocity},
    {kModeKeyValues[1], WheelMode::Continuous, WheelMode::JogRateAdjust},
    {kModeKeyValues[2], WheelMode::Dro821Adjust, WheelMode::Dro74Adjust},
};

void SelectWheelMode(TickContext& tick) {
    const PendantState& pendant = tick.pendant;
    LogicState& logic = tick.logic;
    // All presses before any release: a press restarts the settle wait that
    // the releases of the other mode keys then observe.
    for (int i = 0; i < 3; ++i) {
        const ModeKey& key = kModeKeys[i];
        const bool press = pendant.modeKeys == key.value && pendant.fnHeld == 0;
        if (AcceptPress(logic.latches.modeAlone[i], press, tick.counters))
            logic.wheelMode = logic.wheelMode == key.first ? key.second : key.first;
    }
    for (int i = 0; i < 3; ++i) {
        const KeyLevels levels{.release = pendant.modeKeys != kModeKeys[i].value};
        AcceptRelease(logic.latches.modeAlone[i], levels, tick.counters);
    }
}

// Runs before HandleAxisKeys, so the button names the axis of the previous tick.
void AnnounceModeChange(TickContext& tick) {
    PendantState& pendant = tick.pendant;
    if (tick.logic.wheelMode == pendant.lastWheelMode) return;
    tick.host.DoButton(kModeChangeButton + pendant.selectedAxis);
    pendant.lastWheelMode = tick.logic.wheelMode;
}

void RunAssignedFunctions(TickContext& tick) {
    const PendantState& pendant = tick.pendant;
    LogicState& logic = tick.logic;
    for (int i = 0; i < 3; ++i) {
        const bool held = pendant.modeKeys == kModeKeys[i].value;
        const bool fn = pendant.fnHeld != 0;
        const KeyLevels levels{held && fn, !held && fn};
        if (ShortFnRelease(logic.latches.modeFn[i], levels, tick.counters))
            AssignedFunction(tick, tick.settings.BUTTON[i]);
    }
}

}  // namespace

void HandleModeKeys(TickContext& tick) {
    PendantState& pendant = tick.pendant;
    pendant.modeKeys = ModeKeyValue(pendant.currentReport);
    pendant.fnHeld = KeyHeld(pendant.currentReport, kFnKey) ? 1 : 0;
    SelectWheelMode(tick);
    AnnounceModeChange(tick);
    RunAssignedFunctions(tick);
}

}  // namespace k7
