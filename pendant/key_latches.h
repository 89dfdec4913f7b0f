// One latch per key action: set when the action's press is accepted, cleared
// when its release is. A held key therefore acts once.
#pragma once

#include <cstdint>

namespace k7 {

struct KeyLatches {
    std::uint8_t resetAlone = 0;
    std::uint8_t resetFn = 0;
    std::uint8_t startFn = 0;
    std::uint8_t screenFn = 0;
    std::uint8_t screenAlone = 0;
    std::uint8_t modeAlone[3] = {};  // ModeKey1..3 without FnKey
    std::uint8_t modeFn[3] = {};     // ModeKey1..3 with FnKey
    std::uint8_t axisAlone[3] = {};  // X, Y, Z without FnKey
    std::uint8_t axisFn[3] = {};     // X, Y, Z with FnKey
};

}  // namespace k7
