// The per-Update clock of the pendant logic. Counters count host Update calls
// since their user reset them; countdowns fall to 0 and stay there. Every
// duration of the pendant logic is measured here, never in ticks or milliseconds.
#pragma once

#include <cstdint>

namespace k7 {

struct CycleCounters {
    std::int32_t pressCycles = 100;    // since a ScreenKey press
    std::int32_t holdCycles = 100;     // since an FnKey combination with a mode or axis key
    std::int32_t jogCycles = 100;      // since a jog reversal
    std::int16_t reportSequence = 1;   // low byte goes to the pendant: 2..255, then 2 again
    std::int32_t settleCountdown = 0;  // releases wait for it to reach 0
    std::int32_t jogCountdown = 0;     // jog activity window
    std::int32_t stepCountdown = 0;    // feed restore after step jogging

    // One host Update: counters wrap from above 1000 back to 100 before counting
    // on, so once past a threshold they never fall below it until reset.
    void Update();
};

}  // namespace k7
