// One latch per key action: set when the action's press is accepted, cleared
// when its release is. A held key therefore acts once.
#pragma once

#include <cstdint>

namespace k7 {

using KeyLatch = std::uint8_t;  // 0 or 1

struct KeyLatches {
    KeyLatch resetAlone = 0;
    KeyLatch resetFn = 0;
    KeyLatch startFn = 0;
    KeyLatch screenFn = 0;
    KeyLatch screenAlone = 0;
    KeyLatch modeAlone[3] = {};  // ModeKey1..3 without FnKey
    KeyLatch modeFn[3] = {};     // ModeKey1..3 with FnKey
    KeyLatch axisAlone[3] = {};  // X, Y, Z without FnKey
    KeyLatch axisFn[3] = {};     // X, Y, Z with FnKey
};

}  // namespace k7
