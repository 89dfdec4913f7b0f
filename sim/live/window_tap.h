// A window system that lets live mode see what reaches the plug-in's window:
// each timer tick and each device notice is reported before and after the
// plug-in handles it, whichever system (simulated or the Linux event loop)
// delivers it.
#pragma once

#include <memory>

#include "device/window_system.h"

namespace k7::sim::live {

class WindowObserver {
  public:
    virtual void AfterTick() = 0;
    virtual void BeforeDeviceChange(const DeviceChange& change) = 0;
    virtual void AfterDeviceChange(const DeviceChange& change) = 0;

  protected:
    ~WindowObserver() = default;
};

class WindowTap final : public WindowSystem {
  public:
    WindowTap(WindowSystem& inner, WindowObserver& observer) : inner_(inner), relay_(observer) {}

    std::unique_ptr<HiddenWindow> CreateHiddenChild(void* hostView, WindowEvents& events) override {
        relay_.target = &events;
        return inner_.CreateHiddenChild(hostView, relay_);
    }

  private:
    struct Relay final : WindowEvents {
        explicit Relay(WindowObserver& o) : observer(o) {}
        void OnTimer() override {
            target->OnTimer();
            observer.AfterTick();
        }
        void OnDeviceChange(const DeviceChange& change) override {
            observer.BeforeDeviceChange(change);
            target->OnDeviceChange(change);
            observer.AfterDeviceChange(change);
        }
        WindowObserver& observer;
        WindowEvents* target = nullptr;
    };

    WindowSystem& inner_;
    Relay relay_;
};

}  // namespace k7::sim::live
