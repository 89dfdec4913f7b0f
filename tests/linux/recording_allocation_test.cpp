// With the session recorder on, the tick still touches no heap on the host's
// thread: the tap only writes records into the ring made at the start, while
// the writer thread, which allocates as it formats, runs beside it.
#include <gtest/gtest.h>

#include <filesystem>

#include "plugin/pendant_window.h"
#include "record/linux/posix_session_storage.h"
#include "sim/sim_rig.h"
#include "tests/support/alloc_hook.h"

namespace k7::test {
namespace {

TEST(RecordingAllocation, RecordedTicksAllocateNothingOnTheHostsThread) {
    const auto folder = std::filesystem::temp_directory_path() / "k7-recording-allocation";
    std::filesystem::remove_all(folder);
    PosixSessionStorage storage(folder.string());
    sim::SimRig rig;
    rig.AddPendant("p");
    rig.platform.sessions = &storage;
    rig.recordSession = true;
    rig.Start();
    ASSERT_TRUE(rig.plugin->recorder().recording());
    rig.host.SetRecording(false);
    rig.host.SetLed(83, true);
    rig.host.SetJogIncrement(0.01);

    // Keys and the wheel, in step mode and then in velocity mode, with the
    // host's values changing: answers, calls, reports and output to record.
    static constexpr std::uint8_t kKeys[][2] = {{0, 1}, {0, 0}, {0, 1}, {0, 0}, {8, 0}, {0, 0}};
    auto run = [&](int ticks, AllocationFailure* counting) {
        for (int i = 0; i < ticks; ++i) {
            if (counting != nullptr) counting->Pause();
            const auto& keys = kKeys[(i / 40) % 6];
            rig.QueueReport(static_cast<std::uint8_t>(i * 3), 40, keys[0],
                            i % 40 == 0 ? keys[1] : 0);
            rig.host.SetDro(818, 500 + i % 7);
            if (counting != nullptr) counting->Resume();
            rig.windows.Tick();
            if (i % 4 == 0) rig.plugin->Update();
        }
    };
    run(300, nullptr);  // first uses
    AllocationFailure counting;
    run(2000, &counting);
    EXPECT_EQ(counting.seen(), 0u);
    rig.plugin.reset();
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace k7::test
