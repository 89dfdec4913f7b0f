// The hidden child window under wine: created under the host's view handle,
// never visible, ticking while messages are pumped, notices decoded.
#include "device/win32/win32_windows.h"

#include <windows.h>
// windows.h first: dbt.h needs its types.
#include <dbt.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host_abi.h"
#include "tests/win32/message_pump.h"

namespace k7::test {
namespace {

using k7::test::PumpMessagesFor;

struct RecordingEvents final : WindowEvents {
    void OnTimer() override { ++ticks; }
    void OnDeviceChange(const DeviceChange& change) override {
        codes.push_back(change.code);
        types.push_back(change.deviceType);
        names.push_back(change.name != nullptr ? change.name : "<none>");
    }
    int ticks = 0;
    std::vector<std::uint32_t> codes;
    std::vector<std::uint32_t> types;
    std::vector<std::string> names;
};

// The host's main window and its view object, with the window handle where
// the host keeps it.
class HostWindow {
  public:
    HostWindow() {
        hwnd_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        WriteField(view_.data(), offsets::kViewWindowHandle, hwnd_);
    }
    ~HostWindow() {
        if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    void* view() { return view_.data(); }
    HWND Child() const { return FindWindowExA(hwnd_, nullptr, kPendantWindowClass, nullptr); }

  private:
    HWND hwnd_ = nullptr;
    std::vector<unsigned char> view_ = std::vector<unsigned char>(kViewBlockSize);
};

TEST(Win32Window, HiddenChildOfTheHostViewTicksWhileMessagesArePumped) {
    HostWindow host;
    ASSERT_NE(host.hwnd(), nullptr) << "no window without a display";
    Win32WindowSystem windows;
    RecordingEvents events;
    auto window = windows.CreateHiddenChild(host.view(), events);
    ASSERT_NE(window, nullptr);

    const HWND child = host.Child();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), host.hwnd());
    EXPECT_EQ(GetDlgCtrlID(child), kPendantWindowId);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(child, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
              static_cast<DWORD>(WS_CHILD));
    EXPECT_FALSE(IsWindowVisible(child));
    RECT rect{};
    GetClientRect(child, &rect);
    EXPECT_EQ(rect.right - rect.left, 10);
    EXPECT_EQ(rect.bottom - rect.top, 10);

    PumpMessagesFor(100);
    EXPECT_EQ(events.ticks, 0);  // no timer until it is started
    window->StartTimer(1, 25);
    window->RegisterHidNotifications();
    PumpMessagesFor(500);
    EXPECT_GE(events.ticks, 10);  // 20 expected; wine's timers are coarse under load
    EXPECT_LE(events.ticks, 22);

    window.reset();
    EXPECT_EQ(host.Child(), nullptr);
    const int ticksAtDestruction = events.ticks;
    PumpMessagesFor(100);
    EXPECT_EQ(events.ticks, ticksAtDestruction);
}

TEST(Win32Window, NoParentNoWindow) {
    Win32WindowSystem windows;
    RecordingEvents events;
    EXPECT_EQ(windows.CreateHiddenChild(nullptr, events), nullptr);
    std::vector<unsigned char> emptyView(kViewBlockSize);
    EXPECT_EQ(windows.CreateHiddenChild(emptyView.data(), events), nullptr);
}

// A device-interface record as the system sends it, name included.
std::vector<unsigned char> InterfaceRecord(const char* name, DWORD declaredSize = 0) {
    const std::size_t nameAt = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    std::vector<unsigned char> record(nameAt + std::strlen(name) + 1);
    DEV_BROADCAST_DEVICEINTERFACE_A head{};
    head.dbcc_size = declaredSize != 0 ? declaredSize : static_cast<DWORD>(record.size());
    head.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(record.data(), &head, nameAt);
    std::memcpy(record.data() + nameAt, name, std::strlen(name) + 1);
    return record;
}

TEST(Win32Window, DeviceChangeMessagesReachTheEventsDecoded) {
    HostWindow host;
    ASSERT_NE(host.hwnd(), nullptr);
    Win32WindowSystem windows;
    RecordingEvents events;
    auto window = windows.CreateHiddenChild(host.view(), events);
    ASSERT_NE(window, nullptr);
    const HWND child = host.Child();

    auto removal = InterfaceRecord("\\\\?\\HID#VID_04D8&PID_B3C5#1");
    EXPECT_EQ(SendMessageA(child, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                           reinterpret_cast<LPARAM>(removal.data())),
              TRUE);
    DEV_BROADCAST_HDR volume{};
    volume.dbch_size = sizeof volume;
    volume.dbch_devicetype = DBT_DEVTYP_VOLUME;
    SendMessageA(child, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    // DBT_DEVNODES_CHANGED carries no record at all.
    EXPECT_EQ(SendMessageA(child, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), TRUE);

    ASSERT_EQ(events.codes.size(), 3u);
    EXPECT_EQ(events.codes[0], kDeviceRemoveComplete);
    EXPECT_EQ(events.types[0], kDevTypeDeviceInterface);
    EXPECT_EQ(events.names[0], "\\\\?\\HID#VID_04D8&PID_B3C5#1");
    EXPECT_EQ(events.codes[1], kDeviceArrival);
    EXPECT_EQ(events.types[1], static_cast<std::uint32_t>(DBT_DEVTYP_VOLUME));
    EXPECT_EQ(events.names[1], "<none>");
    EXPECT_EQ(events.codes[2], static_cast<std::uint32_t>(DBT_DEVNODES_CHANGED));
    EXPECT_EQ(events.types[2], 0u);
}

TEST(Win32Window, InterfaceNameIsTakenOnlyWhenItEndsInsideTheRecord) {
    auto record = InterfaceRecord("\\\\?\\HID#1");
    DeviceChange change =
        DecodeDeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(record.data()));
    ASSERT_NE(change.name, nullptr);
    EXPECT_STREQ(change.name, "\\\\?\\HID#1");

    // A record whose declared size cuts the name short gives no name.
    const DWORD shortSize = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + 3;
    auto truncated = InterfaceRecord("\\\\?\\HID#1", shortSize);
    change =
        DecodeDeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(truncated.data()));
    EXPECT_EQ(change.deviceType, kDevTypeDeviceInterface);
    EXPECT_EQ(change.name, nullptr);

    // Codes whose lParam is no record are not read through.
    change = DecodeDeviceChange(DBT_USERDEFINED, 0x1234);
    EXPECT_EQ(change.code, static_cast<std::uint32_t>(DBT_USERDEFINED));
    EXPECT_EQ(change.deviceType, 0u);
}

}  // namespace
}  // namespace k7::test
