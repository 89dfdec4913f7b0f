// Everything the plug-in keeps for as long as the library is loaded. One
// instance per loaded library (owned by the exports); tests and the simulator
// make fresh ones, so each starts from the state at library load.
#pragma once

#include <cstddef>
#include <string>

#include "host/cycle_counters.h"
#include "host/host.h"
#include "pendant/logic_state.h"
#include "settings/pendant_settings.h"

namespace k7 {

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
    LogicState logic;
};

}  // namespace k7
