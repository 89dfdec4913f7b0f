// The trace's commands act on the simulated host, the virtual HID system and the
// plug-in as written.
#include "host/host_abi.h"
#include "plugin/pendant_window.h"
#include "tests/sim/trace_fixture.h"

namespace k7::test {
using namespace sim::trace;
namespace {

TEST_F(TraceRun, HostCommandsSetLedsDrosAndEveryHostField) {
    ASSERT_EQ(Run("led 83 1\n"
                  "dro 800 -0.5\n"
                  "host plannerBusy 7\n"
                  "host distanceMode 1\n"
                  "host rotationDegrees 1e1\n"
                  "host jogIncrement 0.01\n"
                  "host engineInhibit 255\n"
                  "host engineQueue 3 4\n"
                  "host plannerQueue -5 6\n"
                  "host axisVelocity 2 1200\n"
                  "host axisSecondParam Z 9\n"),
              kTracePassed)
        << error;
    using namespace offsets;
    EXPECT_TRUE(session.host.Led(83));
    EXPECT_EQ(session.host.Dro(800), -0.5);
    EXPECT_EQ(ReadField<std::int32_t>(session.host.planner(), kPlannerBusy), 7);
    EXPECT_EQ(ReadField<std::int32_t>(session.host.setup(), kDistanceMode), 1);
    EXPECT_EQ(ReadField<double>(session.host.setup(), kRotationDegrees), 10.0);
    EXPECT_EQ(ReadField<double>(session.host.planner(), kJogIncrement), 0.01);
    EXPECT_EQ(ReadField<std::uint8_t>(session.host.engine(), kEngineInhibit), 255);
    EXPECT_EQ(ReadField<std::int32_t>(session.host.engine(), kEngineQueueIndexes), 3);
    EXPECT_EQ(ReadField<std::int32_t>(session.host.engine(), kEngineQueueIndexes + 4), 4);
    EXPECT_EQ(ReadField<std::int32_t>(session.host.planner(), kPlannerQueueIndexes), -5);
    EXPECT_EQ(ReadField<std::int32_t>(session.host.planner(), kPlannerQueueIndexes + 4), 6);
    EXPECT_EQ(ReadField<std::int32_t>(session.host.planner(), kAxisVelocity + 8), 1200);
    EXPECT_EQ(ReadField<std::int32_t>(session.host.planner(), kAxisSecondParam + 8), 9);
    EXPECT_EQ(session.host.effects().size(), 0u);  // setting host values is no effect
}

TEST_F(TraceRun, StartLoadsThePluginWithTheProfilePathAndTheDefaultPendant) {
    ASSERT_EQ(Run("start"), kTracePassed) << error;
    EXPECT_EQ(session.plugin.state().profileName, session.profilePath.string());
    EXPECT_EQ(session.profilePath.parent_path(), session.dir.path());
    EXPECT_EQ(session.pluginName, "K7 Pendant --Tarnwick Ver 1.0");
    ASSERT_NE(session.plugin.window(), nullptr);
    EXPECT_EQ(session.plugin.window()->link().devicePath(), "sim-pendant-0");
    EXPECT_TRUE(session.windows.timerRunning());
    EXPECT_EQ(session.plugin.state().callbacks.doButton, session.host.Callbacks().doButton);
    EXPECT_EQ(session.plugin.state().blocks.planner, session.host.planner());
}

TEST_F(TraceRun, DevicesAreEnumeratedInTraceOrder) {
    ASSERT_EQ(Run("device other 04d8 0001\n"
                  "device first 04D8 B3C5\n"
                  "device second 04d8 b3c5\n"
                  "start\n"
                  "expect opened first\n"),
              kTracePassed)
        << error;
    EXPECT_FALSE(session.hid.Known("sim-pendant-0"));
}

TEST_F(TraceRun, NoDeviceLeavesTheSystemEmptyUntilAnArrival) {
    ASSERT_EQ(Run("nodevice\n"
                  "start\n"
                  "tick\n"
                  "expect opened none\n"
                  "expect written 0\n"
                  "arrive late-pendant\n"
                  "expect opened late-pendant\n"),
              kTracePassed)
        << error;
    EXPECT_EQ(session.hid.ListInterfaces(), std::vector<std::string>{"late-pendant"});
}

TEST_F(TraceRun, RemoveAndArriveFollowThePathIgnoringCase) {
    ASSERT_EQ(Run("device Pendant-A 04d8 b3c5\n"
                  "start\n"
                  "remove other\n"
                  "expect opened Pendant-A\n"
                  "remove PENDANT-a\n"
                  "expect opened none\n"
                  "arrive pendant-a\n"
                  "expect opened Pendant-A\n"
                  "arrive new-one 1234 5678\n"
                  "expect opened Pendant-A\n"),
              kTracePassed)
        << error;
    EXPECT_TRUE(session.hid.Present("new-one"));
}

TEST_F(TraceRun, UnplugAndPlugUseThePathThePluginOpened) {
    ASSERT_EQ(Run("device spare 04d8 b3c5\n"
                  "device spare-2 04d8 b3c5\n"
                  "start\n"
                  "unplug\n"
                  "expect opened none\n"
                  "tick 2\n"
                  "expect written 0\n"
                  "plug\n"
                  "expect opened spare\n"
                  "tick\n"
                  "expect written 1\n"),
              kTracePassed)
        << error;
    EXPECT_TRUE(session.hid.Present("spare"));
}

TEST_F(TraceRun, PendantReportsStartFromTheCurrentState) {
    ASSERT_EQ(Run("start\n"
                  "pendant wheel=5 speed=2 keys=X,M2\n"
                  "turn -6\n"
                  "report 00 10 20 FF FF aa bb cc\n"
                  "turn 1\n"
                  "pendant keys=none\n"),
              kTracePassed)
        << error;
    const std::vector<std::vector<std::uint8_t>> expected = {
        {0, 5, 2, 0x04, 0x02, 0, 0, 0},
        {0, 255, 2, 0x04, 0x02, 0, 0, 0},
        {0, 0x10, 0x20, 0xff, 0xff, 0xaa, 0xbb, 0xcc},
        {0, 0x11, 0x20, 0x7f, 0x07, 0, 0, 0},  // only the key bits carry over
        {0, 0x11, 0x20, 0, 0, 0, 0, 0},
    };
    for (const auto& report : expected) {
        ASSERT_EQ(Run("tick"), kTracePassed) << error;
        const auto& input = session.plugin.window()->inputReport();
        EXPECT_EQ(std::vector<std::uint8_t>(input, input + 8), report);
    }
}

TEST_F(TraceRun, TurnCountsModulo256WhateverItsSize) {
    ASSERT_EQ(Run("start\nturn 3000000001\nturn -9223372036854775808\nturn 255\ntick 3"),
              kTracePassed)
        << error;
    EXPECT_EQ(session.plugin.window()->inputReport()[1], 0);  // 1, then 1, then 0
    EXPECT_EQ(session.hid.QueuedReports(), 0u);
}

TEST_F(TraceRun, AllKeyNamesMapToTheirBits) {
    ASSERT_EQ(Run("start\npendant keys=Fn,Reset,X,Y,Z,Screen,Start,M1,M2,M3\ntick"), kTracePassed)
        << error;
    EXPECT_EQ(session.plugin.window()->inputReport()[3], 0x7f);
    EXPECT_EQ(session.plugin.window()->inputReport()[4], 0x07);
}

TEST_F(TraceRun, ALateReportIsSeenOneTickLate) {
    ASSERT_EQ(Run("start\nturn 1\nlate turn 3\ntick 2"), kTracePassed) << error;
    EXPECT_EQ(session.plugin.window()->inputReport()[1], 1);  // the late read timed out
    ASSERT_EQ(Run("tick"), kTracePassed) << error;
    EXPECT_EQ(session.plugin.window()->inputReport()[1], 4);
    // Dispatched: the trace may queue again.
    ASSERT_EQ(Run("turn 1\ntick"), kTracePassed) << error;
    EXPECT_EQ(session.plugin.window()->inputReport()[1], 5);
}

TEST_F(TraceRun, ReportsQueuedWhileUnpluggedAreReadAfterThePendantReturns) {
    ASSERT_EQ(Run("start\nunplug\nturn 2\ntick 3\nplug"), kTracePassed) << error;
    EXPECT_EQ(session.hid.QueuedReports(), 1u);
    ASSERT_EQ(Run("tick"), kTracePassed) << error;
    EXPECT_EQ(session.hid.QueuedReports(), 0u);
    EXPECT_EQ(session.plugin.window()->inputReport()[1], 2);
}

TEST_F(TraceRun, EachTickReadsAtMostOneReport) {
    ASSERT_EQ(Run("start\nturn 1\nturn 1\nturn 1\ntick"), kTracePassed) << error;
    EXPECT_EQ(session.hid.QueuedReports(), 2u);
    ASSERT_EQ(Run("tick 0\ntick 5\nexpect written 6"), kTracePassed) << error;
    EXPECT_EQ(session.hid.QueuedReports(), 0u);
}

TEST_F(TraceRun, UpdateCallsThePluginOncePerCountAlsoBeforeStart) {
    const int before = session.plugin.state().counters.reportSequence;
    ASSERT_EQ(Run("update 2\nstart\nupdate\nupdate 3\nupdate 0"), kTracePassed) << error;
    EXPECT_EQ(session.plugin.state().counters.reportSequence, before + 6);
    // Counted before the window existed, the sequence byte shows at the first tick.
    ASSERT_EQ(Run("tick\nexpect out 00 00 00 07 00"), kTracePassed) << error;
}

TEST_F(TraceRun, UnplugFollowsThePendantThePluginOpenedLast) {
    ASSERT_EQ(Run("device a 04d8 b3c5\ndevice b 04d8 b3c5\nstart\nexpect opened a"), kTracePassed)
        << error;
    session.hid.RemoveDevice("a");  // gone without a notice
    ASSERT_TRUE(session.plugin.window()->FindPendant());
    ASSERT_EQ(Run("expect opened b\nunplug\nexpect opened none\nplug\nexpect opened b"),
              kTracePassed)
        << error;
    EXPECT_FALSE(session.hid.Present("a"));
}

TEST_F(TraceRun, NoticesAreDeliveredWhateverThePathsPresence) {
    ASSERT_EQ(Run("start"), kTracePassed) << error;
    const HidHandle before = session.plugin.window()->link().readHandle();
    // An arrival of a path still present is delivered; the open link stays as it is.
    ASSERT_EQ(Run("arrive sim-pendant-0\nexpect opened sim-pendant-0"), kTracePassed) << error;
    EXPECT_EQ(session.plugin.window()->link().readHandle(), before);
    // A removal of a path already gone still closes it.
    session.hid.RemoveDevice("sim-pendant-0");
    ASSERT_EQ(Run("expect opened sim-pendant-0\nremove SIM-Pendant-0\nexpect opened none\nunplug"),
              kTracePassed)
        << error;
}

TEST_F(TraceRun, ArrivalsOfNewPathsJoinTheEndWithThePendantsIdsByDefault) {
    ASSERT_EQ(Run("device a 04d8 0001\ndevice b 1234 5678\nstart\narrive fresh\n"
                  "arrive other 12 abcd\nremove A\narrive a 1111 2222\nremove b\narrive b"),
              kTracePassed)
        << error;
    EXPECT_EQ(session.hid.ListInterfaces(), (std::vector<std::string>{"a", "b", "fresh", "other"}));
    // A known path given ids takes them; without ids it keeps its own.
    const std::pair<std::uint16_t, std::uint16_t> ids[] = {
        {0x1111, 0x2222}, {0x1234, 0x5678}, {0x04d8, 0xb3c5}, {0x0012, 0xabcd}};
    for (std::size_t i = 0; i < 4; ++i) {
        const HidHandle probe = session.hid.OpenProbe(session.hid.ListInterfaces()[i]);
        HidAttributes attributes;
        ASSERT_TRUE(session.hid.GetAttributes(probe, attributes));
        EXPECT_EQ(attributes.vendorId, ids[i].first) << i;
        EXPECT_EQ(attributes.productId, ids[i].second) << i;
        session.hid.Close(probe);
    }
}

TEST_F(TraceRun, StopEndsTheTicksButNotUpdate) {
    ASSERT_EQ(Run("start\ntick\nexpect written 1\nstop\ntick 3\nexpect written 0\n"
                  "expect opened none\nstop"),
              kTracePassed)
        << error;
    EXPECT_EQ(session.plugin.window(), nullptr);
    EXPECT_EQ(session.hid.OpenHandles(), 0);
    const int before = session.plugin.state().counters.reportSequence;
    ASSERT_EQ(Run("update"), kTracePassed) << error;
    EXPECT_EQ(session.plugin.state().counters.reportSequence, before + 1);
}

}  // namespace
}  // namespace k7::test
