// The key protocol on its own (latch, settle wait, hold counters, releases at
// once) and the cases where the order of the handlers within one report
// decides what happens.
#include "pendant/key_protocol.h"

#include <gtest/gtest.h>

#include "tests/pendant_fixture.h"

namespace k7::test {
namespace {

void Updates(CycleCounters& counters, int n) {
    for (int i = 0; i < n; ++i) counters.Update();
}

TEST(KeyProtocol, HeldKeyActsOnceAndAgainOnlyAfterAcceptedRelease) {
    CycleCounters counters;
    KeyLatch latch = 0;
    const KeyLevels held{true, false};
    const KeyLevels up{false, true};
    int actions = 0;
    for (int tick = 0; tick < 20; ++tick) {
        actions += ActsOnPress(latch, held, counters) ? 1 : 0;
        counters.Update();
    }
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(latch, 1);
    EXPECT_FALSE(ActsOnPress(latch, up, counters));
    EXPECT_EQ(latch, 0);
    EXPECT_TRUE(ActsOnPress(latch, held, counters));
}

TEST(KeyProtocol, ReleaseWaitsForTwoUpdatesAfterAnyAcceptedPress) {
    CycleCounters counters;
    KeyLatch latch = 0;
    ASSERT_TRUE(AcceptPress(latch, true, counters));
    EXPECT_EQ(counters.settleCountdown, kSettleCycles);
    const KeyLevels up{false, true};
    EXPECT_FALSE(AcceptRelease(latch, up, counters));
    counters.Update();
    EXPECT_FALSE(AcceptRelease(latch, up, counters));
    // Another key's press restarts the wait for every latch.
    KeyLatch other = 0;
    ASSERT_TRUE(AcceptPress(other, true, counters));
    counters.Update();
    EXPECT_FALSE(AcceptRelease(latch, up, counters));
    counters.Update();
    EXPECT_TRUE(AcceptRelease(latch, up, counters));
    EXPECT_EQ(latch, 0);
}

TEST(KeyProtocol, BounceWithinSettleWaitIsSeenAsStillHeld) {
    CycleCounters counters;
    KeyLatch latch = 0;
    const KeyLevels held{true, false};
    const KeyLevels up{false, true};
    EXPECT_TRUE(ActsOnPress(latch, held, counters));
    EXPECT_FALSE(ActsOnPress(latch, up, counters));  // bounced open, not yet settled
    counters.Update();
    EXPECT_FALSE(ActsOnPress(latch, held, counters));  // closed again: no second action
    Updates(counters, 5);
    EXPECT_FALSE(ActsOnPress(latch, held, counters));
    EXPECT_EQ(latch, 1);
}

TEST(KeyProtocol, AtOnceReleaseIgnoresSettleWaitButPlainReleaseDoesNot) {
    CycleCounters counters;
    KeyLatch latch = 0;
    ASSERT_TRUE(AcceptPress(latch, true, counters));
    EXPECT_FALSE(AcceptRelease(latch, {.release = true}, counters));
    EXPECT_TRUE(AcceptRelease(latch, {.releaseAtOnce = true}, counters));
    EXPECT_EQ(latch, 0);
    EXPECT_EQ(counters.settleCountdown, kSettleCycles);  // untouched by a release
}

TEST(KeyProtocol, GuardIsAskedOnlyWhenThePressWouldBeAccepted) {
    CycleCounters counters;
    KeyLatch latch = 0;
    int asked = 0;
    auto guard = [&] {
        ++asked;
        return false;
    };
    EXPECT_FALSE(AcceptPress(latch, false, counters, guard));
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(AcceptPress(latch, true, counters, guard));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(latch, 0);
    EXPECT_EQ(counters.settleCountdown, 0);  // a refused press settles nothing
    latch = 1;
    EXPECT_FALSE(AcceptPress(latch, true, counters, guard));
    EXPECT_EQ(asked, 1);
}

TEST(KeyProtocol, ReleaseActionGetsHoldCounterCountedFromItsPress) {
    CycleCounters counters;
    KeyLatch latch = 0;
    const KeyLevels held{true, false};
    const KeyLevels up{false, true};
    EXPECT_FALSE(ActsOnRelease(latch, held, counters, &CycleCounters::pressCycles));
    EXPECT_EQ(counters.pressCycles, 0);
    Updates(counters, 7);
    EXPECT_FALSE(ActsOnRelease(latch, held, counters, &CycleCounters::pressCycles));
    const auto judged = ActsOnRelease(latch, up, counters, &CycleCounters::pressCycles);
    ASSERT_TRUE(judged.has_value());
    EXPECT_EQ(*judged, 7);
    EXPECT_EQ(counters.holdCycles, 100 + 7);  // the other counter was not touched
}

TEST(KeyProtocol, EarliestReleaseIsJudgedWithHoldCounterTwo) {
    CycleCounters counters;
    KeyLatch latch = 0;
    ActsOnRelease(latch, {true, false}, counters, &CycleCounters::holdCycles);
    counters.Update();
    EXPECT_FALSE(ActsOnRelease(latch, {false, true}, counters, &CycleCounters::holdCycles));
    counters.Update();
    const auto judged = ActsOnRelease(latch, {false, true}, counters, &CycleCounters::holdCycles);
    ASSERT_TRUE(judged.has_value());
    EXPECT_EQ(*judged, 2);
}

TEST(KeyProtocol, ShortFnReleaseCountsOnlyBelowTenHoldCycles) {
    for (const int heldUpdates : {2, 9, 10, 40}) {
        CycleCounters counters;
        KeyLatch latch = 0;
        EXPECT_FALSE(ShortFnRelease(latch, {true, false}, counters));
        Updates(counters, heldUpdates);
        EXPECT_EQ(ShortFnRelease(latch, {false, true}, counters), heldUpdates < 10)
            << heldUpdates << " updates";
        EXPECT_EQ(latch, 0);
    }
}

using test::PendantFixture;
using test::Strings;

class KeyOrder : public PendantFixture {};

TEST_F(KeyOrder, TwoModeKeysTogetherAreNoModeKey) {
    Tick("M1+M2");
    Updates(3);
    Tick("M1+M3");
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Step);
    EXPECT_EQ(Effects(), Strings{});
}

TEST_F(KeyOrder, LatchedModeKeyIsReleasedWhileStillHeldWhenASecondJoins) {
    Tick("M1");
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Velocity);
    Tick("M1+M2");  // settle wait still running: the latch holds
    EXPECT_EQ(module.logic.latches.modeAlone[0], 1);
    Updates(2);
    Tick("M1+M2");
    EXPECT_EQ(module.logic.latches.modeAlone[0], 0);
    // Letting M2 go leaves M1 alone: a fresh press of M1.
    Tick("M1");
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Step);
    EXPECT_EQ(Effects(), (Strings{"button 334", "button 334"}));
}

TEST_F(KeyOrder, AxisKeysInOneReportAreTakenXYZSoTheLastWins) {
    Tick("X+Y+Z");
    EXPECT_EQ(pendant.selectedAxis, 2);
    EXPECT_EQ(output[1] & 0xF0, 0x20);
    Updates(2);
    Tick();
    Tick("X+Y");
    EXPECT_EQ(pendant.selectedAxis, 1);
    EXPECT_EQ(module.logic.latches.axisAlone[0], 1);
    EXPECT_EQ(module.logic.latches.axisAlone[1], 1);
    EXPECT_EQ(module.logic.latches.axisAlone[2], 0);
}

TEST_F(KeyOrder, ModePressDefersTheReleaseOfAnotherModeKeyInTheSameReport) {
    Tick("M1");
    Updates(2);
    Tick("M2");  // all mode presses come first: M1's release now waits for the new settle
    EXPECT_EQ(module.logic.latches.modeAlone[0], 1);
    Tick("M1");  // no Update since: M1 still counts as held
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Continuous);
    Updates(2);
    Tick();
    Tick("M1");
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Step);
    EXPECT_EQ(Effects(), (Strings{"button 334", "button 334", "button 334"}));
}

TEST_F(KeyOrder, EachAxisKeyIsReleasedBeforeTheNextOneIsPressed) {
    Tick("X");
    Updates(2);
    Tick("Y");  // X comes before Y: its release is taken before Y restarts the settle wait
    EXPECT_EQ(module.logic.latches.axisAlone[0], 0);
    Tick("X");  // so X pressed again at once counts
    EXPECT_EQ(pendant.selectedAxis, 0);

    Updates(2);
    Tick("Z");
    Updates(2);
    Tick("X");  // X's press comes before Z's release, which now waits
    EXPECT_EQ(module.logic.latches.axisAlone[2], 1);
    Tick("Z");  // no Update since: Z still counts as held
    EXPECT_EQ(pendant.selectedAxis, 0);
}

TEST_F(KeyOrder, ModeChangeAnnouncesTheAxisOfThePreviousReport) {
    Tap("Y");
    Updates(2);
    Tick("Z+M2");  // mode handled before the axis of the same report
    EXPECT_EQ(pendant.selectedAxis, 2);
    EXPECT_EQ(Effects(), Strings{"button 335"});
}

TEST_F(KeyOrder, FnReleasedFirstLeavesLatchAndIsDecidedByALaterFnReport) {
    module.settings.StepSize[0] = 1;
    module.settings.StepSize[1] = 2;
    Tick("Fn+Y");
    Updates(2);
    Tick("Y");  // Fn let go first: the combination stays latched, Y alone now counts
    EXPECT_EQ(module.logic.latches.axisFn[1], 1);
    EXPECT_EQ(pendant.selectedAxis, 1);
    Updates(2);
    Tick();
    Updates(20);
    Tick("Fn");  // decided now, long after the press: cancelled
    EXPECT_EQ(module.logic.latches.axisFn[1], 0);
    EXPECT_EQ(Effects(), Strings{});

    // The same with FnKey back quickly: the step-size cycle runs.
    Tick("Fn+Y");
    Updates(2);
    Tick("Y");
    Updates(2);
    Tick("Fn");
    EXPECT_EQ(Effects(), Strings{"dro 828 0.001"});
}

// The keys alone are let go whatever FnKey does: FnKey coming down while one
// is held neither keeps its latch set nor cancels its action.
TEST_F(KeyOrder, KeysAloneAreReleasedWithFnKeyHeld) {
    module.settings.ScreenSel[0] = 1;
    module.settings.ScreenSel[1] = 2;
    Tick("Screen");
    Updates(5);
    Tick("Fn");
    EXPECT_EQ(module.logic.latches.screenAlone, 0);
    EXPECT_EQ(Effects(), Strings{"button 2"});  // the medium press still cycles the screen

    Tick("M1");
    Updates(2);
    Tick("Fn");
    EXPECT_EQ(module.logic.latches.modeAlone[0], 0);
    Tick("M1");  // a new press: back to Step
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Step);
    EXPECT_EQ(Effects(), (Strings{"button 334", "button 334"}));

    Updates(2);
    Tick("Y");
    Updates(2);
    Tick("Fn");
    EXPECT_EQ(module.logic.latches.axisAlone[1], 0);
    EXPECT_EQ(module.logic.latches.axisFn[1], 0);
    EXPECT_EQ(Effects(), Strings{});
}

TEST_F(KeyOrder, UnchangedReportRepeatedProducesNothing) {
    Tap("X");
    Effects();
    for (int i = 0; i < 10; ++i) {
        Tick("M2+M3");
        Updates(3);
    }
    EXPECT_EQ(Effects(), Strings{});
    EXPECT_EQ(module.logic.wheelMode, WheelMode::Step);
}

}  // namespace
}  // namespace k7::test
