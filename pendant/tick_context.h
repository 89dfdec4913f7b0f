// What the handlers of one tick work on, and nothing more: the host, the
// counters, the settings (read only), the logic state that outlives the device
// window, and the window's pendant and jog state.
#pragma once

#include "host/cycle_counters.h"
#include "host/host.h"
#include "jog/jog_state.h"
#include "pendant/logic_state.h"
#include "pendant/pendant_state.h"
#include "settings/pendant_settings.h"

namespace k7 {

struct TickContext {
    const Host& host;
    CycleCounters& counters;
    const PendantSettings& settings;
    LogicState& logic;
    PendantState& pendant;
    JogState& jog;
    bool hostWasAbsolute;  // send "G90" after each relative step line
};

}  // namespace k7
