// A pendant plugged in after the host started, on Linux: the plug-in's window
// on the real event loop (the 25 ms timerfd), the pendant over the hidraw
// adapter on two FIFOs. The arrival notice is handed to the window as the udev
// monitor would (no udev daemon runs here); from then on it is the host's
// pumping and the real timer that bring the pendant's first report in.
#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>

#include "device/linux/event_loop.h"
#include "plugin/pendant_window.h"
#include "sim/sim_rig.h"
#include "tests/linux/fifo_device.h"
#include "tests/linux/fifo_pendant.h"

namespace k7::test {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

TEST(LatePendant, FirstReportIsReadAtTheFirstTickAfterTheArrival) {
    FifoDevice fromPendant;
    FifoDevice toPendant;
    FifoPendant pendant(fromPendant.path(), toPendant.path());
    pendant.present = false;
    EventLoopWindowSystem loop;
    sim::SimRig rig;
    rig.platform.hid = &pendant;
    rig.platform.windows = &loop;
    rig.host.SetLed(83, true);
    Plugin& plugin = rig.Start();
    ASSERT_FALSE(plugin.window()->link().connected());
    for (int i = 0; i < 4; ++i) loop.Pump(100);  // the host runs without a pendant

    ASSERT_TRUE(toPendant.OpenReceiver());
    pendant.present = true;
    const auto arrival = Clock::now();
    plugin.window()->OnDeviceChange(
        DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, "/dev/hidraw0"});
    const auto opened = Clock::now();
    ASSERT_TRUE(plugin.window()->link().connected());
    ASSERT_TRUE(fromPendant.OpenSender());
    const std::uint8_t report[8] = {0, 0x37, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(fromPendant.Send(report, sizeof report));
    while (plugin.window()->inputReport()[1] != 0x37 &&
           Clock::now() - arrival < std::chrono::seconds(2))
        loop.Pump(-1);
    const auto firstReport = Clock::now();
    EXPECT_EQ(plugin.window()->inputReport()[1], 0x37);
    std::printf(
        "late pendant: opened %.3f ms after its arrival, first report read %.3f ms after it\n",
        Ms(opened - arrival).count(), Ms(firstReport - arrival).count());
    // The next tick: a period at most, with room for a loaded machine.
    EXPECT_LT(firstReport - arrival, std::chrono::milliseconds(250));
    EXPECT_TRUE(toPendant.WaitReadable(1000)) << "its indicators are written from then on";
}

}  // namespace
}  // namespace k7::test
