// The whole tick on Linux against a pendant that stops taking output reports,
// and against one that floods: the plug-in's window over the hidraw adapter,
// with two FIFOs standing in for the node (one the pendant sends on, one it
// receives on). The tick runs on the host's interface thread, so a write that
// waited for the pendant would freeze the host; a watchdog ends the test
// program if a tick never returns.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "plugin/pendant_window.h"
#include "sim/sim_rig.h"
#include "tests/linux/fifo_device.h"
#include "tests/linux/fifo_pendant.h"

namespace k7::test {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// Ends the test program when the test body does not finish in time.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
                  std::fprintf(stderr, "a tick never returned: the host would be frozen\n");
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

struct TickTimes {
    Clock::duration longest{};
    Clock::duration median{};
    Clock::duration p99{};
};

class StalledPendant : public ::testing::Test, protected sim::SimRig {
  protected:
    StalledPendant() : pendant_(fromPendant_.path(), toPendant_.path()) {
        platform.hid = &pendant_;
    }
    // The plug-in goes before the adapter it uses.
    ~StalledPendant() override { plugin.reset(); }
    void SetUp() override {
        ASSERT_TRUE(toPendant_.OpenReceiver());  // before the adapter opens it for writing
        Start();
        ASSERT_TRUE(plugin->window()->link().connected());
        ASSERT_TRUE(fromPendant_.OpenSender());
        host.SetRecording(false);
    }
    // n ticks, each with a fresh input report (the read completes at once,
    // so what is measured is the rest of the tick, the write included).
    TickTimes Ticks(int n) {
        std::vector<Clock::duration> times;
        for (int i = 0; i < n; ++i) {
            const std::uint8_t report[8] = {0, static_cast<std::uint8_t>(i), 0, 0, 0, 0, 0, 0};
            EXPECT_TRUE(fromPendant_.Send(report, sizeof report));
            const auto before = Clock::now();
            windows.Tick();
            times.push_back(Clock::now() - before);
        }
        std::sort(times.begin(), times.end());
        return TickTimes{times.back(), times[times.size() / 2], times[times.size() * 99 / 100]};
    }

    FifoDevice fromPendant_;
    FifoDevice toPendant_;
    FifoPendant pendant_;
    Watchdog watchdog_{std::chrono::seconds(60)};
};

TEST_F(StalledPendant, TickNeverWaitsForAPendantThatTakesNothing) {
    ASSERT_TRUE(toPendant_.StopTaking());
    const TickTimes stalled = Ticks(400);
    std::printf(
        "tick against a pendant that takes nothing: longest %.3f ms, 99th percentile %.3f ms, "
        "median %.3f ms\n",
        Ms(stalled.longest).count(), Ms(stalled.p99).count(), Ms(stalled.median).count());
    EXPECT_LT(stalled.median, std::chrono::milliseconds(1));
    // Bounded loosely, for a loaded test machine: a blocked write would hold
    // the tick for good (the watchdog), on a real node for the 5 s USB time-out.
    EXPECT_LT(stalled.longest, std::chrono::milliseconds(500));

    // The pendant takes again: the newest output report reaches it.
    toPendant_.CloseFiller();
    const std::vector<std::uint8_t> bytes = toPendant_.Drain(200);
    ASSERT_GE(bytes.size(), 5u);
    const auto& newest = plugin->window()->outputReport();
    EXPECT_TRUE(std::equal(bytes.end() - 5, bytes.end(), newest));
    for (int i = 0; i < 3; ++i) {
        Ticks(1);
        EXPECT_EQ(toPendant_.Drain(200).size(), 5u) << "one report per tick again";
    }
}

TEST_F(StalledPendant, StopEndsTheWriterWithoutWaitingForThePendant) {
    ASSERT_TRUE(toPendant_.StopTaking());
    Ticks(20);
    const auto before = Clock::now();
    plugin->StopPlug();
    const auto stopping = Clock::now() - before;
    std::printf("StopPlug with a stalled pendant: %.3f ms\n", Ms(stopping).count());
    EXPECT_LT(stopping, std::chrono::milliseconds(500));  // the USB time-out is 5 s
    toPendant_.CloseFiller();
    bool ended = false;
    toPendant_.Drain(2000, &ended);
    EXPECT_TRUE(ended) << "a writer thread still holds the pendant";
}

}  // namespace
}  // namespace k7::test

namespace k7::test {
namespace {

// A pendant that reports at 1 kHz, one wheel count per report, as many do at
// their USB rate while the wheel turns, against ticks every 25 ms: every count
// moves, and the motion ends on the tick after the wheel's last report.
TEST_F(StalledPendant, FloodingPendantMovesEveryCountAndStopsWithTheWheel) {
    constexpr int kCounts = 1000;
    constexpr double kIncrement = 0.001;
    host.SetLed(83, true);
    host.SetJogIncrement(kIncrement);
    toPendant_.CloseDeviceEnd();  // output reports are not looked at here
    ASSERT_TRUE(toPendant_.OpenReceiver());
    Ticks(1);  // the wheel's reference: 0
    host.SetRecording(true);
    host.effects().clear();

    std::atomic<long> ticksStarted{0};
    std::atomic<long> lastReportTick{-1};
    std::thread feeder([&] {
        auto next = Clock::now();
        for (int i = 1; i <= kCounts; ++i) {
            std::this_thread::sleep_until(next += std::chrono::milliseconds(1));
            const std::uint8_t report[8] = {0, static_cast<std::uint8_t>(i), 0, 0, 0, 0, 0, 0};
            fromPendant_.Send(report, sizeof report);
        }
        lastReportTick = ticksStarted.load();
    });
    double moved = 0.0;
    long lastMotionTick = -1;
    std::vector<Clock::duration> times;
    auto tickAt = Clock::now();
    for (long t = 1; lastReportTick < 0 || t <= lastReportTick + 10; ++t) {
        std::this_thread::sleep_until(tickAt += std::chrono::milliseconds(kTickPeriodMs));
        ticksStarted = t;
        const auto before = Clock::now();
        windows.Tick();
        times.push_back(Clock::now() - before);
        for (const sim::Effect& effect : host.effects()) {
            if (effect.kind != sim::Effect::Kind::Code || !effect.text.starts_with("G91G1"))
                continue;
            moved += std::stod(effect.text.substr(effect.text.rfind(' ')));
            lastMotionTick = t;
        }
        host.effects().clear();
    }
    feeder.join();
    // While the wheel turns every tick finds reports waiting and never waits;
    // once it rests, a tick waits its 5 ms window for a report.
    const auto turning = std::max_element(times.begin(), times.begin() + lastReportTick);
    const auto longest = std::max_element(times.begin(), times.end());
    std::printf(
        "1 kHz pendant, %d counts: moved %.4f, last motion %ld tick(s) after the last "
        "report; longest tick while turning %.3f ms, at rest %.3f ms\n",
        kCounts, moved, lastMotionTick - lastReportTick, Ms(*turning).count(),
        Ms(*longest).count());
    EXPECT_NEAR(moved, kCounts * kIncrement, 1e-9);  // no count lost
    EXPECT_LE(lastMotionTick - lastReportTick, 1);
    EXPECT_LT(*longest, std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace k7::test
