// The message seam: the hidden child window that gives the plug-in its 25 ms
// timer and the system's device-change notices on the host's UI thread.
#pragma once

#include <cstdint>
#include <memory>

namespace k7 {

// Device-change event codes and the record's device type, as the system gives them.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t kDevTypeDeviceInterface = 5;

struct DeviceChange {
    std::uint32_t code = 0;        // kDeviceArrival, kDeviceRemoveComplete, or another code
    std::uint32_t deviceType = 0;  // of the event record; 0 when there is none
    const char* name = nullptr;    // the interface path when deviceType is an interface
};

// Receives what arrives at the window.
class WindowEvents {
  public:
    virtual void OnTimer() = 0;
    virtual void OnDeviceChange(const DeviceChange& change) = 0;

  protected:
    ~WindowEvents() = default;
};

// A created hidden window. Destroying it ends its timer and its notifications.
class HiddenWindow {
  public:
    virtual ~HiddenWindow() = default;
    virtual void StartTimer(unsigned id, unsigned periodMs) = 0;
    // Device-interface notifications of the HID class, delivered to the window.
    virtual void RegisterHidNotifications() = 0;
};

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    // A never-visible child of the host's view; null when it cannot be created.
    virtual std::unique_ptr<HiddenWindow> CreateHiddenChild(void* hostView,
                                                            WindowEvents& events) = 0;
};

}  // namespace k7
