// The state of one device window over a simulated host, for tests that drive
// the handlers of a tick directly: the library-wide state, the window's pendant
// and jog state, and the effects the host saw, as a trace would write them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pendant/tick_context.h"
#include "plugin/module_state.h"
#include "sim/sim_host.h"

namespace k7::test {

class TickFixture : public ::testing::Test {
  protected:
    TickFixture() : callbacks_(simHost.Callbacks()), blocks_(simHost.Blocks()) {}

    TickContext Context(bool hostWasAbsolute) {
        return TickContext{host, module.counters, module.settings, module.logic, pendant,
                           jog,  hostWasAbsolute};
    }
    void Updates(int n) {
        for (int i = 0; i < n; ++i) module.counters.Update();
    }
    // The effects since the last call.
    std::vector<std::string> Effects() {
        std::vector<std::string> out;
        for (const sim::Effect& e : simHost.effects()) out.push_back(e.Describe());
        simHost.effects().clear();
        return out;
    }

    sim::SimHost simHost;
    ModuleState module;
    PendantState pendant;
    JogState jog;

  private:
    HostCallbacks callbacks_;
    HostBlocks blocks_;

  protected:
    Host host{callbacks_, blocks_};
};

}  // namespace k7::test
