// The 24 persisted settings. Every field is 0 until the first load; the pendant
// logic reads them afresh at each use, so a change made by the dialog's OK takes
// effect at the next tick. RecordSessions alone is read when the plug-in starts.
#pragma once

#include <cstdint>

namespace k7 {

struct PendantSettings {
    std::int16_t BUTTON[3] = {};     // positions in ButtonList, for Fn + ModeKey1..3
    std::int16_t Vel = 0;            // position in VelocityList
    std::int16_t Macro[4] = {};      // Macro1..Macro4: macro numbers run as "M%d"
    std::int16_t OEM[4] = {};        // OEM1..OEM4: host button codes
    std::int32_t StepJogRate = 0;    // 0: use the host's current feed rate
    std::int32_t DelaySteps = 0;     // C-mode start delay in wheel counts
    std::int16_t ScreenSel[3] = {};  // positions in ScreenList; 0 skips the slot
    std::int16_t StepSize[3] = {};   // positions in StepSizeList; 0 skips the slot
    bool Xreverse = false;
    bool Yreverse = false;
    bool Zreverse = false;
    bool RecordSessions = false;  // each session written as a trace file for diagnosis
};

}  // namespace k7
