// One simulated hour of use through the real plug-in object: 144,000 ticks of
// 25 ms with the host's Update calls between them, random keys and wheel
// turns, unplugs and replugs, configurations, profile edits and host state
// changes, every invariant of the stress harness checked after every step. The
// heap and the device handles must stay flat from the first minutes on.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/alloc_hook.h"
#include "tests/support/plugin_harness.h"

namespace k7::test {
namespace {

constexpr std::uint64_t kTicksPerHour = 3600 * 1000 / 25;

TEST(Soak, OneSimulatedHourOfUse) {
    RandomBytes random(20240525);
    HarnessOptions options;
    options.allowStop = false;
    PluginHarness harness(random, options);
    std::int64_t heapAfterWarmUp = 0;
    int mostHandles = 0;
    while (harness.counts().ticks < kTicksPerHour && harness.violation().empty()) {
        harness.Step(random);
        mostHandles = std::max(mostHandles, harness.hid().OpenHandles());
        if (heapAfterWarmUp == 0 && harness.counts().ticks >= kTicksPerHour / 10)
            heapAfterWarmUp = LiveHeapBytes();
    }
    EXPECT_EQ(harness.violation(), "");
    // Flat: nothing grows with the hour (a few blocks may change size).
    EXPECT_LE(LiveHeapBytes() - heapAfterWarmUp, 4096);
    EXPECT_LE(mostHandles, 3);

    const HarnessCounts& counts = harness.counts();
    EXPECT_GE(counts.updates, counts.ticks);
    EXPECT_GT(counts.unplugs, 100u);
    EXPECT_GT(counts.configs, 100u);
    EXPECT_GT(counts.engineJogs, 200u);
    EXPECT_GT(counts.stepLines, 200u);

    harness.Stop();
    EXPECT_EQ(harness.violation(), "");
    EXPECT_EQ(harness.hid().OpenHandles(), 0);
}

}  // namespace
}  // namespace k7::test
