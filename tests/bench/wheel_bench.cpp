// One device tick with the wheel turning, in each of the six wheel modes: the
// whole exchange (read, keys, wheel, output report, write) on the simulated host.
#include <benchmark/benchmark.h>

#include "sim/sim_rig.h"

namespace {

void BM_TickWheelTurning(benchmark::State& state) {
    using namespace k7;
    sim::SimRig rig;
    rig.AddPendant("p");
    Plugin& plugin = rig.Start();
    sim::SimHost& host = rig.host;
    sim::VirtualHid& hid = rig.hid;
    sim::SimWindowSystem& windows = rig.windows;
    host.SetLed(83, true);
    host.SetJogIncrement(0.01);
    host.SetAxisVelocity(0, 100);
    host.SetDro(3, 50.0);
    host.SetRecording(false);
    plugin.state().logic.wheelMode = static_cast<int>(state.range(0));
    plugin.state().settings.DelaySteps = 0;

    sim::InputReport report;
    report.bytes[2] = 60;  // wheel speed byte for the engine-jog modes
    for (auto _ : state) {
        report.bytes[1] = static_cast<std::uint8_t>(report.bytes[1] + 1);
        hid.QueueReport(report);
        windows.Tick();
        plugin.Update();
        // Modes 4-6 scale a DRO each tick; keep it mid-range so the work stays the same.
        host.SetDro(3, 50.0);
        host.SetDro(821, 100.0);
        host.SetDro(74, 100.0);
    }
    state.SetLabel(state.range(0) == 1   ? "Step"
                   : state.range(0) == 2 ? "Velocity"
                   : state.range(0) == 3 ? "Continuous"
                   : state.range(0) == 4 ? "JogRateAdjust"
                   : state.range(0) == 5 ? "Dro821Adjust"
                                         : "Dro74Adjust");
}
BENCHMARK(BM_TickWheelTurning)->DenseRange(1, 6);

}  // namespace
