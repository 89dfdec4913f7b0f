// The window system as the recorder hands it to the plug-in's device window:
// each timer tick and device notice is told to the tap before and after the
// window handles it, whichever system delivers it.
#pragma once

#include <memory>

#include "device/window_system.h"
#include "record/session_tap.h"

namespace k7 {

class RecordingWindows final : public WindowSystem {
  public:
    RecordingWindows(WindowSystem& inner, SessionTap& tap) : inner_(inner), relay_(tap) {}

    std::unique_ptr<HiddenWindow> CreateHiddenChild(void* hostView, WindowEvents& events) override {
        relay_.target = &events;
        return inner_.CreateHiddenChild(hostView, relay_);
    }

  private:
    struct Relay final : WindowEvents {
        explicit Relay(SessionTap& t) : tap(t) {}
        void OnTimer() override;
        void OnDeviceChange(const DeviceChange& change) override;
        SessionTap& tap;
        WindowEvents* target = nullptr;
    };

    WindowSystem& inner_;
    Relay relay_;
};

}  // namespace k7
