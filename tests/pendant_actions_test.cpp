// What the keys do to the host: reset, start and stop, the screen key, the
// mode keys and their assigned functions, the axis keys and their second
// functions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/pendant_fixture.h"

namespace k7::test {
namespace {

using test::PendantFixture;
using test::Strings;

// ButtonList positions used below.
constexpr int kNone = 0;
constexpr int kSeparator = 1;
constexpr int kOem1 = 2;
constexpr int kOem2 = 3;
constexpr int kMacro1 = 6;
constexpr int kMacro4 = 9;
constexpr int kZeroX = 55;   // "1008 , Zero X"
constexpr int kVerify = 20;  // "1020,  Verify"

class ResetKey : public PendantFixture {};

TEST_F(ResetKey, HeldResetPressesOnceEvenWhenLedChanges) {
    Tick("Reset");
    simHost.SetLed(800, true);
    Updates(5);
    Tick("Reset");
    simHost.SetLed(800, false);
    Tick("Reset");
    EXPECT_EQ(Effects(), Strings{"button 1021"});
}

class RunKeys : public PendantFixture {};

TEST_F(RunKeys, StartReleasedWhileFnHeldCanActAgainAtOnce) {
    Tick("Fn+Start");
    Tick("Fn");  // no Update in between: the release does not wait
    Tick("Fn+Start");
    EXPECT_EQ(Effects(), (Strings{"button 1000", "button 1000"}));
    Tick("Fn+Screen");
    Tick("Fn");
    Tick("Fn+Screen");
    EXPECT_EQ(Effects(), (Strings{"button 1003", "button 1003", "button 1002"}));
}

TEST_F(RunKeys, FnLetGoFirstReleasesStartOnlyAfterSettle) {
    Tick("Fn+Start");
    Tick("Start");
    Tick("Fn+Start");  // latch still set: not a new press
    Updates(2);
    Tick("Start");
    Tick("Fn+Start");
    EXPECT_EQ(Effects(), (Strings{"button 1000", "button 1000"}));
}

class ScreenKey : public PendantFixture {
  protected:
    ScreenKey() {
        module.settings.ScreenSel[0] = 1;
        module.settings.ScreenSel[1] = 2;
        module.settings.ScreenSel[2] = 3;
    }
    // ScreenKey alone, let go after this many Updates.
    void Press(int updates) {
        Tick("Screen");
        Updates(updates);
        Tick();
    }
};

TEST_F(ScreenKey, ReleaseActsByPressCycles) {
    struct Case {
        int updates;
        Strings effects;
    } cases[] = {
        {2, {"button 323"}}, {3, {}}, {4, {"button 2"}}, {19, {"button 3"}}, {20, {}}, {500, {}},
    };
    for (const Case& c : cases) {
        Press(c.updates);
        EXPECT_EQ(Effects(), c.effects) << c.updates << " updates";
    }
}

TEST_F(ScreenKey, CycleFollowsSlotsAndScreenTable) {
    module.settings.ScreenSel[0] = 4;  // screen 5 (Offsets): button 7
    module.settings.ScreenSel[1] = 5;  // screen 6 (Setting): button 6
    module.settings.ScreenSel[2] = 6;  // screen 7 (Diagnostics): button 5
    for (int i = 0; i < 4; ++i) Press(5);
    EXPECT_EQ(Effects(), (Strings{"button 6", "button 5", "button 7", "button 6"}));
}

TEST_F(ScreenKey, CycleSkipsUnusedSlotsAndStopsWhenNoOtherIsSet) {
    module.settings.ScreenSel[1] = 0;
    for (int i = 0; i < 3; ++i) Press(5);
    EXPECT_EQ(Effects(), (Strings{"button 3", "button 1", "button 3"}));
    module.settings.ScreenSel[0] = 0;
    Press(5);  // from slot 3 neither slot 1 nor slot 2 is used
    EXPECT_EQ(Effects(), Strings{});
    EXPECT_EQ(pendant.screenSlot, 3);
}

TEST_F(ScreenKey, OnlySlotOneSetPressesNothing) {
    module.settings.ScreenSel[1] = 0;
    module.settings.ScreenSel[2] = 0;
    Press(5);
    EXPECT_EQ(Effects(), Strings{});
    EXPECT_EQ(pendant.screenSlot, 1);
}

TEST_F(ScreenKey, SettingOutsideListKeepsSlotCode) {
    Press(5);  // slot 2: button 2, remembered
    Press(5);
    Press(5);
    Effects();
    module.settings.ScreenSel[1] = 7;  // names no screen: slot 2 keeps button 2
    Press(5);
    EXPECT_EQ(Effects(), Strings{"button 2"});
}

TEST_F(ScreenKey, SlotThatNeverNamedAScreenCountsButPressesNothing) {
    module.settings.ScreenSel[1] = -1;
    Press(5);
    EXPECT_EQ(pendant.screenSlot, 2);
    Press(5);
    EXPECT_EQ(Effects(), Strings{"button 3"});
}

TEST_F(ScreenKey, FnAddedWhileHeldStopsThenReleaseStillJudged) {
    Tick("Screen");
    Updates(3);
    Tick("Screen+Fn");
    EXPECT_EQ(Effects(), (Strings{"button 1003", "button 1002"}));
    Updates(2);
    Tick();
    EXPECT_EQ(Effects(), Strings{"button 2"});  // pressCycles 5: the screen cycle
}

class ModeKeys : public PendantFixture {};

TEST_F(ModeKeys, FirstTickAnnouncesNothing) {
    Tick();
    EXPECT_EQ(Effects(), Strings{});
}

class AssignedFunctions : public PendantFixture {
  protected:
    AssignedFunctions() {
        for (int i = 0; i < 4; ++i) {
            module.settings.OEM[i] = static_cast<std::int16_t>(301 + i);
            module.settings.Macro[i] = static_cast<std::int16_t>(200 + i);
        }
    }
    Strings Run(int key, int position) {
        module.settings.BUTTON[key] = static_cast<std::int16_t>(position);
        const std::string name = "Fn+M" + std::to_string(key + 1);
        Tap(name, 2, "Fn");
        Updates(2);
        Tick();
        return Effects();
    }
};

TEST_F(AssignedFunctions, OemButtonsPressTheirSettingWithExactMessages) {
    EXPECT_EQ(Run(0, kOem1), (Strings{"button 301", "message \" OEM Function #1 executed. \""}));
    EXPECT_EQ(Run(1, kOem2), (Strings{"button 302", "message \"OEM Function #2 executed.\""}));
    EXPECT_EQ(Run(2, kOem2 + 1), (Strings{"button 303", "message \"OEM Function #3 executed. \""}));
    EXPECT_EQ(Run(0, kOem2 + 2), (Strings{"button 304", "message \"OEM Function #4 executed.\""}));
    EXPECT_EQ(simHost.Message(), "OEM Function #4 executed.");
}

TEST_F(AssignedFunctions, MacrosRunMLineWithExactMessages) {
    EXPECT_EQ(Run(0, kMacro1),
              (Strings{"code \"M200\"", "message \" Custom Macro #1 executed. \""}));
    module.settings.Macro[3] = -32768;
    EXPECT_EQ(Run(2, kMacro4),
              (Strings{"code \"M-32768\"", "message \" Custom Macro #4 executed. \""}));
    EXPECT_EQ(simHost.Message(), " Custom Macro #4 executed. ");
}

TEST_F(AssignedFunctions, HostButtonEntriesPressTheirNumber) {
    EXPECT_EQ(Run(1, kZeroX), Strings{"button 1008"});
    EXPECT_EQ(Run(2, kVerify), Strings{"button 1020"});
    EXPECT_EQ(Run(0, kNone), Strings{"button 0"});
}

TEST_F(AssignedFunctions, SeparatorAndPositionsOutsideListDoNothing) {
    for (const int position : {kSeparator, 10, -1, 70, 32767, -32768})
        EXPECT_EQ(Run(0, position), Strings{}) << position;
    EXPECT_EQ(simHost.Message(), "");
}

TEST_F(AssignedFunctions, SettingIsReadAtTheRelease) {
    module.settings.BUTTON[0] = kOem1;
    Tick("Fn+M1");
    module.settings.BUTTON[0] = kZeroX;
    Updates(2);
    Tick("Fn");
    EXPECT_EQ(Effects(), Strings{"button 1008"});
}

TEST_F(AssignedFunctions, HeldTooLongIsCancelled) {
    module.settings.BUTTON[0] = kZeroX;
    Tick("Fn+M1");
    Updates(10);
    Tick("Fn");
    EXPECT_EQ(Effects(), Strings{});
}

TEST_F(AssignedFunctions, ModeKeyThenFnAddedChangesModeAndRunsFunction) {
    module.settings.BUTTON[1] = kZeroX;
    Tick("M2");
    Tick("M2+Fn");
    Updates(2);
    Tick("Fn");
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Continuous);
    EXPECT_EQ(Effects(), (Strings{"button 334", "button 1008"}));
}

TEST_F(AssignedFunctions, FnWithModeKeyLeavesWheelModeAlone) {
    Run(0, kZeroX);
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Step);
}

// What the key actions ask and tell the host, in order: every LED read and
// every button press, on a host where pressing 1001 can put LED 804 out.
std::vector<std::string> hostCalls;
bool ledLit[1024] = {};
bool button1001Darkens804 = false;

class HostCallOrder : public ::testing::Test {
  protected:
    HostCallOrder() {
        hostCalls.clear();
        for (bool& lit : ledLit) lit = false;
        button1001Darkens804 = false;
        callbacks.getLed = [](short code) {
            hostCalls.push_back("led " + std::to_string(code));
            return ledLit[code];
        };
        callbacks.doButton = [](short code) {
            hostCalls.push_back("button " + std::to_string(code));
            if (code == 1001 && button1001Darkens804) ledLit[804] = false;
        };
    }
    void Keys(std::string_view keys) {
        pendant.currentReport[0] = std::uint32_t{test::KeyBits(keys, kKeyByte)} << 24;
        pendant.currentReport[1] = test::KeyBits(keys, kModeKeyByte);
    }
    Strings Calls() {
        Strings out = hostCalls;
        hostCalls.clear();
        return out;
    }

    HostCallbacks callbacks;
    HostBlocks blocks;
    Host host{callbacks, blocks};
    ModuleState module;
    PendantState pendant;
    JogState jog;
    TickContext tick{host, module.counters, module.settings, module.logic, pendant, jog, true};
};

TEST_F(HostCallOrder, ResetAsksLed800OnlyWhenKeyAndLatchAllowThePress) {
    Keys("");
    HandleResetKey(tick);
    EXPECT_EQ(Calls(), Strings{});
    Keys("Reset");
    HandleResetKey(tick);
    EXPECT_EQ(Calls(), (Strings{"led 800", "button 1021"}));
    HandleResetKey(tick);  // latched: not asked again
    EXPECT_EQ(Calls(), Strings{});
    module.counters.Update();
    module.counters.Update();
    Keys("Fn+Reset");  // ResetKey alone let go; FnKey + ResetKey refused while 800 is dark
    HandleResetKey(tick);
    EXPECT_EQ(Calls(), Strings{"led 800"});
    ledLit[800] = true;
    HandleResetKey(tick);
    EXPECT_EQ(Calls(), (Strings{"led 800", "button 1021"}));
    Keys("Fn+Start");  // the reset value is FnKey alone: neither reset action asks
    HandleResetKey(tick);
    EXPECT_EQ(Calls(), Strings{});
}

TEST_F(HostCallOrder, CycleStartReads806Then804ThenChecks804Again) {
    const struct {
        bool led806, led804, darkens;
        Strings calls;
    } cases[] = {
        {true, true, false, {"led 806", "button 1000"}},
        {false, true, false, {"led 806", "led 804", "button 1001", "led 804", "button 1000"}},
        {false, true, true, {"led 806", "led 804", "button 1001", "led 804"}},
        {false, false, false, {"led 806", "led 804", "button 1000"}},
    };
    for (const auto& c : cases) {
        ledLit[806] = c.led806;
        ledLit[804] = c.led804;
        button1001Darkens804 = c.darkens;
        module = ModuleState{};
        Keys("Fn+Start");
        HandleRunKeys(tick);
        EXPECT_EQ(Calls(), c.calls) << c.led806 << c.led804 << c.darkens;
        EXPECT_TRUE(module.logic.justStarted);
    }
}

TEST_F(HostCallOrder, OutputReportReadsItsFiveLedsInOrder) {
    std::uint8_t report[kOutputReportSize] = {};
    ledLit[805] = true;
    BuildOutputReport(tick, report);
    EXPECT_EQ(Calls(), (Strings{"led 800", "led 83", "led 804", "led 805", "led 806"}));
    EXPECT_EQ(report[1], 0x08);
}

class AxisKeys : public PendantFixture {};

TEST_F(AxisKeys, SameAxisAgainLeavesBacklogAndHoldAlone) {
    jog.stepBacklog = 5;
    simHost.SetEngineQueue(1, 4);
    KeysOnlyTick("X");
    EXPECT_EQ(jog.stepBacklog, 5);
    EXPECT_FALSE(module.logic.jogHold);
}

TEST_F(AxisKeys, ChangeClearsBacklogAndHoldsWhileHostHasQueuedMoves) {
    jog.stepBacklog = 5;
    simHost.SetEngineQueue(1, 4);
    KeysOnlyTick("Y");
    EXPECT_EQ(pendant.selectedAxis, 1);
    EXPECT_EQ(jog.stepBacklog, 0);
    EXPECT_TRUE(module.logic.jogHold);
    Updates(2);
    Tick("Z+X");  // keys change, the queue does not: still held
    EXPECT_TRUE(module.logic.jogHold);
    simHost.SetEngineQueue(4, 4);
    Tick("Z+X");
    EXPECT_FALSE(module.logic.jogHold);
    EXPECT_EQ(Effects(), Strings{});
}

TEST_F(AxisKeys, ChangeWhileHostIdleNeverHolds) {
    Tap("Z");
    EXPECT_EQ(pendant.selectedAxis, 2);
    EXPECT_FALSE(module.logic.jogHold);
}

TEST_F(AxisKeys, StepSizesFollowTheListTable) {
    module.settings.StepSize[0] = 4;
    module.settings.StepSize[1] = 3;
    module.settings.StepSize[2] = 1;
    for (int i = 0; i < 3; ++i) Tap("Fn+Y", 2, "Fn");
    EXPECT_EQ(Effects(),
              (Strings{"dro 828 0.01", "dro 828 0.0001", "dro 828 0.10000000000000001"}));
}

TEST_F(AxisKeys, StepSizeCycleWithEverySlotNoneWritesNothing) {
    for (std::int16_t& size : module.settings.StepSize) size = 0;
    Tap("Fn+Y", 2, "Fn");
    EXPECT_EQ(Effects(), Strings{});
    EXPECT_EQ(pendant.stepSlot, 1);
    EXPECT_EQ(simHost.Dro(828), 0.0);
}

TEST_F(AxisKeys, StepSizeOutsideListCountsAsSetWithLastSize) {
    module.settings.StepSize[1] = -1;
    Tap("Fn+Y", 2, "Fn");
    module.settings.StepSize[2] = 3;
    Tap("Fn+Y", 2, "Fn");
    module.settings.StepSize[1] = 4;
    Tap("Fn+Y", 2, "Fn");  // slot 1 is 0: on to slot 2, now 0.1
    module.settings.StepSize[1] = 99;
    Tap("Fn+Y", 2, "Fn");
    Tap("Fn+Y", 2, "Fn");  // slot 2 keeps 0.1
    EXPECT_EQ(Effects(), (Strings{"dro 828 0.001", "dro 828 0.01", "dro 828 0.10000000000000001",
                                  "dro 828 0.01", "dro 828 0.10000000000000001"}));
}

}  // namespace
}  // namespace k7::test
