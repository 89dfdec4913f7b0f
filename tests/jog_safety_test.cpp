// Nobody at the wheel, nothing moving: an engine jog is stopped on the axis it
// runs on whenever the wheel can no longer stop it itself.
#include <memory>

#include "jog/continuous_jog.h"
#include "jog/jog_engine.h"
#include "plugin/pendant_window.h"
#include "sim/sim_rig.h"
#include "tests/jog_fixture.h"

namespace k7::test {
namespace {

using Strings = std::vector<std::string>;

class JogSafety : public JogFixture {
  protected:
    JogSafety() {
        simHost.SetAxisVelocity(0, 100);
        simHost.SetAxisVelocity(1, 100);
        module.logic.wheelMode = WheelMode::Velocity;
        Turn(2, 50);
        EXPECT_EQ(Codes(), Strings{"DOJOG"});
    }
};

TEST_F(JogSafety, ModeChangeStopsTheJogOfTheOldMode) {
    module.logic.wheelMode = WheelMode::JogRateAdjust;  // no pass of mode 2 will come
    Rest(50);
    EXPECT_EQ(Effects(), Strings{"code \"ENDJOG\""});
    EXPECT_EQ(simHost.Jog(0).stop, 1);
    Rest(50);
    EXPECT_TRUE(Effects().empty()) << "stopped once";
}

TEST_F(JogSafety, ModeChangeToContinuousCannotCarryTheJogOn) {
    module.logic.wheelMode = WheelMode::Continuous;
    Rest(50);  // the same report again: no counts
    EXPECT_EQ(Codes(), (Strings{"ENDJOG", "ENDJOG"}));
    Rest(50);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"}) << "never a DOJOG without counts";
}

TEST_F(JogSafety, AxisChangeStopsTheOldAxis) {
    pendant.selectedAxis = 1;
    module.logic.wheelMode = WheelMode::Step;  // also a mode change: one stop only
    Rest(50);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(simHost.Jog(0).stop, 1);
    EXPECT_EQ(simHost.Jog(1).stop, 0);
}

TEST_F(JogSafety, AxisChangeWhileTurningMovesOnTheNewAxisOnly) {
    pendant.selectedAxis = 1;
    Turn(2, 50);
    EXPECT_EQ(Codes(), (Strings{"ENDJOG", "DOJOG"}));
    EXPECT_EQ(simHost.Jog(0).stop, 1);
    EXPECT_EQ(simHost.Jog(1).start, 1);
    EXPECT_EQ(simHost.Jog(1).stop, 0);
}

TEST_F(JogSafety, ActivityWindowRunningOutStopsARunningJog) {
    Updates(3);
    Rest(0);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(simHost.Jog(0).stop, 1);
}

TEST_F(JogSafety, JogSwitchedOffInTheHostStopsARunningJog) {
    simHost.SetLed(83, false);
    Rest(50);
    EXPECT_EQ(Effects(), (Strings{"message \" Jog OFF. \"", "code \"ENDJOG\""}));
    Rest(50);
    EXPECT_EQ(Effects(), Strings{"message \" Jog OFF. \""});
}

TEST_F(JogSafety, InhibitedEngineCannotRestartAJogWhenItLifts) {
    simHost.SetEngineInhibit(1);
    Rest(50);
    EXPECT_TRUE(Effects().empty()) << "no ENDJOG while inhibited";
    simHost.SetEngineInhibit(0);
    Rest(50);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
}

TEST_F(JogSafety, StopEngineJogActsOnlyOnARunningJog) {
    pendant.selectedAxis = 2;  // the stop goes to the axis the jog runs on
    StopEngineJog(host, jog);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(simHost.Jog(0).stop, 1);
    EXPECT_EQ(simHost.Jog(2).stop, 0);
    StopEngineJog(host, jog);
    EXPECT_TRUE(Codes().empty());
}

// Letting go of the wheel (removal, stop): nothing the modes started runs on,
// and nothing they remember of the turns before moves the machine after it.
class ReleasedWheel : public JogFixture {
  protected:
    void Release() {
        ReleaseWheel(host, module.settings, jog);
        Effects();
    }
};

// Undone on the host in this order: the engine jog, its jog-start bracket,
// the feed DROs forced for step jogging.
TEST_F(ReleasedWheel, UndoesWhatTheModesStartedInOrder) {
    simHost.SetLed(15, true);
    simHost.SetJogIncrement(0.01);
    simHost.SetDro(818, 40);
    simHost.SetDro(821, 80);
    simHost.SetAxisVelocity(0, 100);
    module.settings.StepJogRate = 100;
    Turn(2);  // step mode: 818 and 821 saved, 821 forced
    module.logic.wheelMode = WheelMode::Velocity;
    Turn(2, 50);  // within the three host cycles before the feed's restore
    Effects();
    ReleaseWheel(host, module.settings, jog);
    EXPECT_EQ(Effects(), (Strings{"code \"ENDJOG\"", "button 205", "dro 818 40", "dro 821 80"}));
    EXPECT_EQ(simHost.Jog(0).stop, 1);
    ReleaseWheel(host, module.settings, jog);
    EXPECT_TRUE(Effects().empty()) << "undone once";
}

TEST_F(ReleasedWheel, StepCountsHeldBackAreDropped) {
    simHost.SetJogIncrement(0.01);
    simHost.SetDro(22, 20);  // the host's queue is full
    Turn(7);
    Release();
    simHost.SetDro(22, 5);
    Rest();
    Rest();
    EXPECT_TRUE(Codes().empty());
}

TEST_F(ReleasedWheel, ContinuousModeCountsTowardTheDelayStartAgain) {
    simHost.SetAxisVelocity(0, 100);
    simHost.SetDro(3, 50);
    module.settings.DelaySteps = 25;
    module.logic.wheelMode = WheelMode::Continuous;
    for (int i = 0; i < 4; ++i) Turn(5, 40);  // 20 counts: still waiting
    EXPECT_TRUE(Codes().empty());
    Release();
    Turn(3, 40);
    Turn(3, 40);  // 26 counts in all, but only 6 since the release
    EXPECT_TRUE(Codes().empty());
}

TEST_F(ReleasedWheel, VelocityModeSpeedHistoryStartsEmpty) {
    simHost.SetAxisVelocity(0, 100);
    module.logic.wheelMode = WheelMode::Velocity;
    for (int i = 0; i < 10; ++i) Turn(2, 200);  // history full of fast turns
    EXPECT_EQ(simHost.Jog(0).velocity, 100);
    Release();
    Turn(2, 40);  // as the first pass ever: 40 x 1.82 / 400 x 3 / 3 of 100
    EXPECT_EQ(Codes(), Strings{"DOJOG"});
    EXPECT_EQ(simHost.Jog(0).velocity, 18);
}

// The whole plug-in: removal, return and stop of the pendant while jogging.
class PluginJogSafety : public ::testing::Test, protected sim::SimRig {
  protected:
    PluginJogSafety() {
        AddPendant("p");
        Start();
        host.SetLed(83, true);
        host.SetAxisVelocity(0, 100);
        host.SetAxisVelocity(1, 100);
        plugin->state().logic.wheelMode = WheelMode::Velocity;
        Report(0, 0);
        windows.Tick();
        Report(3, 60);
        windows.Tick();
        EXPECT_EQ(Codes(), Strings{"DOJOG"});
    }
    void Report(int wheel, int speed, std::uint8_t keys3 = 0, std::uint8_t keys4 = 0) {
        QueueReport(static_cast<std::uint8_t>(wheel), static_cast<std::uint8_t>(speed), keys3,
                    keys4);
    }
    void Remove() { SimRig::Remove("p"); }
    void Arrive() { SimRig::Arrive("p"); }
    Strings Codes() {
        Strings out;
        for (const sim::Effect& e : host.effects())
            if (e.kind == sim::Effect::Kind::Code) out.push_back(e.text);
        host.effects().clear();
        return out;
    }
};

TEST_F(PluginJogSafety, UnplugStopsAndTheReplayedReportCannotRestart) {
    Remove();
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(host.Jog(0).stop, 1);
    windows.Tick();
    Arrive();
    // No new report yet: the last one (speed byte 60) is dispatched again.
    for (int i = 0; i < 3; ++i) {
        windows.Tick();
        for (const std::string& code : Codes()) EXPECT_NE(code, "DOJOG") << "tick " << i;
        EXPECT_EQ(host.Jog(0).stop, 1);
    }
    Report(5, 60);  // the first report read since: the wheel's new reference only
    windows.Tick();
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    Report(8, 60);  // the wheel turns again: jogging resumes
    windows.Tick();
    EXPECT_EQ(Codes(), Strings{"DOJOG"});
}

TEST_F(PluginJogSafety, UnplugJustAfterAReversalCannotStartOnReturn) {
    Report(1, 60);  // the wheel turns back: the jog stops and settles
    windows.Tick();
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    Remove();  // no jog runs now, but the counts of the turn are still remembered
    for (int i = 0; i < 3; ++i) plugin->Update();
    Arrive();
    for (int i = 0; i < 3; ++i) {
        windows.Tick();  // the last report again, speed byte 60
        for (const std::string& code : Codes()) EXPECT_NE(code, "DOJOG") << "tick " << i;
    }
    EXPECT_EQ(host.Jog(0).stop, 1);
}

TEST_F(PluginJogSafety, StopPlugStopsTheJog) {
    plugin->StopPlug();
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(host.Jog(0).stop, 1);
}

TEST_F(PluginJogSafety, ModeKeyStopsTheJog) {
    Report(3, 60, 0, 0x01);  // ModeKey1 in V mode: back to step mode
    windows.Tick();
    EXPECT_EQ(plugin->state().logic.wheelMode, WheelMode::Step);
    EXPECT_EQ(Codes(), Strings{"ENDJOG"});
    EXPECT_EQ(host.Jog(0).stop, 1);
}

TEST_F(PluginJogSafety, AxisKeyStopsTheJog) {
    Report(3, 60, 0x08);  // YKey
    windows.Tick();
    EXPECT_EQ(plugin->window()->pendant().selectedAxis, 1);
    const Strings codes = Codes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes[0], "ENDJOG");
    for (const std::string& code : codes) EXPECT_NE(code, "DOJOG");
    EXPECT_EQ(host.Jog(0).stop, 1);
}

}  // namespace
}  // namespace k7::test
