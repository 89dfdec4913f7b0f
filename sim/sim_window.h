// A simulated window system: the hidden window exists, its timer ticks only when
// told to, and device notices reach it only once it registered for them.
#pragma once

#include <memory>

#include "device/window_system.h"

namespace k7::sim {

// Keeps time with the timer: told before each tick is delivered that one tick
// period has passed (the virtual pendant sends its next report then).
class TickFollower {
  public:
    virtual void OnTickPeriod() = 0;

  protected:
    ~TickFollower() = default;
};

class SimWindowSystem final : public WindowSystem {
  public:
    explicit SimWindowSystem(TickFollower* follower = nullptr) : follower_(follower) {}
    std::unique_ptr<HiddenWindow> CreateHiddenChild(void* hostView, WindowEvents& events) override;

    // One timer tick; false when no window or no timer is running. The
    // follower hears of the period first, also when nothing is delivered.
    bool Tick();
    void Follow(TickFollower* follower) { follower_ = follower; }
    // Delivers a notice; false when no window is registered to receive it.
    bool Deliver(const DeviceChange& change);

    bool windowAlive() const { return window_ != nullptr; }
    bool timerRunning() const;
    bool notificationsRegistered() const;
    int windowsCreated() const { return created_; }
    void* parentView() const { return parentView_; }
    void FailCreation(bool fail) { failCreation_ = fail; }

  private:
    class Window;
    Window* window_ = nullptr;
    TickFollower* follower_ = nullptr;
    void* parentView_ = nullptr;
    int created_ = 0;
    bool failCreation_ = false;
};

}  // namespace k7::sim
