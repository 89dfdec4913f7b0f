// The host codes that more than one part of the plug-in uses, named once. Codes
// used in one place only are named there, next to their use.
#pragma once

namespace k7::codes {

// LEDs
inline constexpr int kLedJogEnabled = 83;  // jogging switched on in the host
inline constexpr int kLedReset = 800;      // guards the two ResetKey actions
// The run state the pendant shows (1, 2, 3); also the motion gate of the jog modes.
inline constexpr int kLedRunState1 = 804;
inline constexpr int kLedRunState2 = 805;
inline constexpr int kLedRunState3 = 806;

// DROs
inline constexpr int kDroJogPercent = 3;       // jog rate as a percentage of the axis velocity
inline constexpr int kDroSecondOverride = 74;  // the host value the wheel scales in mode 6
inline constexpr int kDroFeed = 818;           // current feed rate
inline constexpr int kDroFeedOverride = 821;   // held at 100 while step jogging at a fixed rate
inline constexpr int kDroStepSize = 828;       // the jog step size the pendant cycles through

}  // namespace k7::codes
