// What the session recorder costs the host's thread: a whole tick through the
// plug-in's window on the simulated host, recording off and on (the writer
// thread running beside it, as in the field), at rest and with the wheel
// turning in step mode. Then the writer's own pace: records of a turning
// session formatted into trace text.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "plugin/pendant_window.h"
#include "record/linux/posix_session_storage.h"
#include "record/record.h"
#include "record/trace_writer.h"
#include "sim/sim_rig.h"

namespace {

using namespace k7;

struct RecordedRig {
    explicit RecordedRig(bool record) {
        rig.AddPendant("p");
        if (record) {
            folder = std::filesystem::temp_directory_path() / "k7-record-bench";
            std::filesystem::remove_all(folder);
            storage.emplace(folder.string());
            rig.platform.sessions = &*storage;
            rig.recordSession = true;
        }
        rig.Start();
        rig.host.SetLed(83, true);
        rig.host.SetJogIncrement(0.001);
        rig.host.SetRecording(false);
    }
    ~RecordedRig() {
        rig.plugin.reset();
        if (!folder.empty()) std::filesystem::remove_all(folder);
    }
    std::optional<PosixSessionStorage> storage;
    std::filesystem::path folder;
    sim::SimRig rig;
};

void BM_TickAtRest(benchmark::State& state) {
    RecordedRig r(state.range(0) != 0);
    for (auto _ : state) r.rig.windows.Tick();
    state.SetLabel(state.range(0) ? "recording" : "not recording");
}
BENCHMARK(BM_TickAtRest)->Arg(0)->Arg(1);

// A step every tick: the host's answers, three calls and an output report to
// record. Ticks in bursts short enough for the ring, as a host 40 times a
// second never comes near filling it.
void BM_TickTurning(benchmark::State& state) {
    RecordedRig r(state.range(0) != 0);
    sim::InputReport report;
    for (auto _ : state) {
        report.bytes[1] = static_cast<std::uint8_t>(report.bytes[1] + 1);
        r.rig.hid.QueueReport(report);
        r.rig.windows.Tick();
        r.rig.plugin->Update();
    }
    state.SetLabel(state.range(0) ? "recording" : "not recording");
}
BENCHMARK(BM_TickTurning)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(4000)
    ->Repetitions(20)
    ->ReportAggregatesOnly(true);

// One turning tick as the tap appends it.
std::vector<Record> TurningTick(std::uint8_t wheel) {
    std::vector<Record> records;
    auto add = [&](RecordKind kind, std::int32_t code = 0, double value = 0) {
        Record r;
        r.kind = kind;
        r.code = code;
        r.setValue(0, value);
        records.push_back(r);
        return &records.back();
    };
    add(RecordKind::Tick);
    Record* report = add(RecordKind::Report);
    report->size = 8;
    report->data[1] = wheel;
    add(RecordKind::Dro, 818, 600 + wheel);
    add(RecordKind::SetDro, 821, 100);
    const std::string line = "G91G1 F100 X 0.0010";
    Record* code = add(RecordKind::Code);
    code->flags = record_flags::kMore;
    Record* text = add(RecordKind::Text);
    text->size = static_cast<std::uint8_t>(line.size());
    std::copy(line.begin(), line.end(), text->data);
    add(RecordKind::TickEnd);
    return records;
}

void BM_WriterTurning(benchmark::State& state) {
    std::vector<Record> records;
    for (int i = 0; i < 1000; ++i) {
        const std::vector<Record> tick = TurningTick(static_cast<std::uint8_t>(i));
        records.insert(records.end(), tick.begin(), tick.end());
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        TraceWriter writer({});
        for (const Record& r : records) writer.Take(r);
        bytes += writer.text().size();
        benchmark::DoNotOptimize(writer.text().data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * records.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.SetLabel("records formatted; bytes of trace text");
}
BENCHMARK(BM_WriterTurning);

}  // namespace
