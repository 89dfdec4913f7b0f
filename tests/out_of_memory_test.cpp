// Memory running out at every allocation the plug-in makes, one at a time: the
// host string, start-up (the window, the pendant search, the settings), the
// configuration (store and dialog), the first ticks, and a device arrival's
// search (inside a window procedure, where nothing may escape). Each must end sound:
// nothing thrown to the host, nothing half-written to the profile, no handle
// left open, and the plug-in either working or cleanly without a pendant.
#include <gtest/gtest.h>

#include <string>

#include "host/host_string.h"
#include "plugin/pendant_window.h"
#include "plugin/plugin.h"
#include "sim/memory_dialog.h"
#include "sim/sim_host.h"
#include "sim/sim_window.h"
#include "sim/virtual_hid.h"
#include "tests/support/alloc_hook.h"
#include "tests/support/memory_dom.h"
#include "ui/dialog_template.h"

namespace k7::test {
namespace {

constexpr const char* kProfilePath = "Mach3Mill.xml";
const std::string kProfile =
    "<profile><Preferences><Units>1</Units></Preferences><Ravlen_K7_Pendant>"
    "<StepJogRate>0</StepJogRate><Vel>5</Vel></Ravlen_K7_Pendant><Ports>8</Ports></profile>";

int codeLines = 0;
void K7_CDECL CountCode(const char*) {
    ++codeLines;
}

// The host and the system around one plug-in. The host records nothing: its
// own bookkeeping must not be what runs out of memory.
struct World {
    World() {
        host.SetRecording(false);
        host.SetLed(83, true);
        host.SetJogIncrement(0.01);
        hid.AddDevice("pendant", kPendantVendorId, kPendantProductId);
        dom.SetFile(kProfilePath, kProfile);
    }

    // Every entry point the host calls at start-up, a configuration whose
    // dialog sets the feed rate, and two ticks: the wheel's reference, one turn.
    void Session(AllocationFailure& failure) {
        const HostString name = HostStringCreate(kProfilePath);  // the host's own
        const auto call = [&failure](auto&& entry) {
            failure.Resume();
            entry();
            failure.Pause();
        };
        call([&] { plugin.SetProName(name); });
        host.Install(plugin);
        plugin.SetCode(&CountCode);
        call([&] { plugin.InitControl(host.engine(), host.setup(), host.planner(), host.view()); });
        call([&] { plugin.PostInitControl(); });
        call([&] { plugin.Config(); });
        Turn(&failure);
        // Pulled and plugged in again: the arrival's search allocates, inside
        // a window procedure, where nothing may escape.
        hid.RemoveDevice("pendant");
        call([&] { Notice(kDeviceRemoveComplete); });
        hid.ArriveDevice("pendant");
        call([&] { Notice(kDeviceArrival); });
    }
    void Notice(std::uint32_t code) {
        windows.Deliver(DeviceChange{code, kDevTypeDeviceInterface, "pendant"});
    }

    // A report for the wheel's reference, then one with the wheel a count on.
    void Turn(AllocationFailure* failure) {
        Tick(failure);
        Tick(failure);
    }
    // One tick reading a report with the wheel a count on.
    void Tick(AllocationFailure* failure) {
        sim::InputReport report;
        report.bytes[1] = static_cast<std::uint8_t>(++wheel);
        hid.QueueReport(report);
        if (failure != nullptr) failure->Resume();
        windows.Tick();
        if (failure != nullptr) failure->Pause();
        plugin.Update();
    }

    bool PendantWorking() {
        PendantWindow* window = plugin.window();
        return window != nullptr && windows.timerRunning() && window->link().connected() &&
               window->link().readHandle() != kInvalidHandle;
    }

    sim::SimHost host;
    sim::VirtualHid hid;
    sim::SimWindowSystem windows{&hid};
    MemoryDom dom;
    MemoryDialog dialog{[](MemoryDialog& d) {
        d.controls().SetText(kStepJogRateEdit, "250");
        d.PressOk();
    }};
    Platform platform{&hid, &windows, &dom, &dialog, "K7"};
    Plugin plugin{platform};
    int wheel = 0;
};

TEST(OutOfMemory, EveryAllocationOfStartUpConfigAndTicksFailingInTurn) {
    std::size_t total = 0;
    std::string written;
    {
        World clean;
        AllocationFailure none;
        none.Pause();
        clean.Session(none);
        total = none.seen();
        written = clean.dom.File(kProfilePath).value_or("");
    }
    ASSERT_GT(total, 20u);
    ASSERT_NE(written.find("<StepJogRate>250</StepJogRate>"), std::string::npos) << written;

    for (std::size_t n = 0; n < total; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(total));
        World world;
        {
            AllocationFailure failure(n);
            failure.Pause();
            world.Session(failure);
            ASSERT_TRUE(failure.fired());
        }
        // Nothing half-written: the profile is as it was, or as a clean run leaves it.
        const std::string after = world.dom.File(kProfilePath).value_or("(none)");
        EXPECT_TRUE(after == kProfile || after == written) << after;
        EXPECT_EQ(world.dom.stored().size(), 1u) << "a temporary file was left";

        // Still usable: the next configuration saves, the pendant jogs (or the
        // plug-in runs without one, as when none is plugged in).
        world.plugin.Config();
        EXPECT_EQ(world.dom.File(kProfilePath).value_or(""), written);
        codeLines = 0;
        world.Turn(nullptr);
        if (world.PendantWorking())
            EXPECT_GT(codeLines, 0) << "the pendant is open but does not jog";
        else
            EXPECT_EQ(codeLines, 0);

        world.plugin.StopPlug();
        EXPECT_EQ(world.hid.OpenHandles(), 0);
        EXPECT_EQ(world.hid.misuse(), 0);
        EXPECT_FALSE(world.windows.windowAlive());
    }
}

TEST(OutOfMemory, HostStringKeepsItsTextWhenItCannotGrow) {
    if (!SeesCAllocations()) GTEST_SKIP() << "the host string's malloc is not seen in this build";
    HostString s = HostStringCreate("short");
    const std::string longer(200, 'x');
    {
        AllocationFailure failure(0);
        EXPECT_FALSE(HostStringAssign(s, longer.c_str()));
        EXPECT_TRUE(failure.fired());
    }
    EXPECT_STREQ(HostStringText(s), "short");
    {
        AllocationFailure failure(0);
        HostString none = HostStringCreate("text");
        EXPECT_TRUE(failure.fired());
        EXPECT_STREQ(HostStringText(none), "");
        HostStringRelease(none);
    }
    EXPECT_TRUE(HostStringAssign(s, longer.c_str()));
    EXPECT_EQ(HostStringText(s), longer);
    HostStringRelease(s);
}

// The tick's only allocation is the host's message line the first time the
// plug-in sets it: when that fails the line keeps its old text and the tick
// goes on; the next message gets through.
TEST(OutOfMemory, TheTickGoesOnWhenTheHostMessageCannotBeSet) {
    if (!SeesCAllocations()) GTEST_SKIP() << "the host string's malloc is not seen in this build";
    World world;
    world.host.SetLed(83, false);  // jogging off: a turn shows " Jog OFF. "
    AllocationFailure failure;
    failure.Pause();
    world.Session(failure);
    ASSERT_EQ(world.host.Message(), " Jog OFF. ");
    world.Tick(nullptr);  // the wheel's reference after the replug
    HostStringReleaseAt(world.host.planner(), offsets::kHostMessage);

    {
        AllocationFailure failing(0);
        failing.Pause();
        world.Tick(&failing);
        EXPECT_TRUE(failing.fired());
    }
    EXPECT_EQ(world.host.Message(), "");
    world.Tick(nullptr);
    EXPECT_EQ(world.host.Message(), " Jog OFF. ");
    EXPECT_EQ(world.hid.writtenCount(), 5u);  // every tick wrote its report
}

}  // namespace
}  // namespace k7::test
