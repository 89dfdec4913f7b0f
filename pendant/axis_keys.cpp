// The axis keys: alone they choose the axis the wheel acts on; with FnKey they
// toggle jogging, cycle the jog step size and zero the selected axis.
#include "pendant/axis_keys.h"

#include "pendant/input_report.h"
#include "pendant/key_protocol.h"
#include "pendant/slot_cycles.h"

namespace k7 {
namespace {

constexpr int kJogToggleButton = 103;
constexpr int kZeroAxisButton = 1008;  // 1008 + axis: zero X, Y or Z

// Each key is one key action, pressed and released before the next key is
// looked at. Keys newly held together are taken in the order X, Y, Z, so the
// last one wins.
void SelectAxis(TickContext& tick) {
    PendantState& pendant = tick.pendant;
    LogicState& logic = tick.logic;
    for (int axis = 0; axis < 3; ++axis) {
        const bool held = KeyHeld(pendant.currentReport, kAxisKeys[axis]);
        const KeyLevels levels{held && pendant.fnHeld == 0, !held};
        if (ActsOnPress(logic.latches.axisAlone[axis], levels, tick.counters))
            pendant.selectedAxis = axis;
    }
}

// Step counts saved up for the old axis must not move the new one, and while
// the host still works off moves queued for the old axis, step lines for the
// new one wait (jogHold) until its queue is empty.
void FollowAxisChange(TickContext& tick) {
    PendantState& pendant = tick.pendant;
    const bool hostIdle = tick.host.EngineQueueIdle();
    if (pendant.selectedAxis != pendant.lastAxis) {
        tick.jog.stepBacklog = 0;
        if (!hostIdle) tick.logic.jogHold = true;
    }
    if (tick.logic.jogHold && hostIdle) tick.logic.jogHold = false;
    pendant.lastAxis = pendant.selectedAxis;
}

bool ShortFnAxis(TickContext& tick, int axis) {
    const bool held = KeyHeld(tick.pendant.currentReport, kAxisKeys[axis]);
    const bool fn = tick.pendant.fnHeld != 0;
    return ShortFnRelease(tick.logic.latches.axisFn[axis], {held && fn, !held && fn},
                          tick.counters);
}

}  // namespace

void HandleAxisKeys(TickContext& tick) {
    SelectAxis(tick);
    FollowAxisChange(tick);
    if (ShortFnAxis(tick, 0)) tick.host.DoButton(kJogToggleButton);
    if (ShortFnAxis(tick, 1)) StepSizeCycle(tick);
    if (ShortFnAxis(tick, 2)) tick.host.DoButton(kZeroAxisButton + tick.pendant.selectedAxis);
}

}  // namespace k7
