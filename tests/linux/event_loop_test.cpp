// The Linux message source: the timer paced by the host's pumping, and the
// window's lifetime.
#include "device/linux/event_loop.h"

#include <chrono>
#include <memory>

#include <gtest/gtest.h>

namespace k7::test {
namespace {

using Clock = std::chrono::steady_clock;

struct CountingEvents final : WindowEvents {
    void OnTimer() override { ++ticks; }
    void OnDeviceChange(const DeviceChange&) override { ++changes; }
    int ticks = 0;
    int changes = 0;
};

int PumpFor(EventLoopWindowSystem& windows, std::chrono::milliseconds span) {
    int delivered = 0;
    const auto end = Clock::now() + span;
    while (Clock::now() < end) delivered += windows.Pump(5);
    return delivered;
}

TEST(EventLoopWindow, TimerTicksEvery25Milliseconds) {
    EventLoopWindowSystem windows;
    CountingEvents events;
    auto window = windows.CreateHiddenChild(nullptr, events);
    ASSERT_NE(window, nullptr);
    window->StartTimer(1, 25);
    window->RegisterHidNotifications();  // no udev daemon here: must still be harmless
    EXPECT_EQ(PumpFor(windows, std::chrono::milliseconds(500)), events.ticks);
    EXPECT_GE(events.ticks, 16);  // 20 expected; a loaded machine may lose a few
    EXPECT_LE(events.ticks, 21);
    EXPECT_EQ(events.changes, 0);
}

TEST(EventLoopWindow, MissedTicksCollapseIntoOne) {
    EventLoopWindowSystem windows;
    CountingEvents events;
    auto window = windows.CreateHiddenChild(nullptr, events);
    ASSERT_NE(window, nullptr);
    window->StartTimer(1, 25);
    const auto until = Clock::now() + std::chrono::milliseconds(120);
    while (Clock::now() < until) {
    }
    EXPECT_EQ(windows.Pump(0), 1);
    EXPECT_EQ(events.ticks, 1);
    EXPECT_EQ(windows.Pump(0), 0);  // nothing more until the next period
}

TEST(EventLoopWindow, NoTicksBeforeTheTimerStartsOrAfterTheWindowGoes) {
    EventLoopWindowSystem windows;
    CountingEvents events;
    EXPECT_EQ(windows.Pump(0), -1);
    auto window = windows.CreateHiddenChild(nullptr, events);
    ASSERT_NE(window, nullptr);
    const auto before = Clock::now();
    EXPECT_EQ(windows.Pump(60), 0);
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(55));  // waited, quietly

    window->StartTimer(1, 25);
    EXPECT_EQ(windows.Pump(200), 1);
    window.reset();
    EXPECT_EQ(windows.Pump(50), -1);
    EXPECT_EQ(events.ticks, 1);

    // A new window may be created once the old one is gone, but not beside it.
    auto again = windows.CreateHiddenChild(nullptr, events);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(windows.CreateHiddenChild(nullptr, events), nullptr);
}

// K7PumpEvents(-1): a host with nothing else to do waits in the pump until the
// plug-in has something, instead of spinning.
TEST(EventLoopWindow, NegativeTimeOutWaitsForTheNextEvent) {
    EventLoopWindowSystem windows;
    CountingEvents events;
    auto window = windows.CreateHiddenChild(nullptr, events);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windows.Pump(-1), 0);  // nothing started that could ever deliver: no wait for ever
    window->StartTimer(1, 25);
    const auto before = Clock::now();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(windows.Pump(-1), 1);
    // Four ticks at least three periods apart, however late each pump came.
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(70));
    EXPECT_EQ(events.ticks, 4);
}

// The plug-in may stop (and destroy its window) from inside a handler.
TEST(EventLoopWindow, HandlerMayDestroyTheWindow) {
    struct Destroying final : WindowEvents {
        void OnTimer() override { window.reset(); }
        void OnDeviceChange(const DeviceChange&) override { window.reset(); }
        std::unique_ptr<HiddenWindow> window;
    };
    EventLoopWindowSystem windows;
    Destroying events;
    events.window = windows.CreateHiddenChild(nullptr, events);
    ASSERT_NE(events.window, nullptr);
    events.window->RegisterHidNotifications();
    events.window->StartTimer(1, 25);
    EXPECT_EQ(windows.Pump(1000), 1);
    EXPECT_EQ(events.window, nullptr);
    EXPECT_EQ(windows.Pump(0), -1);
}

}  // namespace
}  // namespace k7::test
