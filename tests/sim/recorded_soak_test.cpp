// Random use through the stress harness (keys, the wheel, host changes,
// unplugs, dialogs, profile edits by the host, events from inside host
// calls), recorded by the plug-in: every recording replays green. The host's
// events stay within what a trace can say: none inside a read of the host's
// values, and no other device that looks like a pendant.
#include "tests/sim/trace_fixture.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/recorded_session.h"

namespace k7::test {
namespace {

TEST(RecordedSoak, RandomUseReplaysFromItsRecording) {
    for (std::uint64_t seed = 1; seed <= 16; ++seed) {
        TempDir dir;
        const char* keep = std::getenv("K7_KEEP_RECORDINGS");  // a folder: keep them to look at
        PosixSessionStorage storage(keep != nullptr ? keep : dir.path().string());
        {
            RandomBytes random(seed);
            HarnessOptions options;
            options.allowStop = false;
            options.sessions = &storage;
            options.traceable = true;
            PluginHarness harness(random, options);
            while (harness.counts().ticks < 3000 && harness.violation().empty())
                harness.Step(random);
            harness.Stop();
            ASSERT_EQ(harness.violation(), "") << "seed " << seed;
        }
        const auto file = NewestRecording(keep != nullptr ? keep : dir.path());
        std::ostringstream out, err;
        ASSERT_EQ(RunTrace(file.string(), false, out, err), kTracePassed)
            << "seed " << seed << ": " << err.str();
    }
}

}  // namespace
}  // namespace k7::test
