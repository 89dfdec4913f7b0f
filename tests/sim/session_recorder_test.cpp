// The session recorder around the plug-in on the simulated host: it changes
// nothing the host sees, a writer that stalls ends the recording where the
// ring filled, a folder that cannot be made turns it off (and the next
// recording says why), and only the newest recordings are kept.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "tests/sim/trace_fixture.h"
#include "tests/support/recorded_session.h"

namespace k7::test {
namespace {

namespace fs = std::filesystem;

// Jogs in step and velocity mode, keys, a dialog, and the pendant pulled.
std::string BusyTrace(int turns) {
    std::string text =
        "led 83 1\nhost jogIncrement 0.01\nhost axisVelocity 0 100\nstart\n"
        "pendant\ntick\n";
    for (int i = 0; i < turns; ++i) text += "turn 1\ntick\nupdate\n";
    text +=
        "pendant keys=M1\ntick\npendant keys=none speed=40\nupdate 3\ntick\nturn 2\ntick\n"
        "config\n  tick\n  set StepJogRate 80\n  ok\nend\nunplug\ntick\nplug\ntick 3\nstop\n";
    return text;
}

// Runs the text on a fresh session; what reached the host.
struct Seen {
    int status = -1;
    int calls = 0;
    std::vector<std::string> effects;
};

// atCall, when given, runs on the host's thread after the host call of that
// number.
struct AtCall {
    int call = 0;
    std::function<void()> run;
};

Seen Play(const std::string& text, SessionStorage* sessions, AtCall at = {}) {
    std::ostringstream out, err;
    Seen seen;
    Session session("t.trace", false, out);
    if (sessions != nullptr) {
        session.platform.sessions = sessions;
        session.plugin.RecordNextSession();
    }
    struct Counter {
        Seen& seen;
        AtCall& at;
    } counter{seen, at};
    session.host.onCall = [](void* context) {
        auto& c = *static_cast<Counter*>(context);
        if (++c.seen.calls == c.at.call && c.at.run) c.at.run();
    };
    session.host.callContext = &counter;
    seen.status = RunSteps("t.trace", ParseTrace(Lines(text)), session, err);
    for (const sim::Effect& effect : session.host.effects())
        seen.effects.push_back(DescribeEffect(effect));
    return seen;
}

int Replay(const fs::path& file) {
    std::ostringstream out, err;
    const int status = RunTrace(file.string(), false, out, err);
    EXPECT_EQ(status, kTracePassed) << err.str() << FileText(file);
    return status;
}

// Storage whose writer thread does not start before `open`: a writer that
// falls behind from the first record, however this machine schedules threads.
class GatedStorage final : public SessionStorage {
  public:
    explicit GatedStorage(const std::string& folder) : inner_(folder) {}
    std::atomic<bool> open{false};

    std::string Folder(std::string& why) override { return inner_.Folder(why); }
    bool MakeFolder(const std::string& f, std::string& why) override {
        return inner_.MakeFolder(f, why);
    }
    std::vector<std::string> List(const std::string& f) override { return inner_.List(f); }
    void Remove(const std::string& f, const std::string& n) override { inner_.Remove(f, n); }
    std::unique_ptr<SessionFile> Create(const std::string& f, const std::string& n,
                                        std::string& why) override {
        return inner_.Create(f, n, why);
    }
    std::string LocalTime() override { return inner_.LocalTime(); }
    void Log(const std::string& line) override { inner_.Log(line); }
    std::unique_ptr<WriterThread> StartThread(void (*run)(void*), void* context) override {
        run_ = run;
        context_ = context;
        return inner_.StartThread(&GatedStorage::Held, this);
    }

  private:
    static void Held(void* self) {
        auto* storage = static_cast<GatedStorage*>(self);
        while (!storage->open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        storage->run_(storage->context_);
    }

    void (*run_)(void*) = nullptr;
    void* context_ = nullptr;
    PosixSessionStorage inner_;
};

TEST(SessionRecorder, TheHostSeesTheSameCallsWithRecordingOnAndOff) {
    TempDir dir;
    PosixSessionStorage storage(dir.path().string());
    const Seen off = Play(BusyTrace(30), nullptr);
    const Seen on = Play(BusyTrace(30), &storage);
    EXPECT_EQ(off.status, kTracePassed);
    EXPECT_EQ(on.status, kTracePassed);
    EXPECT_EQ(on.calls, off.calls);
    EXPECT_EQ(on.effects, off.effects);
    EXPECT_GT(off.effects.size(), 60u);
    Replay(NewestRecording(dir.path()));
}

TEST(SessionRecorder, AStalledWriterEndsTheRecordingWhereTheRingFilled) {
    TempDir dir;
    GatedStorage storage(dir.path().string());
    // Far more records than the ring holds are appended before the writer
    // starts near the end of the session.
    const int calls = Play(BusyTrace(20000), nullptr).calls;
    const Seen seen =
        Play(BusyTrace(20000), &storage, {calls * 9 / 10, [&] { storage.open = true; }});
    EXPECT_EQ(seen.status, kTracePassed);
    const fs::path file = NewestRecording(dir.path());
    const std::string text = FileText(file);
    EXPECT_NE(text.find("\n# recording ended at tick "), std::string::npos) << text.substr(0, 200);
    EXPECT_EQ(text.find("\nexpect none\n"), std::string::npos);
    Replay(file);
}

TEST(SessionRecorder, AFolderThatCannotBeMadeTurnsRecordingOffAndTheNextRecordingSaysWhy) {
    TempDir dir;
    std::ofstream(dir.path() / "file") << "in the way";
    PosixSessionStorage blocked((dir.path() / "file" / "sessions").string());
    testing::internal::CaptureStderr();
    const Seen seen = Play(BusyTrace(3), &blocked);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen.status, kTracePassed);
    EXPECT_NE(log.find("k7pendant: session recording is off for this session: cannot make"),
              std::string::npos)
        << log;

    PosixSessionStorage storage((dir.path() / "sessions").string());
    Play(BusyTrace(3), &storage);
    const std::string text = FileText(NewestRecording(dir.path() / "sessions"));
    EXPECT_NE(text.find("# the session before: session recording is off for this session: "
                        "cannot make "),
              std::string::npos);
}

TEST(SessionRecorder, OnlyTheNewestTenRecordingsAreKept) {
    TempDir dir;
    for (int i = 10; i < 22; ++i)
        std::ofstream(dir.path() / ("K7-20260101-0000" + std::to_string(i) + ".trace")) << "#\n";
    std::ofstream(dir.path() / "notes.txt") << "mine";
    PosixSessionStorage storage(dir.path().string());
    Play(BusyTrace(1), &storage);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 11u);
    EXPECT_EQ(names.front(), "K7-20260101-000013.trace");  // 10, 11 and 12 went
    EXPECT_EQ(names.back(), "notes.txt");
}

}  // namespace
}  // namespace k7::test
