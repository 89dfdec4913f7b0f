// The Linux module's event loop, pumped by the host through K7PumpEvents.
#pragma once

namespace k7 {

// Delivers the plug-in's timer tick and device notices that are ready, waiting
// at most timeoutMs for the first (a negative time-out: until one arrives).
// Returns how many were delivered, 0 on time-out (or at once when nothing can
// arrive yet: before PostInitControl), -1 while the plug-in has no window
// (before InitControl, after StopPlug).
int PumpModuleEvents(int timeoutMs);

}  // namespace k7
