// A host that stops its plug-ins from a button handler calls StopPlug from
// inside a call the tick (or the device handling) is making. The window is
// still running below that call: it must not be destroyed under it, the rest
// of the handler must not reach the host any more, and the stop must complete
// once the handler has returned. The sanitizer build turns any access to the
// window after its destruction into a failure.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "plugin/pendant_window.h"
#include "sim/sim_rig.h"

namespace k7::test {
namespace {

using Strings = std::vector<std::string>;

constexpr std::uint8_t kResetKeyBits = 0x02;  // report byte 3

class StopInsideHostCall : public ::testing::Test, protected sim::SimRig {
  protected:
    StopInsideHostCall() {
        AddPendant("p");
        host.SetLed(83, true);
        host.SetAxisVelocity(0, 100);
    }
    // Velocity mode with an engine jog of X running.
    void StartJogging() {
        Start();
        plugin->state().logic.wheelMode = WheelMode::Velocity;
        QueueReport(0);
        windows.Tick();
        QueueReport(3, 60);
        windows.Tick();
    }
    // What the host does from inside each call that reaches it.
    void OnHostCall(std::function<void(const sim::Effect&)> hook) {
        hook_ = std::move(hook);
        host.effectContext = this;
        host.onEffect = [](const sim::Effect& e, void* context) {
            static_cast<StopInsideHostCall*>(context)->hook_(e);
        };
    }
    // The host calls StopPlug from inside the first call that shows as `effect`.
    void StopWhenHostSees(const std::string& effect) {
        OnHostCall([this, effect, done = false](const sim::Effect& e) mutable {
            if (done || e.Describe() != effect) return;
            done = true;
            ASSERT_NE(plugin->window(), nullptr);
            plugin->StopPlug();
            // The stop is put off: the window is still there for the handler.
            EXPECT_NE(plugin->window(), nullptr);
            plugin->StopPlug();  // asked twice: changes nothing
        });
    }
    Strings Effects() {
        Strings out;
        for (const sim::Effect& e : host.effects()) out.push_back(e.Describe());
        host.effects().clear();
        return out;
    }
    void ExpectStopped() {
        EXPECT_EQ(plugin->window(), nullptr);
        EXPECT_FALSE(windows.windowAlive());
        EXPECT_EQ(hid.OpenHandles(), 0);
        EXPECT_EQ(hid.misuse(), 0);
        EXPECT_FALSE(windows.Tick());
        // The callbacks stay stored for the host, as after any StopPlug.
        EXPECT_NE(plugin->state().callbacks.code, nullptr);
        EXPECT_NE(plugin->state().blocks.engine, nullptr);
    }

    std::function<void(const sim::Effect&)> hook_;
};

TEST_F(StopInsideHostCall, ButtonPressedByTheTickEndsTheTickSilentlyThenTheWindow) {
    StartJogging();
    EXPECT_EQ(Effects().back(), "code \"DOJOG\"");
    StopWhenHostSees("button 1021");
    // Reset pressed and the wheel still turning: the reset key's handler runs
    // first, the wheel's after it in the same tick.
    QueueReport(6, 60, kResetKeyBits);
    windows.Tick();
    // No "DOJOG" for the turn: after the button nothing of the tick reached the
    // host. Then the stop: the jog that ran when it came is stopped.
    EXPECT_EQ(Effects(), (Strings{"button 1021", "code \"ENDJOG\""}));
    EXPECT_EQ(host.Jog(0).stop, 1);
    ExpectStopped();
    EXPECT_EQ(hid.writtenCount(), 2u);  // the stopped tick wrote no report
}

TEST_F(StopInsideHostCall, WhatTheCallInFlightStartedIsUndoneByTheStop) {
    host.SetLed(15, true);  // the host wants the jog-start bracket
    host.SetJogIncrement(0.01);
    host.SetDro(818, 40);
    host.SetDro(821, 80);
    Start();
    QueueReport(0);
    windows.Tick();
    QueueReport(2);  // a step: the feed DROs are saved and 821 forced
    windows.Tick();
    plugin->state().logic.wheelMode = WheelMode::Velocity;
    StopWhenHostSees("code \"DOJOG\"");
    QueueReport(5, 60);
    windows.Tick();
    EXPECT_EQ(Effects(), (Strings{"dro 821 100", "code \"G91G1 F100 X 0.0200\"", "code \"G90\"",
                                  "button 334",  // the new wheel mode
                                  "button 204", "code \"DOJOG\"", "code \"ENDJOG\"", "button 205",
                                  "dro 818 40", "dro 821 80"}));
    EXPECT_EQ(host.Jog(0).stop, 1);
    ExpectStopped();
}

TEST_F(StopInsideHostCall, StopFromInsideTheRemovalsOwnReleaseCompletesAfterIt) {
    StartJogging();
    Effects();
    StopWhenHostSees("code \"ENDJOG\"");
    Remove("p");
    EXPECT_EQ(Effects(), Strings{"code \"ENDJOG\""});
    ExpectStopped();
}

TEST_F(StopInsideHostCall, StopFromInsideTheStopsOwnReleaseFindsNothingMoreToStop) {
    StartJogging();
    Effects();
    OnHostCall([this](const sim::Effect& e) {
        if (e.kind == sim::Effect::Kind::Code) plugin->StopPlug();
    });
    plugin->StopPlug();
    EXPECT_EQ(Effects(), Strings{"code \"ENDJOG\""});
    ExpectStopped();
}

// The "G90" owed after a step line goes first in the release, and only when
// the host was in absolute mode (the trace jog_step_stop_inside_line shows it).
TEST_F(StopInsideHostCall, StopInsideAStepLineSendsItsG90OnlyWhenOwed) {
    for (const int distanceMode : {0, 1}) {
        SCOPED_TRACE(distanceMode);
        sim::SimRig rig;
        rig.AddPendant("p");
        rig.host.SetLed(83, true);
        rig.host.SetJogIncrement(0.01);
        rig.host.SetDistanceMode(distanceMode);
        rig.Start();
        rig.QueueReport(0);
        rig.windows.Tick();
        rig.host.effectContext = &rig;
        rig.host.onEffect = [](const sim::Effect& e, void* context) {
            if (e.kind == sim::Effect::Kind::Code && e.text.starts_with("G91G1"))
                static_cast<sim::SimRig*>(context)->plugin->StopPlug();
        };
        rig.QueueReport(1);
        rig.windows.Tick();
        Strings effects;
        for (const sim::Effect& e : rig.host.effects()) effects.push_back(e.Describe());
        Strings expected{"dro 821 100", "code \"G91G1 F100 X 0.0100\"", "code \"G90\"", "dro 818 0",
                         "dro 821 0"};
        if (distanceMode != 0) expected.erase(expected.begin() + 2);
        EXPECT_EQ(effects, expected);
        EXPECT_EQ(rig.plugin->window(), nullptr);
    }
}

// A host that runs a modal loop inside a callback (a message box from a button
// handler) delivers the next timer tick while this one is still running: it
// does nothing.
TEST_F(StopInsideHostCall, TickDeliveredFromInsideTheTickIsSkipped) {
    host.SetJogIncrement(0.01);
    Start();
    QueueReport(0);
    windows.Tick();
    OnHostCall([this](const sim::Effect& e) {
        if (e.kind == sim::Effect::Kind::Button) windows.Tick();
    });
    QueueReport(0, 0, kResetKeyBits);
    QueueReport(4);  // would be read by a tick run inside the first
    windows.Tick();
    EXPECT_EQ(Effects(), Strings{"button 1021"});
    EXPECT_EQ(hid.QueuedReports(), 1u);
    EXPECT_EQ(hid.writtenCount(), 2u);
    EXPECT_EQ(hid.misuse(), 0);
    // The turn made while the host was busy is not replayed: the next report
    // read is the wheel's reference, and turns after it move again.
    windows.Tick();
    EXPECT_EQ(Effects(), Strings{});
    QueueReport(6);
    windows.Tick();
    EXPECT_EQ(Effects(), (Strings{"dro 821 100", "code \"G91G1 F100 X 0.0200\"", "code \"G90\""}));
}

}  // namespace
}  // namespace k7::test
