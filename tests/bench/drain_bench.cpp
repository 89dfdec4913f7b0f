// A tick that finds N reports waiting (a pendant reporting faster than the
// tick) takes them all and acts on the newest: its cost for 1, 8, 32 and 64
// waiting reports, on the simulator's virtual pendant and on the real hidraw
// adapter reading a FIFO that stands in for a flooding node. Step mode, the
// wheel one count further in each report, the host recording nothing.
#include <benchmark/benchmark.h>

#include <vector>

#include "plugin/pendant_window.h"
#include "sim/sim_rig.h"
#include "tests/linux/fifo_device.h"
#include "tests/linux/fifo_pendant.h"

namespace {

using namespace k7;

void Prepare(sim::SimRig& rig) {
    rig.Start();
    rig.host.SetLed(83, true);
    rig.host.SetJogIncrement(0.001);
    rig.host.SetRecording(false);
}

void BM_TickDrainingSimulator(benchmark::State& state) {
    const auto waiting = static_cast<int>(state.range(0));
    sim::SimRig rig;
    rig.AddPendant("p");
    Prepare(rig);
    sim::InputReport report;
    for (auto _ : state) {
        for (int i = 0; i < waiting; ++i) {
            report.bytes[1] = static_cast<std::uint8_t>(report.bytes[1] + 1);
            report.withPrevious = i > 0;
            rig.hid.QueueReport(report);
        }
        rig.windows.Tick();
        rig.plugin->Update();
    }
    state.counters["reports"] = waiting;
}
BENCHMARK(BM_TickDrainingSimulator)->Arg(1)->Arg(8)->Arg(32)->Arg(64);

// The FIFO is filled while the clock is stopped: what is timed is the tick
// draining it through the adapter's non-blocking reads.
void BM_TickDrainingHidraw(benchmark::State& state) {
    const auto waiting = static_cast<int>(state.range(0));
    test::FifoDevice fromPendant;
    test::FifoDevice toPendant;
    test::FifoPendant pendant(fromPendant.path(), toPendant.path());
    sim::SimRig rig;
    rig.platform.hid = &pendant;
    if (!toPendant.OpenReceiver()) return state.SkipWithError("no FIFO");
    Prepare(rig);
    if (!fromPendant.OpenSender()) return state.SkipWithError("no FIFO");
    std::vector<std::uint8_t> burst(static_cast<std::size_t>(waiting) * kInputReportSize);
    std::uint8_t wheel = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < waiting; ++i) burst[i * kInputReportSize + 1] = ++wheel;
        fromPendant.Send(burst);
        toPendant.Drain(0);
        state.ResumeTiming();
        rig.windows.Tick();
        rig.plugin->Update();
    }
    if (rig.plugin->window()->link().reportsRead() == 0) state.SkipWithError("nothing read");
    state.counters["reports"] = waiting;
    rig.plugin.reset();  // before the adapter it uses
}
BENCHMARK(BM_TickDrainingHidraw)->Arg(1)->Arg(8)->Arg(32)->Arg(64);

}  // namespace
