// State of the key handlers, owned by the device window: it starts afresh when
// the window is created.
#pragma once

#include <cstdint>

namespace k7 {

struct PendantState {
    std::uint32_t currentReport[2] = {0, 0};  // bytes 0-3 and 4-7, little-endian
    int modeKeys = 0;                // byte 4 bits 0-2: 1, 2 or 4 when exactly one mode key is held
    std::uint8_t fnHeld = 0;         // FnKey, as HandleModeKeys saw it this tick
    int lastWheelMode = 1;           // wheelMode at the end of the previous tick
    int screenSlot = 1;              // 1..3
    int screenCodes[3] = {0, 0, 0};  // host buttons of the three screen slots
    int selectedAxis = 0;            // 0 = X, 1 = Y, 2 = Z
    int lastAxis = 0;                // selectedAxis at the end of the previous tick
    int stepSlot = 1;                // 1..3
    double stepSizes[3] = {0.001, 0.001, 0.001};
};

}  // namespace k7
