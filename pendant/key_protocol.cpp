#include "pendant/key_protocol.h"

namespace k7 {

bool AcceptRelease(KeyLatch& latch, const KeyLevels& levels, const CycleCounters& counters) {
    if (latch == 0) return false;
    const bool settled = counters.settleCountdown == 0;
    if (!levels.releaseAtOnce && !(levels.release && settled)) return false;
    latch = 0;
    return true;
}

std::optional<std::int32_t> ActsOnRelease(KeyLatch& latch, const KeyLevels& levels,
                                          CycleCounters& counters,
                                          std::int32_t CycleCounters::*holdCounter) {
    if (AcceptPress(latch, levels.press, counters)) counters.*holdCounter = 0;
    if (!AcceptRelease(latch, levels, counters)) return std::nullopt;
    return counters.*holdCounter;
}

bool ShortFnRelease(KeyLatch& latch, const KeyLevels& levels, CycleCounters& counters) {
    const auto held = ActsOnRelease(latch, levels, counters, &CycleCounters::holdCycles);
    return held.has_value() && *held < kShortHoldCycles;
}

}  // namespace k7
