#include <limits>

#include "tests/jog_fixture.h"

namespace k7::test {
namespace {

using Strings = std::vector<std::string>;

class StepJogTest : public JogFixture {
  protected:
    StepJogTest() { simHost.SetJogIncrement(0.01); }
};

TEST_F(StepJogTest, LiveLineFormats) {
    hostWasAbsolute = true;
    simHost.SetDro(818, 25.0);
    Turn(3);
    EXPECT_EQ(Codes(), (Strings{"G91G1 F25.0000 X 0.0300", "G90"}));

    module.settings.StepJogRate = 100;
    pendant.selectedAxis = 1;
    simHost.SetJogIncrement(0.001);
    Turn(-2);
    EXPECT_EQ(Effects(), (Strings{"dro 821 100", "code \"G91G1 F100 Y -0.0020\"", "code \"G90\""}));

    hostWasAbsolute = false;
    for (int axis = 2; axis <= 5; ++axis) {
        pendant.selectedAxis = axis;
        Turn(1);
    }
    pendant.selectedAxis = 7;
    Turn(1);
    EXPECT_EQ(Codes(), (Strings{"G91G1 F100 Z 0.0010", "G91G1 F100 A 0.0010", "G91G1 F100 B 0.0010",
                                "G91G1 F100 C 0.0010", "G91G1 F100  0.0010"}));
}

TEST_F(StepJogTest, BackPressureThenDrainInPieces) {
    simHost.SetDro(22, 20.0);
    Turn(7);
    Turn(5);
    EXPECT_TRUE(Codes().empty());
    EXPECT_EQ(jog.stepBacklog, 12);

    Rest();  // still saturated: nothing drains
    EXPECT_TRUE(Codes().empty());
    simHost.SetDro(22, 19.9);
    Rest();
    EXPECT_EQ(Codes(), Strings{"G91G1 X 0.0500"});
    EXPECT_EQ(jog.stepBacklog, 7);
    Rest();
    EXPECT_EQ(Codes(), (Strings{"G91G1 X 0.0500", "G91G1 X 0.0200"}));
    EXPECT_EQ(jog.stepBacklog, 0);
    Rest();
    EXPECT_TRUE(Codes().empty());
}

TEST_F(StepJogTest, NegativeBacklogAndExactPiece) {
    module.settings.StepJogRate = 40;
    hostWasAbsolute = true;
    simHost.SetDro(22, 30.0);
    Turn(-5);
    EXPECT_EQ(jog.stepBacklog, -5);
    Codes();
    simHost.SetDro(22, 0.0);
    Rest();
    EXPECT_EQ(Codes(), (Strings{"G91G1 F40 X -0.0500", "G90"}));
    EXPECT_EQ(jog.stepBacklog, 0);
}

TEST_F(StepJogTest, RemainderWaitsWhenThePieceFillsTheQueue) {
    simHost.SetDro(22, 25.0);
    Turn(8);
    Codes();
    simHost.SetDro(22, 0.0);
    // The host's queue fills with the piece: DRO 22 is read again before the remainder.
    simHost.onCode = [](sim::SimHost& h, const char*) { h.SetDro(22, 20.0); };
    Rest();
    EXPECT_EQ(Codes(), Strings{"G91G1 X 0.0500"});
    EXPECT_EQ(jog.stepBacklog, 3);
    simHost.onCode = nullptr;
    simHost.SetDro(22, 0.0);
    Rest();
    EXPECT_EQ(Codes(), Strings{"G91G1 X 0.0300"});
    EXPECT_EQ(jog.stepBacklog, 0);
}

TEST_F(StepJogTest, DrainOnlyInStepModeAndNotWhileTurning) {
    simHost.SetDro(22, 25.0);
    Turn(6);
    simHost.SetDro(22, 0.0);
    Turn(2);  // a live step goes out, the backlog waits for a resting tick
    EXPECT_EQ(Codes(), Strings{"G91G1 F0.0000 X 0.0200"});
    module.logic.wheelMode = WheelMode::JogRateAdjust;
    Rest();
    EXPECT_EQ(jog.stepBacklog, 6) << "kept until mode 1 comes back";
    module.logic.wheelMode = WheelMode::Step;
    Rest();
    EXPECT_EQ(Codes(), (Strings{"G91G1 X 0.0500", "G91G1 X 0.0100"}));
}

TEST_F(StepJogTest, JogHoldDropsLinesButNotG90) {
    hostWasAbsolute = true;
    module.logic.jogHold = true;
    module.settings.StepJogRate = 100;
    Turn(2);
    EXPECT_EQ(Codes(), Strings{"G90"});
    simHost.SetDro(22, 20.0);
    Turn(6);
    simHost.SetDro(22, 0.0);
    Rest();
    EXPECT_EQ(Codes(), (Strings{"G90", "G90"}));
    EXPECT_EQ(jog.stepBacklog, 0) << "the held-back pieces count as sent";
}

TEST_F(StepJogTest, GatesDropTheCounts) {
    simHost.SetLed(804, true);
    Turn(3);
    EXPECT_TRUE(Effects().empty());
    simHost.SetLed(83, false);
    Turn(3);
    EXPECT_TRUE(Effects().empty()) << "the motion gate is asked first, silently";
    simHost.SetLed(83, true);
    simHost.SetLed(804, false);
    simHost.SetLed(83, false);
    Turn(3);
    EXPECT_EQ(Effects(), Strings{"message \" Jog OFF. \""});
    EXPECT_FALSE(jog.feedSaved);
}

TEST_F(StepJogTest, RotationAt30And90Degrees) {
    simHost.SetJogIncrement(1.0);
    simHost.SetRotationDegrees(30.0);
    hostWasAbsolute = true;
    Turn(1);
    EXPECT_EQ(Codes(), (Strings{"G91G1 X0.8660 Y-0.5000 ", "G90"}));
    pendant.selectedAxis = 1;
    Turn(1);
    EXPECT_EQ(Codes(), (Strings{"G91G1 X0.5000 Y0.8660 ", "G90"}));
    pendant.selectedAxis = 0;
    Turn(-2);
    EXPECT_EQ(Codes(), (Strings{"G91G1 X-1.7321 Y1.0000 ", "G90"}));

    simHost.SetRotationDegrees(90.0);
    Turn(1);
    EXPECT_EQ(Codes(), (Strings{"G91G1 X-0.0000 Y-1.0000 ", "G90"}));
    EXPECT_FALSE(jog.feedSaved) << "the rotated step leaves the feed alone";
    EXPECT_EQ(module.counters.stepCountdown, 0);

    pendant.selectedAxis = 2;  // Z is never rotated
    Turn(1);
    EXPECT_EQ(Codes(), (Strings{"G91G1 F0.0000 Z 1.0000", "G90"}));
}

TEST_F(StepJogTest, RotatedCountsAreDroppedUnderBackPressure) {
    simHost.SetRotationDegrees(30.0);
    simHost.SetDro(22, 20.0);
    Turn(4);
    EXPECT_TRUE(Effects().empty());
    EXPECT_EQ(jog.stepBacklog, 0);
}

TEST_F(StepJogTest, FeedBracketClosesOnTheTickAfterThreeUpdates) {
    module.settings.StepJogRate = 100;
    simHost.SetDro(818, 30.0);
    simHost.SetDro(821, 80.0);
    Turn(1);
    Updates(2);
    Turn(1);  // a new step re-arms the countdown
    Effects();
    Updates(2);
    Rest();
    EXPECT_TRUE(Effects().empty()) << "two Updates after the last step: still open";
    Updates(1);
    EXPECT_TRUE(Effects().empty()) << "restored by a tick, not by Update";
    Rest();
    EXPECT_EQ(Effects(), (Strings{"dro 818 30", "dro 821 80"}));
    Updates(5);
    Rest();
    EXPECT_TRUE(Effects().empty()) << "restored once";
}

TEST_F(StepJogTest, FeedBracketWithHostFeedRestoresOnly818) {
    simHost.SetDro(818, 12.5);
    simHost.SetDro(821, 90.0);
    Turn(2);
    Effects();
    simHost.SetDro(818, 99.0);  // changed by the host meanwhile: the saved one wins
    Updates(3);
    module.logic.wheelMode = WheelMode::Velocity;  // the restore runs whatever the mode
    Rest();
    EXPECT_EQ(Effects(), Strings{"dro 818 12.5"});
}

TEST_F(StepJogTest, BacklogCannotOverflow) {
    simHost.SetDro(22, 20.0);
    jog.stepBacklog = 2147483647 - 300;
    Turn(100);
    Turn(100);
    EXPECT_GT(jog.stepBacklog, 0);
    jog.stepBacklog = -2147483647 + 300;
    Turn(-100);
    Turn(-100);
    EXPECT_LT(jog.stepBacklog, 0);
}

// However large the host's values, the line goes out whole: a line cut short
// would be a different move.
TEST_F(StepJogTest, ExtremeValuesAreSentWhole) {
    const double huge = std::numeric_limits<double>::max();
    hostWasAbsolute = true;
    simHost.SetJogIncrement(huge);
    simHost.SetDro(818, huge);
    Turn(-1);
    Strings codes = Codes();
    ASSERT_EQ(codes.size(), 2u);
    // Both numbers print all 309 digits of their integer part.
    EXPECT_EQ(codes[0].size(), 7u + 314 + 3 + 315);
    EXPECT_EQ(codes[0].rfind("G91G1 F179769", 0), 0u);
    EXPECT_NE(codes[0].find(".0000 X -179769"), std::string::npos);
    EXPECT_EQ(codes[0].substr(codes[0].size() - 5), ".0000");
    EXPECT_EQ(codes[1], "G90");

    simHost.SetRotationDegrees(45.0);
    Turn(1);
    codes = Codes();
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(codes[0].rfind("G91G1 X", 0), 0u);
    EXPECT_NE(codes[0].find(" Y-"), std::string::npos);
    EXPECT_EQ(codes[0].back(), ' ');
}

}  // namespace
}  // namespace k7::test
