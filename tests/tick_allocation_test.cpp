// The tick runs on the host's interface thread every 25 ms: in steady state it
// must not touch the heap. A scripted pendant drives every key action and the
// wheel through whole report exchanges while operator new is counted.
#include <gtest/gtest.h>

#include <cstring>

#include "device/hid_system.h"
#include "host/host_string.h"
#include "plugin/plugin.h"
#include "protocol/pendant_protocol.h"
#include "sim/sim_host.h"
#include "sim/sim_window.h"
#include "tests/support/alloc_hook.h"

namespace k7::test {
namespace {

// A pendant that sends one report per tick period from a fixed script, round
// and round.
class ScriptedPendant final : public HidSystem, public sim::TickFollower {
  public:
    static constexpr int kReports = 48;
    std::uint8_t script[kReports][8] = {};
    int writes = 0;

    std::vector<std::string> ListInterfaces() override { return {"scripted"}; }
    HidHandle OpenProbe(const std::string&) override { return 1; }
    HidHandle OpenRead(const std::string&) override { return 2; }
    HidHandle OpenWrite(const std::string&) override { return 3; }
    bool GetAttributes(HidHandle, HidAttributes& attributes) override {
        attributes.vendorId = kPendantVendorId;
        attributes.productId = kPendantProductId;
        return true;
    }
    void OnTickPeriod() override { sent_ = true; }
    ReadStart StartRead(HidHandle, std::span<std::uint8_t> buffer) override {
        buffer_ = buffer;
        return Take() ? ReadStart::Completed : ReadStart::Pending;
    }
    ReadWait WaitRead(HidHandle, int) override {
        return Take() ? ReadWait::Completed : ReadWait::TimedOut;
    }
    void CancelRead(HidHandle) override {}
    bool Write(HidHandle, std::span<const std::uint8_t>) override {
        ++writes;
        return true;
    }
    void Close(HidHandle) override {}

  private:
    bool Take() {
        if (!sent_) return false;
        sent_ = false;
        std::memcpy(buffer_.data(), script[next_], 8);
        next_ = (next_ + 1) % kReports;
        return true;
    }
    std::span<std::uint8_t> buffer_;
    bool sent_ = false;
    int next_ = 0;
};

int buttons = 0;
int codes = 0;
int messages = 0;
void K7_CDECL CountButton(short) {
    ++buttons;
}
void K7_CDECL CountCode(const char*) {
    ++codes;
}
void CountMessage(const char*) {
    ++messages;
}

TEST(TickAllocation, SteadyStateTicksAllocateNothing) {
    ScriptedPendant pendant;
    // Pairs of reports: keys held, then let go (FnKey combinations keep FnKey
    // down so that they act); the wheel turns all the while.
    const std::uint8_t pairs[][2][2] = {
        {{0x00, 0x01}, {0x00, 0x00}}, {{0x00, 0x01}, {0x00, 0x00}}, {{0x00, 0x02}, {0x00, 0x00}},
        {{0x00, 0x02}, {0x00, 0x00}}, {{0x00, 0x04}, {0x00, 0x00}}, {{0x00, 0x04}, {0x00, 0x00}},
        {{0x08, 0x00}, {0x00, 0x00}}, {{0x10, 0x00}, {0x00, 0x00}}, {{0x04, 0x00}, {0x00, 0x00}},
        {{0x01, 0x01}, {0x01, 0x00}}, {{0x01, 0x02}, {0x01, 0x00}}, {{0x01, 0x04}, {0x01, 0x00}},
        {{0x09, 0x00}, {0x01, 0x00}}, {{0x05, 0x00}, {0x01, 0x00}}, {{0x11, 0x00}, {0x01, 0x00}},
        {{0x41, 0x00}, {0x01, 0x00}}, {{0x21, 0x00}, {0x01, 0x00}}, {{0x20, 0x00}, {0x00, 0x00}},
        {{0x02, 0x00}, {0x00, 0x00}}, {{0x03, 0x00}, {0x00, 0x00}}, {{0x00, 0x01}, {0x00, 0x00}},
        {{0x00, 0x01}, {0x00, 0x00}}, {{0x00, 0x00}, {0x00, 0x00}}, {{0x00, 0x00}, {0x00, 0x00}},
    };
    static_assert(sizeof pairs / sizeof pairs[0] * 2 == ScriptedPendant::kReports);
    int wheel = 0;
    for (int i = 0; i < ScriptedPendant::kReports; ++i) {
        wheel = (wheel + (i % 5) - 1) & 0xFF;
        pendant.script[i][1] = static_cast<std::uint8_t>(wheel);
        pendant.script[i][2] = static_cast<std::uint8_t>(i * 7);
        pendant.script[i][3] = pairs[i / 2][i % 2][0];
        pendant.script[i][4] = pairs[i / 2][i % 2][1];
    }

    sim::SimHost host;
    host.SetRecording(false);
    host.SetLed(83, true);  // jogging allowed
    host.SetJogIncrement(0.01);
    sim::SimWindowSystem windows{&pendant};
    Platform platform{&pendant, &windows, nullptr, nullptr, "K7"};
    Plugin plugin(platform);
    host.Install(plugin);
    plugin.SetDoButton(&CountButton);
    plugin.SetCode(&CountCode);
    plugin.state().callbacks.messageHook = &CountMessage;
    plugin.InitControl(host.engine(), host.setup(), host.planner(), host.view());
    plugin.PostInitControl();               // loads the settings: change them after it
    plugin.state().settings.BUTTON[0] = 6;  // a custom macro, with its message
    plugin.state().settings.BUTTON[1] = 2;  // an OEM button, with its message
    plugin.state().settings.StepSize[1] = 2;
    plugin.state().settings.ScreenSel[1] = 3;
    plugin.state().settings.StepJogRate = 100;

    auto run = [&](int passes) {
        for (int i = 0; i < passes * ScriptedPendant::kReports; ++i) {
            for (int u = 0; u < 3; ++u) plugin.Update();
            ASSERT_TRUE(windows.Tick());
        }
    };
    run(1);  // first use of the host's message string and the like
    buttons = 0;
    codes = 0;
    messages = 0;
    test::AllocationScope scope;
    run(4);
    EXPECT_EQ(scope.count(), 0u);
    EXPECT_GT(buttons, 20);  // the script really pressed keys
    EXPECT_GT(codes, 4);     // and ran macros and step lines
    EXPECT_EQ(messages, 8);  // a macro and an OEM button in each pass
    EXPECT_EQ(pendant.writes, 5 * ScriptedPendant::kReports);
}

TEST(TickAllocation, CounterSeesAllocations) {
    static int* volatile kept = nullptr;  // keeps the compiler from eliding the pair
    test::AllocationScope scope;
    kept = new int(3);
    delete kept;
    std::string text(100, 'x');
    EXPECT_EQ(scope.count(), 2u);
    // The host string lives in C heap blocks: seen where the build routes malloc here.
    if (!SeesCAllocations()) GTEST_SKIP() << "this build counts operator new only";
    HostString s = HostStringCreate("a message");
    HostStringRelease(s);
    EXPECT_EQ(scope.count(), 3u);
}

}  // namespace
}  // namespace k7::test
