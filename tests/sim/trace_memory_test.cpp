// A long trace keeps its memory flat: it is read as a stream, effects are kept
// only until a check has looked at them, not at all when no check follows, and
// the virtual pendant keeps only its last output report.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/sim/trace_fixture.h"

namespace k7::test {
namespace {

std::string LongTrace(int blocks, bool checks) {
    std::string text = "led 83 1\nhost jogIncrement 0.01\nstart\npendant\ntick\n";
    for (int i = 0; i < blocks; ++i) {
        text += "turn 1\ntick\nupdate 4\n";  // a step line and "G90" each time
        if (checks && i % 100 == 99) text += "skip\n";
    }
    if (checks) text += "skip\nexpect none\n";
    return text;
}

// Runs a whole trace as k7sim does; the capacity the host's effect record grew to.
std::size_t EffectCapacity(const std::string& text, std::size_t* written = nullptr) {
    const std::vector<sim::trace::Step> steps = ParseTrace(Lines(text));
    std::ostringstream out, err;
    Session session("t.trace", false, out);
    EXPECT_EQ(RunSteps("t.trace", steps, session, err, true), kTracePassed) << err.str();
    if (written != nullptr) *written = session.hid.writtenCount();
    return session.host.effects().capacity();
}

TEST(TraceMemory, EffectsNoCheckWillSeeAreNotKept) {
    std::size_t written = 0;
    EXPECT_EQ(EffectCapacity(LongTrace(5000, false), &written),
              EffectCapacity(LongTrace(50, false)));
    EXPECT_EQ(written, 5001u);
}

TEST(TraceMemory, CheckedEffectsAreForgotten) {
    EXPECT_LE(EffectCapacity(LongTrace(5000, true)), 1024u);
}

// Runs the file as k7sim does, in a child process; the child's peak resident
// memory in KB. The child starts with the test's own memory.
long PeakOfRun(const std::filesystem::path& file) {
    const pid_t child = fork();
    if (child == 0) {
        std::ostringstream out, err;
        _exit(RunTrace(file.string(), false, out, err));
    }
    int status = -1;
    rusage usage{};
    EXPECT_EQ(wait4(child, &status, 0, &usage), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kTracePassed) << status;
    return usage.ru_maxrss;
}

TEST(TraceMemory, PeakDoesNotGrowWithTheTrace) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer holds freed memory back in its quarantine";
#endif
    const TempDir dir;
    std::ofstream(dir.path() / "short.trace") << LongTrace(20000, true);
    std::ofstream(dir.path() / "long.trace") << LongTrace(200000, true);
    const long shortPeak = PeakOfRun(dir.path() / "short.trace");
    const long longPeak = PeakOfRun(dir.path() / "long.trace");
    EXPECT_LT(longPeak - shortPeak, 2048)
        << shortPeak << " KB for 20000 ticks, " << longPeak << " KB for 200000";
}

}  // namespace
}  // namespace k7::test
