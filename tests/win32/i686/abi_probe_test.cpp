// The shipped K7.dll's calling conventions, read off the stack pointer: the
// host's entry points are cdecl (the host removes the arguments it pushed),
// the COM entries stdcall (they remove their own), the window procedure that
// runs the tick is stdcall, and the host's callbacks are cdecl, so a tick that
// calls them must leave the host's stack where it was.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "host/host_abi.h"
#include "host/host_string.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/i686/probe_call.h"
#include "tests/win32/i686/stand_in_host.h"

namespace {

using namespace k7::test;

// Arguments a host may pass to entries that take none: cdecl must leave them.
constexpr std::uint32_t kStray1 = 0x11111111;
constexpr std::uint32_t kStray2 = 0x22222222;

void ExpectCdecl(const char* name, const ProbeResult& r) {
    EXPECT_EQ(r.popped(), 0) << name << " removed arguments the host pushed";
    EXPECT_TRUE(r.preserved()) << name << " changed ebx, esi or edi";
}

class AbiProbe : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(module_.loaded()) << "LoadLibrary error " << GetLastError();
        ASSERT_TRUE(InstallStandInPendant(module_.handle()));
        pendant = &pendant_;
        SetUpSessionHost(blocks_);
    }
    void TearDown() override { pendant = nullptr; }

    const void* Entry(const char* name) {
        const void* entry = module_.Entry(name);
        EXPECT_NE(entry, nullptr) << name;
        return entry;
    }

    // SetProName to PostInitControl, each call through the stub.
    void StartPlugin() {
        const k7::HostString name = k7::HostStringCreate(profile_.path().c_str());
        const ProbeResult named = ProbeCall(Entry("SetProName"), {Arg(name.text)});
        ExpectCdecl("SetProName", named);
        EXPECT_STREQ(reinterpret_cast<const char*>(named.eax), "K7 Pendant --Tarnwick Ver 1.0");

        const std::pair<const char*, const void*> setters[] = {
            {"SetDoButton", reinterpret_cast<const void*>(&HostDoButton)},
            {"SetSetDRO", reinterpret_cast<const void*>(&HostSetDro)},
            {"SetGetDRO", reinterpret_cast<const void*>(&HostGetDro)},
            {"SetGetLED", reinterpret_cast<const void*>(&HostGetLed)},
            {"SetSetLED", reinterpret_cast<const void*>(&HostSetLed)},
            {"SetCode", reinterpret_cast<const void*>(&HostCode)},
        };
        for (const auto& [setter, callback] : setters)
            ExpectCdecl(setter, ProbeCall(Entry(setter), {Arg(callback)}));

        const ProbeResult init = ProbeCall(Entry("InitControl"),
                                           {Arg(blocks_.engine.data()), Arg(blocks_.setup.data()),
                                            Arg(blocks_.planner.data()), Arg(blocks_.view.data())});
        ExpectCdecl("InitControl", init);
        EXPECT_EQ(init.eax & 0xff, 1u) << "InitControl answers true in al";

        ExpectCdecl("PostInitControl", ProbeCall(Entry("PostInitControl"), {kStray1, kStray2}));
        EXPECT_EQ(pendant_.opens, 3) << "probe, read and write handles on the stand-in's path";
        EXPECT_TRUE(pendant_.faults.empty()) << pendant_.faults.front();
    }

    ShippedModule module_{K7_MODULE_PATH};
    StandInPendant pendant_;
    HostBlocks blocks_;
    ScratchProfile profile_{"abi", kSessionProfile};
};

TEST_F(AbiProbe, EveryHostEntryLeavesItsArgumentsToTheHost) {
    ASSERT_NE(blocks_.window, nullptr) << "no window without a display";
    StartPlugin();
    for (int i = 0; i < 5; ++i)
        ExpectCdecl("Update", ProbeCall(Entry("Update"), {kStray1, kStray2}));
    {
        DialogDriver escape({[] {
            const HWND dialog = DialogDriver::SettingsWindow();
            if (dialog != nullptr) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return dialog != nullptr;
        }});
        ExpectCdecl("Config", ProbeCall(Entry("Config"), {kStray1, kStray2}));
        EXPECT_TRUE(escape.finished());
    }
    for (const char* idle : {"Reset", "JogOn", "JogOff", "Purge", "Probe", "Home", "DoDwell"})
        ExpectCdecl(idle, ProbeCall(Entry(idle), {kStray1, kStray2}));
    ExpectCdecl("StopPlug", ProbeCall(Entry("StopPlug"), {kStray1, kStray2}));
    EXPECT_EQ(PendantWindowUnder(blocks_.window), nullptr);
    ExpectCdecl("StopPlug", ProbeCall(Entry("StopPlug"), {kStray1, kStray2}));
}

TEST_F(AbiProbe, ComEntriesRemoveTheirOwnArguments) {
    const GUID classId = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    const GUID unknownId = {0, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
    void* object = &object;
    const ProbeResult got =
        ProbeCall(Entry("DllGetClassObject"), {Arg(&classId), Arg(&unknownId), Arg(&object)});
    EXPECT_EQ(got.popped(), 12) << "stdcall with three pointer arguments";
    EXPECT_TRUE(got.preserved());
    EXPECT_EQ(static_cast<HRESULT>(got.eax), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    for (const char* name : {"DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"}) {
        const ProbeResult r = ProbeCall(Entry(name), {});
        EXPECT_EQ(r.popped(), 0) << name;
        EXPECT_TRUE(r.preserved()) << name;
        EXPECT_EQ(r.eax, 0u) << name << " answers S_OK";
    }
}

TEST_F(AbiProbe, TicksThatCallTheHostLeaveTheHostStackIntact) {
    ASSERT_NE(blocks_.window, nullptr) << "no window without a display";
    StartPlugin();
    const HWND window = PendantWindowUnder(blocks_.window);
    ASSERT_NE(window, nullptr);
    const auto procedure = reinterpret_cast<const void*>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    ASSERT_NE(procedure, nullptr);

    int tick = 0;
    for (const Step& step : EveryModeSession()) {
        ASSERT_TRUE(pendant_.Send(step.report));
        for (int i = 0; i < step.ticks; ++i, ++tick) {
            const ProbeResult r = ProbeCall(procedure, {Arg(window), WM_TIMER, 1, 0});
            ASSERT_EQ(r.popped(), 16) << "tick " << tick << ": the host's stack moved";
            ASSERT_TRUE(r.preserved()) << "tick " << tick;
        }
        for (int i = 0; i < step.updates; ++i)
            ExpectCdecl("Update", ProbeCall(Entry("Update"), {}));
        pendant_.Drain();
    }
    ExpectCdecl("StopPlug", ProbeCall(Entry("StopPlug"), {}));

    for (const char* callback : {"DoButton ", "SetDRO ", "GetDRO ", "GetLED ", "Code "}) {
        EXPECT_TRUE(
            std::any_of(hostCalls.begin(), hostCalls.end(),
                        [&](const std::string& call) { return call.rfind(callback, 0) == 0; }))
            << callback << "was never called";
    }
}

}  // namespace
