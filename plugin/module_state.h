// Everything the plug-in keeps for as long as the library is loaded. One
// instance per loaded library (owned by the exports); tests and the simulator
// make fresh ones, so each starts from the state at library load.
#pragma once

#include <cstddef>
#include <string>

#include "pendant/key_latches.h"
#include "plugin/cycle_counters.h"
#include "plugin/host.h"
#include "settings/pendant_settings.h"

namespace k7 {

enum WheelMode : int {
    Step = 1,
    Velocity = 2,
    Continuous = 3,
    JogRateAdjust = 4,
    Dro821Adjust = 5,
    Dro74Adjust = 6,
};

// Room for a module file title of MAX_PATH characters and the name's suffix.
inline constexpr std::size_t kPluginNameCapacity = 320;

struct ModuleState {
    HostCallbacks callbacks;
    HostBlocks blocks;
    std::string profileName;
    // The name the host shows. A fixed buffer: the host may keep the pointer
    // SetProName returned, so a later call rewrites it in place.
    char pluginName[kPluginNameCapacity] = {};
    CycleCounters counters;
    PendantSettings settings;
    int wheelMode = WheelMode::Step;  // only the mode keys change it
    bool justStarted = false;         // set by cycle start, consumed by the next stop
    bool jogHold = false;             // step-jog lines held back after an axis change
    KeyLatches latches;
};

}  // namespace k7
