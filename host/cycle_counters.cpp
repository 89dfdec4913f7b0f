#include "host/cycle_counters.h"

namespace k7 {
namespace {

void Advance(std::int32_t& counter) {
    if (counter > 1000) counter = 100;
    ++counter;
}

void CountDown(std::int32_t& countdown) {
    if (countdown != 0) --countdown;
}

}  // namespace

void CycleCounters::Update() {
    Advance(pressCycles);
    Advance(holdCycles);
    Advance(jogCycles);
    if (reportSequence > 254) reportSequence = 1;
    ++reportSequence;
    CountDown(settleCountdown);
    CountDown(jogCountdown);
    CountDown(stepCountdown);
}

}  // namespace k7
