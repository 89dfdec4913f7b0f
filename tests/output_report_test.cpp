// The indicator report: LEDs, axis, wheel mode and sequence, byte by byte, and
// the report the plug-in actually writes to the pendant after a key press.
#include <gtest/gtest.h>

#include <vector>

#include "sim/sim_rig.h"
#include "tests/pendant_fixture.h"

namespace k7::test {
namespace {

using test::PendantFixture;
using Bytes = std::vector<std::uint8_t>;

class OutputReport : public PendantFixture {
  protected:
    Bytes Report() { return Bytes(output, output + kOutputReportSize); }
};

TEST_F(OutputReport, EachLedSetsItsBitsAndRunStatesCombine) {
    const struct {
        std::vector<int> leds;
        std::uint8_t byte1;
    } cases[] = {
        {{800}, 0x01}, {{83}, 0x02},       {{804}, 0x04},          {{805}, 0x08},
        {{806}, 0x0C}, {{804, 805}, 0x0C}, {{800, 83, 806}, 0x0F}, {{4, 801, 807}, 0x00},
    };
    for (const auto& c : cases) {
        sim::SimHost fresh;  // every LED dark
        module.callbacks = fresh.Callbacks();
        for (const int led : c.leds) fresh.SetLed(led, true);
        Host only(module.callbacks, module.blocks);
        TickContext tick{only, module.counters, module.settings, module.logic, pendant, jog, true};
        BuildOutputReport(tick, output);
        EXPECT_EQ(output[1], c.byte1) << "first LED " << c.leds.front();
    }
}

TEST_F(OutputReport, WheelModeIndicatorTable) {
    const struct {
        const char* key;
        std::uint8_t byte2;
    } steps[] = {{"M1", 3}, {"M2", 1}, {"M2", 4}, {"M3", 2}, {"M3", 5}, {"M1", 0}};
    for (const auto& step : steps) {
        Tap(step.key);
        EXPECT_EQ(output[2], step.byte2) << "mode " << module.logic.wheelMode;
    }
}

TEST(OutputReportWritten, PluginWritesIndicatorsOfTheSameTick) {
    sim::SimRig rig;
    rig.AddPendant("p");
    Plugin& plugin = rig.Start();
    sim::SimHost& host = rig.host;
    sim::VirtualHid& hid = rig.hid;
    sim::SimWindowSystem& windows = rig.windows;
    host.SetLed(805, true);
    sim::InputReport report;
    report.bytes[3] = 0x10;  // ZKey
    report.bytes[4] = 0x04;  // ModeKey3
    hid.QueueReport(report);
    plugin.Update();
    ASSERT_TRUE(windows.Tick());
    ASSERT_EQ(hid.writtenCount(), 1u);
    EXPECT_EQ(hid.lastWritten(), (Bytes{0x00, 0x28, 0x02, 0x02, 0x00}));
    windows.Tick();  // no new report: the held keys act no more
    EXPECT_EQ(hid.lastWritten(), (Bytes{0x00, 0x28, 0x02, 0x02, 0x00}));
    EXPECT_EQ(host.effects().size(), 1u);  // button 334 for the mode change, nothing else
}

}  // namespace
}  // namespace k7::test
