#include "host/cycle_counters.h"

#include <gtest/gtest.h>

namespace k7::test {
namespace {

void Updates(CycleCounters& c, int n) {
    for (int i = 0; i < n; ++i) c.Update();
}

TEST(CycleCounters, StartAtLoadValues) {
    const CycleCounters c;
    EXPECT_EQ(c.pressCycles, 100);
    EXPECT_EQ(c.holdCycles, 100);
    EXPECT_EQ(c.jogCycles, 100);
    EXPECT_EQ(c.reportSequence, 1);
    EXPECT_EQ(c.settleCountdown, 0);
    EXPECT_EQ(c.jogCountdown, 0);
    EXPECT_EQ(c.stepCountdown, 0);
}

TEST(CycleCounters, ResetCounterCountsUpThenWrapsAbove1000To101) {
    CycleCounters c;
    c.pressCycles = 0;
    c.Update();
    EXPECT_EQ(c.pressCycles, 1);
    Updates(c, 19);
    EXPECT_EQ(c.pressCycles, 20);
    Updates(c, 981);
    EXPECT_EQ(c.pressCycles, 1001);
    c.Update();  // above 1000: back to 100, then +1
    EXPECT_EQ(c.pressCycles, 101);
    for (int i = 0; i < 5000; ++i) {
        c.Update();
        ASSERT_GE(c.pressCycles, 101);
        ASSERT_LE(c.pressCycles, 1001);
    }
}

TEST(CycleCounters, UnresetCountersNeverReadBelow101) {
    CycleCounters c;
    for (int i = 0; i < 3000; ++i) {
        c.Update();
        ASSERT_GE(c.holdCycles, 101);
        ASSERT_GE(c.jogCycles, 101);
    }
}

TEST(CycleCounters, ReportSequenceRuns2To255ThenSkips1) {
    CycleCounters c;
    Updates(c, 254);
    EXPECT_EQ(c.reportSequence, 255);
    c.Update();
    EXPECT_EQ(c.reportSequence, 2);
    Updates(c, 253);
    EXPECT_EQ(c.reportSequence, 255);  // a cycle of 254 values, not 255
}

TEST(CycleCounters, CountdownsStopAtZero) {
    CycleCounters c;
    c.settleCountdown = 2;
    c.jogCountdown = 3;
    c.stepCountdown = 3;
    c.Update();
    EXPECT_EQ(c.settleCountdown, 1);
    c.Update();
    EXPECT_EQ(c.settleCountdown, 0);
    Updates(c, 5);
    EXPECT_EQ(c.settleCountdown, 0);
    EXPECT_EQ(c.jogCountdown, 0);
    EXPECT_EQ(c.stepCountdown, 0);
}

}  // namespace
}  // namespace k7::test
