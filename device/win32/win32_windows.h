// The message seam on Windows: a hidden child window of the host's view that
// receives the tick timer and the HID class's device notifications on the
// host's interface thread.
#pragma once

#include <cstdint>
#include <memory>

#include "device/window_system.h"

namespace k7 {

inline constexpr const char* kPendantWindowClass = "K7PendantWindow";
inline constexpr int kPendantWindowId = 1;

// The event record of a WM_DEVICECHANGE, read defensively: lParam is only taken
// for a broadcast header for the codes whose lParam is one, and a name only
// when it ends inside the record's own size.
DeviceChange DecodeDeviceChange(std::uintptr_t wParam, std::intptr_t lParam);

class Win32WindowSystem final : public WindowSystem {
  public:
    // The parent is the window handle in the host's view object; without one
    // no window can be made and null is returned.
    std::unique_ptr<HiddenWindow> CreateHiddenChild(void* hostView, WindowEvents& events) override;
};

}  // namespace k7
