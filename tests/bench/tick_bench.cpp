// Cost of the pendant logic of one tick (dispatch through every handler, then
// the output report) against a host whose callbacks do nothing, so the figure
// is the plug-in's own share of the 25 ms period.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "pendant/dispatch.h"
#include "pendant/output_report.h"
#include "plugin/module_state.h"

namespace k7::test {
namespace {

bool leds[65536] = {};

void K7_CDECL NoButton(short) {}
void K7_CDECL NoSetDro(short, double) {}
double K7_CDECL NoGetDro(short) {
    return 0.0;
}
bool K7_CDECL Led(short code) {
    return leds[static_cast<std::uint16_t>(code)];
}
void K7_CDECL NoCode(const char* line) {
    benchmark::DoNotOptimize(line);
}

struct TrivialHost {
    std::vector<unsigned char> engine = std::vector<unsigned char>(kEngineBlockSize);
    std::vector<unsigned char> setup = std::vector<unsigned char>(kSetupBlockSize);
    std::vector<unsigned char> planner = std::vector<unsigned char>(kPlannerBlockSize);
    ModuleState module;
    PendantState pendant;
    JogState jog;
    Host host{module.callbacks, module.blocks};

    TrivialHost() {
        module.callbacks = HostCallbacks{&NoButton, &NoSetDro, &NoGetDro, &Led, nullptr, &NoCode};
        module.blocks = HostBlocks{engine.data(), setup.data(), planner.data(), nullptr};
        leds[83] = true;  // jogging allowed
    }
    void Tick(const std::uint8_t (&report)[kInputReportSize], std::uint8_t (&out)[5]) {
        TickContext tick{host, module.counters, module.settings, module.logic, pendant, jog, true};
        DispatchInputReport(tick, report);
        BuildOutputReport(tick, out);
    }
};

// Nothing held, the wheel at rest: the usual tick.
void BM_TickIdle(benchmark::State& state) {
    TrivialHost rig;
    const std::uint8_t report[kInputReportSize] = {};
    std::uint8_t out[kOutputReportSize] = {};
    for (auto _ : state) {
        rig.module.counters.Update();
        rig.Tick(report, out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_TickIdle);

// Keys pressed and let go, mode and axis changes, the wheel turning.
void BM_TickBusy(benchmark::State& state) {
    TrivialHost rig;
    rig.module.settings.StepSize[1] = 2;
    rig.module.settings.ScreenSel[1] = 3;
    static constexpr std::uint8_t kKeys[][2] = {
        {0x00, 0x01}, {0x00, 0x00}, {0x08, 0x00}, {0x00, 0x00}, {0x09, 0x00}, {0x01, 0x00},
        {0x00, 0x02}, {0x00, 0x00}, {0x20, 0x00}, {0x00, 0x00}, {0x04, 0x00}, {0x00, 0x00},
    };
    std::uint8_t report[kInputReportSize] = {};
    std::uint8_t out[kOutputReportSize] = {};
    unsigned n = 0;
    for (auto _ : state) {
        const auto& keys = kKeys[n % (sizeof kKeys / sizeof kKeys[0])];
        report[1] = static_cast<std::uint8_t>(report[1] + n % 3);
        report[3] = keys[0];
        report[4] = keys[1];
        for (int u = 0; u < 3; ++u) rig.module.counters.Update();
        rig.Tick(report, out);
        benchmark::DoNotOptimize(out);
        ++n;
    }
}
BENCHMARK(BM_TickBusy);

}  // namespace
}  // namespace k7::test
