// The plug-in's arithmetic does not depend on the x87 unit of the host's
// thread: the same session, with the precision control of the thread that
// calls in set to 53 (Windows' default), 64 and 24 bits, makes the same host calls and leaves the
// same jog records, to the last bit of every DRO value.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host_abi.h"
#include "host/host_string.h"
#include "tests/win32/i686/stand_in_host.h"

namespace {

using namespace k7::test;

// x87 precision control (bits 8 and 9 of the control word).
constexpr std::uint16_t kPrecisionMask = 0x0300;
constexpr std::uint16_t kPrecision24 = 0x0000;
constexpr std::uint16_t kPrecision53 = 0x0200;
constexpr std::uint16_t kPrecision64 = 0x0300;

std::uint16_t ControlWord() {
    std::uint16_t word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

void LoadControlWord(std::uint16_t word) {
    asm volatile("fldcw %0" : : "m"(word));
}

// A processor loads a double onto the x87 stack exactly whatever the precision
// control says: only arithmetic rounds to it. Some emulators round the load
// too, and then even the host's own callback results would change at 24 bits.
bool LoadsAreExactAt24Bits() {
    const std::uint16_t saved = ControlWord();
    LoadControlWord(static_cast<std::uint16_t>((saved & ~kPrecisionMask) | kPrecision24));
    const volatile double in = 37.7;
    double out = 0.0;
    asm volatile("fldl %1\n\tfstpl %0" : "=m"(out) : "m"(in));
    LoadControlWord(saved);
    return out == 37.7;
}

template <typename F>
F EntryOf(const ShippedModule& module, const char* name) {
    return reinterpret_cast<F>(module.Entry(name));
}

struct Session {
    std::vector<std::string> calls;
    std::uint16_t precisionAtEnd = 0;
};

// The whole session on a fresh load of K7.dll, every entry called with the
// thread's precision control set to precision.
Session RunSession(std::uint16_t precision) {
    Session session;
    ShippedModule module(K7_MODULE_PATH);
    if (!module.loaded() || !InstallStandInPendant(module.handle())) return session;
    StandInPendant stand;
    pendant = &stand;
    ScratchProfile profile("fpu", kSessionProfile);
    HostBlocks blocks;
    SetUpSessionHost(blocks);

    const std::uint16_t saved = ControlWord();
    LoadControlWord(static_cast<std::uint16_t>((saved & ~kPrecisionMask) | precision));

    const k7::HostString name = k7::HostStringCreate(profile.path().c_str());
    EntryOf<const char*(K7_CDECL*)(k7::HostString)>(module, "SetProName")(name);
    EntryOf<void(K7_CDECL*)(k7::DoButtonFn)>(module, "SetDoButton")(&HostDoButton);
    EntryOf<void(K7_CDECL*)(k7::SetDroFn)>(module, "SetSetDRO")(&HostSetDro);
    EntryOf<void(K7_CDECL*)(k7::GetDroFn)>(module, "SetGetDRO")(&HostGetDro);
    EntryOf<void(K7_CDECL*)(k7::GetLedFn)>(module, "SetGetLED")(&HostGetLed);
    EntryOf<void(K7_CDECL*)(k7::SetLedFn)>(module, "SetSetLED")(&HostSetLed);
    EntryOf<void(K7_CDECL*)(k7::CodeFn)>(module, "SetCode")(&HostCode);
    EntryOf<bool(K7_CDECL*)(void*, void*, void*, void*)>(module, "InitControl")(
        blocks.engine.data(), blocks.setup.data(), blocks.planner.data(), blocks.view.data());
    const auto voidEntry = [&](const char* entry) {
        return EntryOf<void(K7_CDECL*)()>(module, entry);
    };
    voidEntry("PostInitControl")();

    const HWND window = PendantWindowUnder(blocks.window);
    const auto procedure = window != nullptr
                               ? reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC))
                               : nullptr;
    const auto update = voidEntry("Update");
    if (procedure != nullptr) {
        for (const Step& step : EveryModeSession()) {
            stand.Send(step.report);
            for (int i = 0; i < step.ticks; ++i) procedure(window, WM_TIMER, 1, 0);
            for (int i = 0; i < step.updates; ++i) update();
            hostCalls.push_back(blocks.JogRecords());
            stand.Drain();
        }
    }
    voidEntry("StopPlug")();

    session.precisionAtEnd = ControlWord() & kPrecisionMask;
    LoadControlWord(saved);
    session.calls = hostCalls;
    pendant = nullptr;
    return session;
}

// The first call where two sessions part, or "" when they are the same.
std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] != b[i]) return "call " + std::to_string(i) + ": " + a[i] + " | " + b[i];
    }
    if (a.size() != b.size())
        return "lengths " + std::to_string(a.size()) + " | " + std::to_string(b.size());
    return "";
}

bool Has(const std::vector<std::string>& calls, const std::string& prefix) {
    return std::any_of(calls.begin(), calls.end(),
                       [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
}

TEST(HostFpuPrecision, SessionIsTheSameAt53And64And24BitPrecision) {
    const Session windowsDefault = RunSession(kPrecision53);
    ASSERT_EQ(windowsDefault.precisionAtEnd, kPrecision53);
    // The session reached the modes whose arithmetic the precision would change.
    ASSERT_TRUE(Has(windowsDefault.calls, "Code \"G91G1 F100 X ")) << "step jog";
    ASSERT_TRUE(Has(windowsDefault.calls, "Code \"DOJOG\"")) << "velocity and continuous jogs";
    ASSERT_TRUE(Has(windowsDefault.calls, "SetDRO 3 ")) << "jog rate adjusted";
    ASSERT_TRUE(Has(windowsDefault.calls, "SetDRO 74 ")) << "DRO 74 adjusted";

    const Session extended = RunSession(kPrecision64);
    EXPECT_EQ(extended.precisionAtEnd, kPrecision64) << "the session did not run at 64 bits";
    EXPECT_EQ(FirstDifference(extended.calls, windowsDefault.calls), "");

    if (!LoadsAreExactAt24Bits())
        GTEST_SKIP() << "24-bit run left out: this x87 rounds loads to the precision control, "
                        "which processors never do (an emulator)";
    const Session single = RunSession(kPrecision24);
    EXPECT_EQ(single.precisionAtEnd, kPrecision24) << "the session did not run at 24 bits";
    EXPECT_EQ(FirstDifference(single.calls, windowsDefault.calls), "");
}

}  // namespace
