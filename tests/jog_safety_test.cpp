// Nobody at the wheel, nothing moving: an engine jog is stopped on the axis it
// runs on whenever the wheel can no longer stop it itself.
#include <memory>

#include "jog/continuous_jog.h"
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
