#include "device/win32/win32_windows.h"

#include <windows.h>
// windows.h first: these need its types.
#include <dbt.h>
// The HID class header declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}

#include <cstddef>
#include <cstring>

#include "host/host_abi.h"

namespace k7 {
namespace {

constexpr DWORD kChildStyle = WS_CHILD;  // alone: the window is never visible
constexpr int kChildSize = 10;

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

bool CarriesBroadcastHeader(std::uintptr_t code) {
    return code >= DBT_DEVICEARRIVAL && code <= DBT_CUSTOMEVENT;
}

LRESULT CALLBACK PendantWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

class Win32HiddenWindow final : public HiddenWindow {
  public:
    explicit Win32HiddenWindow(WindowEvents& events) : events_(events) {}
    ~Win32HiddenWindow() override {
        if (notifications_ != nullptr) UnregisterDeviceNotification(notifications_);
        if (hwnd_ != nullptr) {
            if (timerId_ != 0) KillTimer(hwnd_, timerId_);
            // No message may reach this object once it is gone.
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
        // A class left registered would outlive an unloaded DLL's window procedure.
        UnregisterClassA(kPendantWindowClass, ThisModule());
    }
    Win32HiddenWindow(const Win32HiddenWindow&) = delete;
    Win32HiddenWindow& operator=(const Win32HiddenWindow&) = delete;

    bool Create(HWND parent) {
        const HINSTANCE instance = ThisModule();
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &PendantWindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kPendantWindowClass;
        if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
        hwnd_ = CreateWindowExA(
            0, kPendantWindowClass, "", kChildStyle, 0, 0, kChildSize, kChildSize, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPendantWindowId)), instance, this);
        return hwnd_ != nullptr;
    }

    void StartTimer(unsigned id, unsigned periodMs) override {
        if (SetTimer(hwnd_, id, periodMs, nullptr) != 0) timerId_ = id;
    }

    void RegisterHidNotifications() override {
        if (notifications_ != nullptr) return;
        DEV_BROADCAST_DEVICEINTERFACE_A filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        HidD_GetHidGuid(&filter.dbcc_classguid);
        notifications_ = RegisterDeviceNotificationA(hwnd_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }

    WindowEvents& events() { return events_; }

  private:
    WindowEvents& events_;
    HWND hwnd_ = nullptr;
    UINT_PTR timerId_ = 0;
    HDEVNOTIFY notifications_ = nullptr;
};

LRESULT CALLBACK PendantWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<Win32HiddenWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (window != nullptr && message == WM_TIMER) {
        window->events().OnTimer();
        return 0;
    }
    if (window != nullptr && message == WM_DEVICECHANGE) {
        window->events().OnDeviceChange(DecodeDeviceChange(wParam, lParam));
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

DeviceChange DecodeDeviceChange(std::uintptr_t wParam, std::intptr_t lParam) {
    DeviceChange change;
    change.code = static_cast<std::uint32_t>(wParam);
    if (!CarriesBroadcastHeader(wParam) || lParam == 0) return change;
    const auto* record = reinterpret_cast<const char*>(lParam);
    DEV_BROADCAST_HDR header{};
    std::memcpy(&header, record, sizeof header);
    change.deviceType = header.dbch_devicetype;
    constexpr std::size_t kNameAt = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    if (header.dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE || header.dbch_size <= kNameAt)
        return change;
    const char* name = record + kNameAt;
    if (std::memchr(name, '\0', header.dbch_size - kNameAt) != nullptr) change.name = name;
    return change;
}

std::unique_ptr<HiddenWindow> Win32WindowSystem::CreateHiddenChild(void* hostView,
                                                                   WindowEvents& events) {
    if (hostView == nullptr) return nullptr;
    const auto parent = ReadField<HWND>(hostView, offsets::kViewWindowHandle);
    if (parent == nullptr) return nullptr;
    auto window = std::make_unique<Win32HiddenWindow>(events);
    if (!window->Create(parent)) return nullptr;
    return window;
}

}  // namespace k7
