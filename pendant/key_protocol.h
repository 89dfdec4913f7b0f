// The one protocol by which every key action turns held levels into a single
// action. A press is accepted while the action's latch is 0 and sets it; a
// release is accepted while the latch is 1 and clears it, so a held key acts
// once and must be released before it acts again. Every accepted press restarts
// the shared settleCountdown, and releases wait for it to run out: a key that
// bounces, or is let go and pressed again within two host Update calls, is seen
// as still held. That wait is the pendant's only debouncing.
#pragma once

#include <cstdint>
#include <optional>

#include "host/cycle_counters.h"
#include "pendant/key_latches.h"

namespace k7 {

inline constexpr std::int32_t kSettleCycles = 2;
// FnKey combinations that act on release count only when let go this soon: a
// longer hold cancels them.
inline constexpr std::int32_t kShortHoldCycles = 10;

// The levels of one key action in the current report, the latch aside.
struct KeyLevels {
    bool press = false;          // the press condition
    bool release = false;        // a release accepted once settleCountdown is 0
    bool releaseAtOnce = false;  // a release accepted whatever settleCountdown holds
};

// Accepts the press when the latch is 0 and `press` holds. The guard is asked
// only when the press would otherwise be accepted, since it may cost a host call.
template <typename Guard>
bool AcceptPress(KeyLatch& latch, bool press, CycleCounters& counters, Guard&& guard) {
    if (latch != 0 || !press || !guard()) return false;
    latch = 1;
    counters.settleCountdown = kSettleCycles;
    return true;
}

inline bool AcceptPress(KeyLatch& latch, bool press, CycleCounters& counters) {
    return AcceptPress(latch, press, counters, [] { return true; });
}

// Accepts the release when the latch is 1 and the levels allow it now.
bool AcceptRelease(KeyLatch& latch, const KeyLevels& levels, const CycleCounters& counters);

// A key action that acts on press: the press, then the release, for this
// report. True when the action is to run now.
template <typename Guard>
bool ActsOnPress(KeyLatch& latch, const KeyLevels& levels, CycleCounters& counters, Guard&& guard) {
    const bool pressed = AcceptPress(latch, levels.press, counters, guard);
    AcceptRelease(latch, levels, counters);
    return pressed;
}

inline bool ActsOnPress(KeyLatch& latch, const KeyLevels& levels, CycleCounters& counters) {
    return ActsOnPress(latch, levels, counters, [] { return true; });
}

// A key action that acts on release, judged by how long it was held: the hold
// counter restarts at the accepted press; at the accepted release its value is
// returned for the caller to judge. Nothing when no release was accepted.
std::optional<std::int32_t> ActsOnRelease(KeyLatch& latch, const KeyLevels& levels,
                                          CycleCounters& counters,
                                          std::int32_t CycleCounters::*holdCounter);

// An FnKey combination with a mode or axis key: true when released after a
// short hold, measured by holdCycles.
bool ShortFnRelease(KeyLatch& latch, const KeyLevels& levels, CycleCounters& counters);

}  // namespace k7
