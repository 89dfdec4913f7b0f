#include "tests/jog_fixture.h"

namespace k7::test {
namespace {

using Strings = std::vector<std::string>;

class EngineJogTest : public JogFixture {
  protected:
    EngineJogTest() {
        simHost.SetAxisVelocity(0, 100);
        simHost.SetAxisSecondParam(0, 7);
        simHost.SetAxisVelocity(1, 120);
        simHost.SetAxisSecondParam(1, 9);
    }
    JogRecord Record(int axis = 0) { return simHost.Jog(axis); }
    // Weighted mean of speed bytes that fill the newest history entries.
    static double Weighted(std::vector<double> newestLast) {
        const double weights[10] = {0.18, 0.36, 0.55, 0.73, 0.91, 1.09, 1.27, 1.45, 1.64, 1.82};
        double sum = 0.0;
        const std::size_t n = newestLast.size();
        for (std::size_t i = 0; i < n; ++i) sum += newestLast[i] * weights[10 - n + i];
        return sum;
    }
};

using VelocityJogTest = EngineJogTest;

TEST_F(VelocityJogTest, FirstPassFillsTheRecordBeforeDojog) {
    module.logic.wheelMode = WheelMode::Velocity;
    JogRecord atDojog;
    simHost.user = &atDojog;
    simHost.onCode = [](sim::SimHost& h, const char* line) {
        if (std::string(line) == "DOJOG") *static_cast<JogRecord*>(h.user) = h.Jog(0);
    };
    Turn(2, 40);
    EXPECT_EQ(Effects(), Strings{"code \"DOJOG\""});
    EXPECT_EQ(atDojog.velocity, 18);  // w = 72.8, f = 0.182
    EXPECT_EQ(atDojog.maxVelocity, 100);
    EXPECT_EQ(atDojog.secondParam, 7);
    EXPECT_EQ(atDojog.direction, 0);
    EXPECT_EQ(atDojog.stop, 0);
    EXPECT_EQ(atDojog.start, 1);
    EXPECT_EQ(Record(1).start, 0) << "only the selected axis's record";
}

TEST_F(VelocityJogTest, SpeedFollowsTheWeightedHistory) {
    module.logic.wheelMode = WheelMode::Velocity;
    simHost.SetAxisVelocity(0, 1000);
    module.settings.Vel = 4;  // divisor 7
    const int speeds[] = {40, 80, 20};
    std::vector<double> seen;
    for (int speed : speeds) {
        Turn(1, speed);
        seen.push_back(speed);
        const double f = std::min(1.0, Weighted(seen) / 400.0 * 3.0 / 7);
        EXPECT_EQ(Record().velocity, static_cast<int>(1000 * f)) << speed;
    }
}

TEST_F(VelocityJogTest, CapAndDivisors) {
    module.logic.wheelMode = WheelMode::Velocity;
    for (int i = 0; i < 10; ++i) Turn(1, 80);
    EXPECT_EQ(Record().velocity, 100) << "Vel 0: f capped at 1.0";

    module.settings.Vel = 9;  // divisor 25
    for (int i = 0; i < 10; ++i) Turn(1, 255);
    EXPECT_EQ(Record().velocity, 76) << "f = 0.765";

    // Out of the list: limited to its ends, never used as an index.
    module.settings.Vel = 42;
    Turn(1, 255);
    EXPECT_EQ(Record().velocity, 76);
    module.settings.Vel = -1;
    Turn(1, 255);
    EXPECT_EQ(Record().velocity, 100);
}

TEST_F(VelocityJogTest, ReversalStopsOnceThenSettles) {
    module.logic.wheelMode = WheelMode::Velocity;
    Turn(3, 60);
    Turn(3, 60);
    Effects();
    Turn(-2, 60);
    EXPECT_EQ(Effects(), Strings{"code \"ENDJOG\""});
    EXPECT_EQ(Record().stop, 1);
    EXPECT_EQ(module.counters.jogCycles, 0);
    for (double h : jog.speedHistory) EXPECT_EQ(h, 0.0);
    Turn(-2, 60);
    Updates(2);
    Turn(-2, 60);
    EXPECT_TRUE(Effects().empty()) << "settling: ignored until three Updates";
    Updates(1);
    Turn(-2, 60);
    EXPECT_EQ(Effects(), Strings{"code \"DOJOG\""});
    EXPECT_EQ(Record().direction, 1);
    // With the history cleared the speed starts low again.
    EXPECT_EQ(Record().velocity, static_cast<int>(100 * Weighted({60}) / 400.0));
}

TEST_F(VelocityJogTest, ReversalAfterTheWindowClosedIsAPlainStart) {
    module.logic.wheelMode = WheelMode::Velocity;
    Turn(3, 60);
    Rest(0);
    Updates(3);
    Rest(0);  // window out
    Effects();
    Turn(-3, 60);
    EXPECT_EQ(Effects(), Strings{"code \"DOJOG\""});
    EXPECT_EQ(Record().direction, 1);
}

TEST_F(VelocityJogTest, RestingWheelStopsWithinTwoTicks) {
    module.logic.wheelMode = WheelMode::Velocity;
    Turn(2, 50);
    Rest(50);  // the ring still holds the last counts
    EXPECT_EQ(Codes(), (Strings{"DOJOG", "DOJOG"}));
    Rest(50);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(Record().stop, 1);
}

TEST_F(VelocityJogTest, SpeedByteZeroStops) {
    module.logic.wheelMode = WheelMode::Velocity;
    Turn(2, 50);
    Turn(1, 0);
    EXPECT_EQ(Codes(), (Strings{"DOJOG", "ENDJOG"}));
}

TEST_F(VelocityJogTest, BracketOpensOnceAndClosesWithTheWindow) {
    module.logic.wheelMode = WheelMode::Velocity;
    simHost.SetLed(15, true);
    Turn(2, 50);
    Turn(2, 50);
    EXPECT_EQ(Effects(), (Strings{"button 204", "code \"DOJOG\"", "code \"DOJOG\""}));
    Turn(1, 0);
    EXPECT_EQ(Effects(), Strings{"code \"ENDJOG\""}) << "ENDJOG does not close the bracket";
    Updates(2);
    Rest(0);
    EXPECT_EQ(Effects(), Strings{"code \"ENDJOG\""});
    Updates(1);
    Rest(0);
    EXPECT_EQ(Effects(), Strings{"button 205"});
    for (double h : jog.speedHistory) EXPECT_EQ(h, 0.0);
    Rest(0);
    EXPECT_TRUE(Effects().empty());
}

TEST_F(VelocityJogTest, InhibitClosesTheBracketWithoutEndjog) {
    module.logic.wheelMode = WheelMode::Velocity;
    simHost.SetLed(15, true);
    Turn(2, 50);
    Effects();
    simHost.SetEngineInhibit(1);
    Turn(2, 50);
    EXPECT_EQ(Effects(), Strings{"button 205"});
    EXPECT_FALSE(jog.jogStarted);
    Turn(2, 50);
    EXPECT_TRUE(Effects().empty());
    simHost.SetEngineInhibit(0);
    Turn(2, 50);
    EXPECT_EQ(Effects(), (Strings{"button 204", "code \"DOJOG\""})) << "a new bracket";
}

TEST_F(VelocityJogTest, BracketWithoutLed15PressesNothing) {
    module.logic.wheelMode = WheelMode::Velocity;
    Turn(2, 50);
    Turn(1, 0);
    Updates(3);
    Rest(0);
    EXPECT_EQ(Codes(), (Strings{"DOJOG", "ENDJOG"}));
    EXPECT_FALSE(jog.jogStarted);
}

TEST_F(VelocityJogTest, GatesAndJogOff) {
    module.logic.wheelMode = WheelMode::Velocity;
    simHost.SetLed(805, true);
    Turn(2, 50);
    EXPECT_TRUE(Effects().empty()) << "motion gate closed";
    simHost.SetLed(805, false);
    simHost.SetLed(83, false);
    Turn(2, 50);
    EXPECT_EQ(Effects(), Strings{"message \" Jog OFF. \""});
    EXPECT_EQ(module.counters.jogCountdown, 3) << "the window is still refreshed";
}

using ContinuousJogTest = EngineJogTest;

TEST_F(ContinuousJogTest, VelocityFromDro3) {
    module.logic.wheelMode = WheelMode::Continuous;
    pendant.selectedAxis = 1;
    simHost.SetDro(3, 50.0);
    Turn(-1, 30);
    EXPECT_EQ(Codes(), Strings{"DOJOG"});
    const JogRecord r = Record(1);
    EXPECT_EQ(r.velocity, 60);
    EXPECT_EQ(r.maxVelocity, 120);
    EXPECT_EQ(r.secondParam, 9);
    EXPECT_EQ(r.direction, 1);
}

TEST_F(ContinuousJogTest, DelayStepsCountOnlyWithSpeed) {
    module.logic.wheelMode = WheelMode::Continuous;
    module.settings.DelaySteps = 25;
    simHost.SetDro(3, 100.0);
    for (int i = 0; i < 4; ++i) Turn(5, 20);  // 20 counts
    Turn(10, 0);                              // no speed byte: not counted
    EXPECT_EQ(jog.delayCount, 20);
    EXPECT_TRUE(Codes().empty());
    Turn(4, 20);
    EXPECT_TRUE(Codes().empty()) << "24 of 25";
    Turn(1, 20);
    EXPECT_EQ(Codes(), Strings{"DOJOG"});
    EXPECT_EQ(Record().velocity, 100);
}

TEST_F(ContinuousJogTest, WindowRunningOutRestartsTheDelay) {
    module.logic.wheelMode = WheelMode::Continuous;
    module.settings.DelaySteps = 10;
    Turn(6, 20);
    Updates(3);
    Rest(0);
    EXPECT_EQ(jog.delayCount, 0);
    Turn(6, 20);
    EXPECT_TRUE(Codes().empty());
}

TEST_F(ContinuousJogTest, ReversalClearsTheDelay) {
    module.logic.wheelMode = WheelMode::Continuous;
    module.settings.DelaySteps = 10;
    Turn(12, 20);
    EXPECT_EQ(Codes(), Strings{"DOJOG"});
    Turn(-8, 20);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(jog.delayCount, 0);
    Updates(3);
    Turn(-8, 20);
    EXPECT_TRUE(Codes().empty()) << "8 of 10 after the reversal";
    EXPECT_EQ(jog.delayCount, 8);
}

TEST_F(ContinuousJogTest, ZeroDelayStartsAtOnceAndLongRunsWrap) {
    module.logic.wheelMode = WheelMode::Continuous;
    Turn(1, 20);
    EXPECT_EQ(Codes(), Strings{"DOJOG"});
    jog.delayCount = 30000;
    Turn(1, 20);
    EXPECT_EQ(jog.delayCount, 400);
}

// A pass that waits for the delay never updates the jog, so a jog already in
// motion would run on at its last speed with nothing left to stop it.
TEST_F(ContinuousJogTest, RunningJogStopsWhenTheDelayIsNotMetAnyMore) {
    module.logic.wheelMode = WheelMode::Continuous;
    module.settings.DelaySteps = 500;  // hand-edited, above the restart value
    jog.delayCount = 30000;
    Turn(1, 20);
    EXPECT_EQ(Codes(), Strings{"DOJOG"});
    EXPECT_EQ(jog.delayCount, 400);
    Rest(20);  // the wheel rests, its last report replayed
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(Record().stop, 1);
    Rest(20);
    EXPECT_TRUE(Codes().empty()) << "stopped once";

    module.settings.DelaySteps = 0;
    jog.delayCount = 0;
    Turn(2, 20);
    EXPECT_EQ(Codes(), Strings{"DOJOG"});
    module.settings.DelaySteps = 100;  // raised in the dialog while the axis moves
    Turn(2, 20);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
}

TEST_F(ContinuousJogTest, HugeDelayNeverOverflows) {
    module.logic.wheelMode = WheelMode::Continuous;
    module.settings.DelaySteps = 2147483647;
    jog.delayCount = 2147483647 - 300;
    for (int i = 0; i < 4; ++i) Turn(100, 20);
    EXPECT_GT(jog.delayCount, 0);
    EXPECT_TRUE(Codes().empty());
}

TEST_F(ContinuousJogTest, OversizedVelocityStaysInTheRecordsRange) {
    module.logic.wheelMode = WheelMode::Continuous;
    simHost.SetAxisVelocity(0, 2000000000);
    simHost.SetDro(3, 1e6);
    Turn(1, 20);
    EXPECT_EQ(Record().velocity, 2147483647);
}

}  // namespace
}  // namespace k7::test
