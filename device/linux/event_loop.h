// The message seam on Linux: no windows, an event loop instead. The hidden
// "window" is a timerfd for the tick and a udev monitor for hidraw nodes coming
// and going; the host's interface thread pumps it, so every event is handled
// on the thread that calls the entry points, as on Windows.
#pragma once

#include <memory>

#include "device/window_system.h"

namespace k7 {

class EventLoopWindow;

// Outlives every window it creates (the module keeps it for as long as it is loaded).
class EventLoopWindowSystem final : public WindowSystem {
  public:
    EventLoopWindowSystem() = default;
    EventLoopWindowSystem(const EventLoopWindowSystem&) = delete;
    EventLoopWindowSystem& operator=(const EventLoopWindowSystem&) = delete;

    // The host's view means nothing here; the window is created without it.
    std::unique_ptr<HiddenWindow> CreateHiddenChild(void* hostView, WindowEvents& events) override;

    // Waits at most timeoutMs for the timer or a device notice (a negative
    // time-out: until one arrives), then delivers everything that is ready: at
    // most one timer tick (missed ticks collapse into one, as timer messages
    // do) and every queued notice. Returns the number of events delivered, 0 on
    // time-out or when nothing could ever arrive (no timer started, no notices
    // registered), -1 when no window exists. A handler may destroy the window.
    int Pump(int timeoutMs);

  private:
    friend class EventLoopWindow;
    EventLoopWindow* window_ = nullptr;  // the one live window, or null
};

}  // namespace k7
