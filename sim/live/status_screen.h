// The main screen of live mode: the machine, the pendant's indicators, the
// host's LEDs, the last host actions and G-code lines, and the key map.
#pragma once

#include <string>
#include <vector>

#include "sim/live/live_session.h"

namespace k7::sim::live {

struct ScreenContext {
    double seconds = 0.0;            // time since the start
    std::vector<std::string> notes;  // what the device scan found, and other notes
    std::string recordPath;          // "" when not recording
    bool scripted = false;           // input from a script: time comes from its keys
    std::size_t width = 80;
    std::size_t height = 0;  // rows of the terminal; 0: no limit
};

// styled: the terminal draws bold and reverse video.
std::vector<std::string> RenderStatus(LiveSession& session, const ScreenContext& context,
                                      bool styled);

}  // namespace k7::sim::live
