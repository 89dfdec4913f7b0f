// What the handlers of one tick work on: the host, the library-wide state, and
// the device window's pendant and jog state.
#pragma once

#include "jog/jog_state.h"
#include "pendant/pendant_state.h"
#include "plugin/host.h"
#include "plugin/module_state.h"

namespace k7 {

struct TickContext {
    const Host& host;
    ModuleState& module;
    PendantState& pendant;
    JogState& jog;
    bool hostWasAbsolute;  // send "G90" after each relative step line
};

}  // namespace k7
