// One device tick with the wheel turning, in each of the six wheel modes: the
// whole exchange (read, keys, wheel, output report, write) through the real
// plug-in object. The simulated host records nothing and the virtual pendant
// keeps only its last report, so the figure is the plug-in's own cost; the
// counters give it as a share of the 25 ms period and count the heap
// allocations per tick (the tick must make none).
#include <benchmark/benchmark.h>

#include "sim/sim_rig.h"
#include "tests/support/alloc_hook.h"

namespace {

constexpr double kPeriodSeconds = 0.025;

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
    report.bytes[2] = 60;          // wheel speed byte for the engine-jog modes
    for (int i = 0; i < 8; ++i) {  // the first tick sets the wheel's reference
        report.bytes[1] = static_cast<std::uint8_t>(report.bytes[1] + 1);
        hid.QueueReport(report);
        windows.Tick();
        plugin.Update();
    }
    const std::size_t allocations = k7::test::AllocationCount();
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
    const double ticks = static_cast<double>(state.iterations());
    state.counters["allocs_per_tick"] =
        static_cast<double>(k7::test::AllocationCount() - allocations) / ticks;
    // CPU time per tick over the period, in parts per million.
    state.counters["ppm_of_25ms"] = benchmark::Counter(
        ticks * kPeriodSeconds / 1e6, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(state.range(0) == 1   ? "Step"
                   : state.range(0) == 2 ? "Velocity"
                   : state.range(0) == 3 ? "Continuous"
                   : state.range(0) == 4 ? "JogRateAdjust"
                   : state.range(0) == 5 ? "Dro821Adjust"
                                         : "Dro74Adjust");
}
BENCHMARK(BM_TickWheelTurning)->DenseRange(1, 6);

}  // namespace
