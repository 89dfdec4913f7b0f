// The pendant logic's own state that lives as long as the library: the wheel
// mode, the key latches and two flags. Kept apart from the host's callbacks and
// the plug-in's names, which the handlers have no business with.
#pragma once

#include "pendant/key_latches.h"

namespace k7 {

enum WheelMode : int {
    Step = 1,
    Velocity = 2,
    Continuous = 3,
    JogRateAdjust = 4,
    Dro821Adjust = 5,
    Dro74Adjust = 6,
};

struct LogicState {
    int wheelMode = WheelMode::Step;  // only the mode keys change it
    bool justStarted = false;         // set by cycle start, consumed by the next stop
    bool jogHold = false;             // step-jog lines held back after an axis change
    KeyLatches latches;
};

}  // namespace k7
