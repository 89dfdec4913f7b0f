// The device link against the virtual HID system: discovery, removal and
// arrival, and the per-tick report exchange.
#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "plugin/pendant_window.h"
#include "sim/sim_rig.h"
#include "tests/support/forwarding_hid.h"

namespace k7::test {
namespace {

constexpr std::uint16_t kVid = kPendantVendorId;
constexpr std::uint16_t kPid = kPendantProductId;

class DeviceLink : public ::testing::Test, protected sim::SimRig {
  protected:
    void Start() { SimRig::Start(); }
    PendantWindow& window() { return *plugin->window(); }
    void QueueReport(std::uint8_t wheel, bool late = false) {
        sim::InputReport r;
        r.bytes[1] = wheel;
        r.late = late;
        hid.QueueReport(r);
    }
    std::string ReadPath() { return hid.PathOf(window().link().readHandle()); }
    std::string WritePath() { return hid.PathOf(window().link().writeHandle()); }
};

TEST_F(DeviceLink, FirstOfTwoPendantsIsUsedAndTheOthersProbeClosed) {
    hid.AddDevice("mouse", 0x046D, 0xC077);
    hid.AddDevice("pendant-a", kVid, kPid);
    hid.AddDevice("pendant-b", kVid, kPid);
    Start();
    EXPECT_TRUE(window().link().connected());
    EXPECT_EQ(window().link().devicePath(), "pendant-a");
    EXPECT_EQ(ReadPath(), "pendant-a");
    EXPECT_EQ(WritePath(), "pendant-a");
    EXPECT_EQ(hid.PathOf(window().link().probeHandle()), "pendant-a");
    EXPECT_EQ(hid.probesOpened(), 2);  // the search stops at the first match
    EXPECT_EQ(hid.OpenHandles(), 3);   // probe, read and write of the match only
    EXPECT_TRUE(windows.notificationsRegistered());
    EXPECT_TRUE(windows.timerRunning());
}

TEST_F(DeviceLink, WrongProductIsSkippedWithItsProbeClosed) {
    hid.AddDevice("other-product", kVid, 0x0001);
    hid.AddDevice("other-vendor", 0x1234, kPid);
    Start();
    EXPECT_FALSE(window().link().connected());
    EXPECT_EQ(hid.probesOpened(), 2);
    EXPECT_EQ(hid.OpenHandles(), 0);
    EXPECT_TRUE(windows.notificationsRegistered());  // a pendant may still arrive
}

// The virtual HID system with interfaces that cannot be opened or whose
// attributes cannot be read, as the system shows for devices held by others.
class UnreadableInterfaces final : public ForwardingHid {
  public:
    UnreadableInterfaces(sim::VirtualHid& hid, std::string noOpen, std::string noAttributes)
        : ForwardingHid(hid),
          hid_(hid),
          noOpen_(std::move(noOpen)),
          noAttributes_(std::move(noAttributes)) {}

    HidHandle OpenProbe(const std::string& path) override {
        return path == noOpen_ ? kInvalidHandle : hid_.OpenProbe(path);
    }
    bool GetAttributes(HidHandle probe, HidAttributes& attributes) override {
        if (hid_.PathOf(probe) == noAttributes_) return false;
        return hid_.GetAttributes(probe, attributes);
    }

  private:
    sim::VirtualHid& hid_;
    std::string noOpen_;
    std::string noAttributes_;
};

TEST_F(DeviceLink, InterfacesThatCannotBeProbedAreSkippedAndTheSearchGoesOn) {
    hid.AddDevice("held-pendant", kVid, kPid);
    hid.AddDevice("mute-pendant", kVid, kPid);
    hid.AddDevice("pendant", kVid, kPid);
    UnreadableInterfaces system(hid, "held-pendant", "mute-pendant");
    platform.hid = &system;
    Start();
    EXPECT_TRUE(window().link().connected());
    EXPECT_EQ(window().link().devicePath(), "pendant");
    EXPECT_EQ(hid.PathOf(window().link().probeHandle()), "pendant");
    EXPECT_EQ(hid.OpenHandles(), 3);  // the unreadable one's probe was closed
    EXPECT_TRUE(windows.notificationsRegistered());
    plugin->StopPlug();
    EXPECT_EQ(hid.OpenHandles(), 0);
    EXPECT_EQ(hid.misuse(), 0);
}

TEST_F(DeviceLink, RepeatedRemovalNoticesCloseNothingTwice) {
    hid.AddDevice("pendant", kVid, kPid);
    Start();
    windows.Tick();  // a read pending when the notice comes
    Remove("pendant");
    windows.Deliver(DeviceChange{kDeviceRemoveComplete, kDevTypeDeviceInterface, "pendant"});
    EXPECT_FALSE(window().link().connected());
    EXPECT_EQ(hid.OpenHandles(), 0);  // the probe handle goes with the pendant
    EXPECT_EQ(hid.misuse(), 0);
    windows.Deliver(DeviceChange{0x0007, 0, nullptr});  // any other notice: nothing
    EXPECT_FALSE(window().link().connected());
    Arrive("pendant");
    EXPECT_EQ(hid.OpenHandles(), 3);
    QueueReport(11);
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 11);
    EXPECT_EQ(hid.misuse(), 0);
}

TEST_F(DeviceLink, NoDevicesStillStartsTheTimerAndTicksDoNothing) {
    Start();
    EXPECT_FALSE(window().link().connected());
    EXPECT_TRUE(windows.timerRunning());
    EXPECT_TRUE(windows.Tick());
    EXPECT_TRUE(hid.writtenCount() == 0);
}

TEST_F(DeviceLink, PendantPluggedInAfterStartUpIsFoundAtItsArrival) {
    hid.AddDevice("keyboard", 0x04F2, 0x0112);
    Start();
    windows.Tick();
    EXPECT_FALSE(window().link().connected());
    Arrive("mouse", 0x046D, 0xC077);  // another device first: nothing opened
    EXPECT_FALSE(window().link().connected());
    EXPECT_EQ(hid.OpenHandles(), 0);
    Arrive("late-pendant");
    EXPECT_TRUE(window().link().connected());
    EXPECT_EQ(ReadPath(), "late-pendant");
    EXPECT_EQ(WritePath(), "late-pendant");
    QueueReport(5);
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 5);
    EXPECT_EQ(hid.writtenCount(), 1u);
}

TEST_F(DeviceLink, RemovalOfAnotherDeviceKeepsTheLink) {
    hid.AddDevice("pendant", kVid, kPid);
    hid.AddDevice("mouse", 0x046D, 0xC077);
    Start();
    Remove("mouse");
    EXPECT_TRUE(window().link().connected());
    EXPECT_EQ(ReadPath(), "pendant");
    // A removal record that is not a device interface is not looked at either.
    window().OnDeviceChange(DeviceChange{kDeviceRemoveComplete, 2, "pendant"});
    EXPECT_TRUE(window().link().connected());
}

TEST_F(DeviceLink, RemovalInOtherLetterCaseClosesBothHandles) {
    hid.AddDevice("\\\\?\\hid#vid_04d8&pid_b3c5#7&1a2b", kVid, kPid);
    Start();
    Remove("\\\\?\\HID#VID_04D8&PID_B3C5#7&1A2B");
    EXPECT_FALSE(window().link().connected());
    EXPECT_EQ(window().link().readHandle(), kInvalidHandle);
    EXPECT_EQ(window().link().writeHandle(), kInvalidHandle);
    EXPECT_EQ(hid.OpenHandles(), 0);
}

TEST_F(DeviceLink, UnplugThenPlugFindsItAgainAndTicksResume) {
    hid.AddDevice("pendant", kVid, kPid);
    Start();
    windows.Tick();
    ASSERT_EQ(hid.writtenCount(), 1u);
    Remove("pendant");
    QueueReport(7);  // read only once the pendant is back
    windows.Tick();
    EXPECT_EQ(hid.writtenCount(), 1u);
    EXPECT_EQ(hid.QueuedReports(), 1u);
    Arrive("pendant");
    EXPECT_TRUE(window().link().connected());
    EXPECT_EQ(ReadPath(), "pendant");
    EXPECT_EQ(WritePath(), "pendant");
    windows.Tick();
    EXPECT_EQ(hid.writtenCount(), 2u);
    EXPECT_EQ(window().inputReport()[1], 7);
    EXPECT_EQ(hid.misuse(), 0);
}

TEST_F(DeviceLink, ArrivalWhileConnectedLeavesTheLinkAlone) {
    hid.AddDevice("pendant", kVid, kPid);
    Start();
    const HidHandle read = window().link().readHandle();
    const HidHandle write = window().link().writeHandle();
    windows.Tick();  // leaves a read pending: no report queued
    ASSERT_TRUE(window().link().readPending());
    Arrive("second-pendant");
    Arrive("pendant");  // a notice for the open path itself
    EXPECT_EQ(window().link().readHandle(), read);
    EXPECT_EQ(window().link().writeHandle(), write);
    EXPECT_TRUE(hid.ReadOutstanding());  // the read in flight was not disturbed
    EXPECT_EQ(hid.OpenHandles(), 3);
    QueueReport(8);
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 8);
    EXPECT_EQ(hid.misuse(), 0);
}

// The kernel hands a freed node to the next HID device plugged in.
TEST_F(DeviceLink, AnotherDeviceAtThePendantsFreedPathIsNeverOpened) {
    hid.AddDevice("/dev/hidraw0", kVid, kPid);
    Start();
    Remove("/dev/hidraw0");
    Arrive("/dev/hidraw0", 0x046D, 0xC077);
    EXPECT_FALSE(window().link().connected());
    EXPECT_EQ(window().link().readHandle(), kInvalidHandle);
    EXPECT_EQ(window().link().writeHandle(), kInvalidHandle);
    EXPECT_EQ(hid.OpenHandles(), 0);  // its probe was closed again
    windows.Tick();
    EXPECT_EQ(hid.writtenCount(), 0u);

    // The pendant comes back under another node and is used there.
    Arrive("/dev/hidraw1");
    EXPECT_TRUE(window().link().connected());
    EXPECT_EQ(ReadPath(), "/dev/hidraw1");
    EXPECT_EQ(WritePath(), "/dev/hidraw1");
    EXPECT_EQ(hid.PathOf(window().link().probeHandle()), "/dev/hidraw1");
    // Its removal is recognised by its new path; the old one means nothing now.
    Remove("/dev/hidraw0");
    EXPECT_TRUE(window().link().connected());
    Remove("/dev/hidraw1");
    EXPECT_FALSE(window().link().connected());
    EXPECT_EQ(hid.misuse(), 0);
}

// The wheel counter may stand anywhere when the pendant is opened (at start-up,
// and after a replug that restarted it): the first report read measures nothing.
TEST_F(DeviceLink, FirstReportReadAfterEachOpenIsTheWheelsReference) {
    hid.AddDevice("pendant", kVid, kPid);
    host.SetLed(83, true);
    host.SetJogIncrement(0.5);
    Start();
    const auto codes = [this] {
        std::vector<std::string> out;
        for (const sim::Effect& e : host.effects()) out.push_back(e.Describe());
        host.effects().clear();
        return out;
    };
    windows.Tick();                    // no report yet: the initial one, all zero, again
    SimRig::QueueReport(40, 0, 0x02);  // counter at 40, Reset held
    windows.Tick();
    EXPECT_EQ(codes(), std::vector<std::string>{"button 1021"}) << "keys act as usual";
    SimRig::QueueReport(42);
    windows.Tick();
    EXPECT_EQ(codes(), (std::vector<std::string>{"dro 821 100", "code \"G91G1 F100 X 1.0000\"",
                                                 "code \"G90\""}));
    Remove("pendant");
    codes();
    Arrive("pendant");
    windows.Tick();  // nothing read yet: the last report again, no counts
    QueueReport(250, /*late=*/true);
    windows.Tick();
    windows.Tick();  // the late report is the first one read
    EXPECT_EQ(window().inputReport()[1], 250);
    EXPECT_TRUE(codes().empty());
    SimRig::QueueReport(249);
    windows.Tick();
    EXPECT_EQ(codes(), (std::vector<std::string>{"dro 821 100", "code \"G91G1 F100 X -0.5000\"",
                                                 "code \"G90\""}));
}

TEST_F(DeviceLink, NoReportWithinTheWaitReusesThePreviousOne) {
    hid.AddDevice("pendant", kVid, kPid);
    Start();
    QueueReport(42);
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 42);
    windows.Tick();
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 42);
    EXPECT_TRUE(window().link().readPending());  // one read, carried over from tick to tick
    QueueReport(43);
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 43);
    EXPECT_EQ(hid.misuse(), 0);
}

TEST_F(DeviceLink, LateReportIsUsedAtTheNextTick) {
    hid.AddDevice("pendant", kVid, kPid);
    Start();
    QueueReport(5);
    windows.Tick();
    QueueReport(9, /*late=*/true);
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 5);
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 9);
    EXPECT_EQ(hid.QueuedReports(), 0u);
}

TEST_F(DeviceLink, NothingIsWrittenWhileTheWriteHandleIsInvalid) {
    hid.AddDevice("pendant", kVid, kPid);
    hid.FailWriteOpens(true);
    Start();
    EXPECT_TRUE(window().link().connected());
    EXPECT_EQ(window().link().writeHandle(), kInvalidHandle);
    QueueReport(3);
    windows.Tick();
    EXPECT_EQ(window().inputReport()[1], 3);  // the logic still runs
    EXPECT_TRUE(hid.writtenCount() == 0);
}

// Another program holds the pendant: without a read handle the link is not
// connected and holds nothing, so the next arrival searches again; a second
// pendant that can be read is taken meanwhile.
TEST_F(DeviceLink, PendantThatCannotBeReadIsLeftClosedAndSearchedForAgain) {
    hid.AddDevice("held", kVid, kPid);
    hid.FailReadOpens(true);
    Start();
    EXPECT_FALSE(window().link().connected());
    EXPECT_EQ(hid.OpenHandles(), 0);
    EXPECT_TRUE(windows.Tick());
    EXPECT_EQ(hid.writtenCount(), 0u);
    Arrive("mouse", 0x046D, 0xC077);  // still held: nothing
    EXPECT_FALSE(window().link().connected());
    hid.FailReadOpens(false);  // the other program lets go; any arrival searches
    Arrive("mouse");
    EXPECT_TRUE(window().link().connected());
    EXPECT_EQ(ReadPath(), "held");
    EXPECT_EQ(hid.OpenHandles(), 3);
}

TEST_F(DeviceLink, HostIdleProbeFollowsTheDistanceMode) {
    hid.AddDevice("pendant", kVid, kPid);
    Start();
    EXPECT_TRUE(window().hostWasAbsolute());
    host.SetDistanceMode(1);
    windows.Tick();
    EXPECT_FALSE(window().hostWasAbsolute());
    host.SetDistanceMode(0);
    host.SetPlannerBusy(1);  // busy: the flag keeps its value
    windows.Tick();
    EXPECT_FALSE(window().hostWasAbsolute());
    host.SetPlannerBusy(0);
    host.SetEngineQueue(3, 4);
    windows.Tick();
    EXPECT_FALSE(window().hostWasAbsolute());
    host.SetEngineQueue(4, 4);
    host.SetPlannerQueue(1, 2);
    windows.Tick();
    EXPECT_FALSE(window().hostWasAbsolute());
    host.SetPlannerQueue(2, 2);
    windows.Tick();
    EXPECT_TRUE(window().hostWasAbsolute());
}

TEST_F(DeviceLink, TeardownWithAReadPendingSettlesItAndClosesEachHandleOnce) {
    hid.AddDevice("pendant", kVid, kPid);
    Start();
    windows.Tick();
    ASSERT_TRUE(hid.ReadOutstanding());
    plugin->StopPlug();
    plugin->StopPlug();
    EXPECT_FALSE(hid.ReadOutstanding());
    EXPECT_EQ(hid.OpenHandles(), 0);
    EXPECT_EQ(hid.misuse(), 0);
    EXPECT_FALSE(windows.windowAlive());
    EXPECT_FALSE(windows.Tick());
    plugin.reset();
    // A system completing the read now would write into freed memory; the
    // sanitizer build turns that into a failure.
    hid.CompleteOutstandingRead();
}

TEST_F(DeviceLink, StopPlugBeforeInitControlAndUpdateBeforeItAreHarmless) {
    plugin = std::make_unique<Plugin>(platform);
    plugin->StopPlug();
    plugin->Update();
    plugin->Update();
    EXPECT_EQ(plugin->state().counters.reportSequence, 3);
    EXPECT_EQ(plugin->window(), nullptr);
    EXPECT_EQ(windows.windowsCreated(), 0);
}

TEST_F(DeviceLink, WindowIsAChildOfTheHostView) {
    hid.AddDevice("pendant", kVid, kPid);
    Start();
    EXPECT_EQ(windows.parentView(), host.view());
    EXPECT_EQ(windows.windowsCreated(), 1);
}

TEST_F(DeviceLink, FailedWindowCreationLeavesNoTicksButNoFault) {
    hid.AddDevice("pendant", kVid, kPid);
    windows.FailCreation(true);
    Start();
    Plugin second(platform);  // the host is told all is well all the same
    EXPECT_TRUE(second.InitControl(host.engine(), host.setup(), host.planner(), host.view()));
    EXPECT_TRUE(window().link().connected());
    EXPECT_FALSE(windows.Tick());
    plugin->StopPlug();
    EXPECT_EQ(hid.OpenHandles(), 0);
}

}  // namespace
}  // namespace k7::test
