#include "sim/sim_window.h"

namespace k7::sim {

class SimWindowSystem::Window final : public HiddenWindow {
  public:
    Window(SimWindowSystem& system, WindowEvents& events) : system_(system), events_(events) {}
    ~Window() override { system_.window_ = nullptr; }
    void StartTimer(unsigned, unsigned) override { timer = true; }
    void RegisterHidNotifications() override { registered = true; }

    SimWindowSystem& system_;
    WindowEvents& events_;
    bool timer = false;
    bool registered = false;
};

std::unique_ptr<HiddenWindow> SimWindowSystem::CreateHiddenChild(void* hostView,
                                                                 WindowEvents& events) {
    if (failCreation_) return nullptr;
    auto window = std::make_unique<Window>(*this, events);
    window_ = window.get();
    parentView_ = hostView;
    ++created_;
    return window;
}

bool SimWindowSystem::Tick() {
    if (follower_ != nullptr) follower_->OnTickPeriod();
    if (window_ == nullptr || !window_->timer) return false;
    window_->events_.OnTimer();
    return true;
}

bool SimWindowSystem::Deliver(const DeviceChange& change) {
    if (window_ == nullptr || !window_->registered) return false;
    window_->events_.OnDeviceChange(change);
    return true;
}

bool SimWindowSystem::timerRunning() const {
    return window_ != nullptr && window_->timer;
}

bool SimWindowSystem::notificationsRegistered() const {
    return window_ != nullptr && window_->registered;
}

}  // namespace k7::sim
