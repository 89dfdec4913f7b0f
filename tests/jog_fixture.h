// A jog engine over a simulated host: the state of one device window, and a
// tick that dispatches only the wheel, so each case reads as a short scenario.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jog/jog_engine.h"
#include "sim/sim_host.h"

namespace k7::test {

class JogFixture : public ::testing::Test {
  protected:
    JogFixture() : callbacks_(simHost.Callbacks()), blocks_(simHost.Blocks()) {
        simHost.SetLed(83, true);  // jogging enabled
        module.counters.jogCycles = 100;
    }

    // One tick whose report carries this wheel counter and speed byte.
    void Tick(int wheelByte, int speedByte = 0) {
        pendant.currentReport[0] = static_cast<std::uint32_t>(wheelByte & 0xff) << 8 |
                                   static_cast<std::uint32_t>(speedByte & 0xff) << 16;
        TickContext tick{host, module, pendant, jog, hostWasAbsolute};
        HandleWheel(tick);
    }
    // Turns the wheel by `counts` (signed) from where it is now.
    void Turn(int counts, int speedByte = 0) {
        wheel_ = (wheel_ + counts) & 0xff;
        Tick(wheel_, speedByte);
    }
    void Rest(int speedByte = 0) { Tick(wheel_, speedByte); }
    void Updates(int n) {
        for (int i = 0; i < n; ++i) module.counters.Update();
    }

    // The effects since the last call, as a trace would write them.
    std::vector<std::string> Effects() {
        std::vector<std::string> out;
        for (const sim::Effect& e : simHost.effects()) out.push_back(e.Describe());
        simHost.effects().clear();
        return out;
    }
    std::vector<std::string> Codes() {
        std::vector<std::string> out;
        for (const sim::Effect& e : simHost.effects())
            if (e.kind == sim::Effect::Kind::Code) out.push_back(e.text);
        simHost.effects().clear();
        return out;
    }

    sim::SimHost simHost;
    ModuleState module;
    PendantState pendant;
    JogState jog;
    bool hostWasAbsolute = false;

    HostCallbacks callbacks_;
    HostBlocks blocks_;
    Host host{callbacks_, blocks_};
    int wheel_ = 0;
};

}  // namespace k7::test
