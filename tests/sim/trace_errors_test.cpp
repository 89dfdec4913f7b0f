// Malformed traces stop with status 2 and the line and reason; whole files run
// in fresh worlds and stop at the first failure.
#include "tests/sim/trace_fixture.h"

namespace k7::test {
using namespace sim::trace;
namespace {

struct MalformedCase {
    const char* trace;
    const char* message;
};

// Lines wrong on their own, found before anything runs.
const MalformedCase kBadLines[] = {
    {"blink 1", "t.trace:1: unknown command blink"},
    {"\"tick\"", "t.trace:1: unknown command tick"},
    {"led 83", "t.trace:1: led: takes 2 arguments, got 1"},
    {"led 83 2", "t.trace:1: led: 2 is outside 0..1"},
    {"led 70000 1", "t.trace:1: led: 70000 is outside -32768..65535"},
    {"dro 800 abc", "t.trace:1: dro: bad number abc"},
    {"dro 800 \"1\"", "t.trace:1: dro: bad number 1"},
    {"host", "t.trace:1: host: names no host field"},
    {"host plannerbusy 1", "t.trace:1: host: unknown host field plannerbusy"},
    {"host engineInhibit 256", "t.trace:1: host engineInhibit: 256 is outside 0..255"},
    {"host jogIncrement 1e", "t.trace:1: host jogIncrement: bad number 1e"},
    {"host engineQueue 1", "t.trace:1: host engineQueue: takes 2 arguments, got 1"},
    {"host axisVelocity 6 1", "t.trace:1: host axisVelocity: 6 is outside 0..5"},
    {"host axisVelocity W 1", "t.trace:1: host axisVelocity: bad axis W (0..5 or X Y Z A B C)"},
    {"device p 4d8g b3c5", "t.trace:1: device: bad id 4d8g (one to four hex digits)"},
    {"device \"\" 04d8 b3c5", "t.trace:1: device: empty path"},
    {"arrive p 04d8", "t.trace:1: arrive: takes PATH, or PATH VID PID"},
    {"report 00 01", "t.trace:1: report: takes 8 arguments, got 2"},
    {"report 00 01 02 03 04 05 06 7", "t.trace:1: report: bad byte 7 (two hex digits)"},
    {"pendant keys=X,Q", "t.trace:1: pendant keys: unknown key Q"},
    {"pendant keys=x", "t.trace:1: pendant keys: unknown key x"},
    {"pendant wheel=256", "t.trace:1: pendant wheel: 256 is outside 0..255"},
    {"pendant wheel=1 wheel=2", "t.trace:1: pendant: wheel given twice"},
    {"pendant buttons=X", "t.trace:1: pendant: unknown field buttons (wheel, speed, keys)"},
    {"pendant X", "t.trace:1: pendant: bad field X"},
    {"turn", "t.trace:1: turn: takes 1 argument, got 0"},
    {"turn 1.5", "t.trace:1: turn: bad integer 1.5"},
    {"late tick", "t.trace:1: late: takes report, pendant or turn, not tick"},
    {"late turn x", "t.trace:1: late turn: bad integer x"},
    {"tick -1", "t.trace:1: tick: -1 is outside 0..1000000"},
    {"together 1", "t.trace:1: together: 1 is outside 2..2147483647"},
    {"together", "t.trace:1: together: takes 1 argument, got 0"},
    {"update 1 2", "t.trace:1: update: takes 0 to 1 arguments, got 2"},
    {"skip now", "t.trace:1: skip: takes 0 arguments, got 1"},
    {"expect", "t.trace:1: expect: names no check"},
    {"expect Button 1", "t.trace:1: expect: unknown check Button"},
    {"expect none 1", "t.trace:1: expect none: takes 0 arguments, got 1"},
    {"expect out 00 00 00 00", "t.trace:1: expect out: takes 5 arguments, got 4"},
    {"expect code G91G1 F100", "t.trace:1: expect code: takes 1 argument, got 2"},
    {"expect jog 0", "t.trace:1: expect jog: takes an axis and at least one FIELD=VALUE"},
    {"expect jog 0 speed=1",
     "t.trace:1: expect jog: unknown field speed (velocity, max, second, stop, start, direction)"},
    {"expect jog 0 start=256", "t.trace:1: expect jog start: 256 is outside 0..255"},
    {"expect setting Velocity 1", "t.trace:1: expect setting: unknown setting Velocity"},
    {"expect profile-element a//b 1",
     "t.trace:1: expect profile-element: empty element name in path a//b"},
    {"# fine\n\ntick \"unterminated", "t.trace:3: unterminated quote"},
    {"profile", "t.trace:1: profile: takes 1 argument, got 0"},
    {"profile <<", "t.trace:1: profile: takes <<TAG"},
    {"profile <<END\n<profile/>\nEND \n", "t.trace:1: profile: no line END ends the block"},
};

TEST_F(TraceRun, MalformedLinesStopBeforeAnythingRuns) {
    for (const MalformedCase& c : kBadLines) {
        EXPECT_EQ(Run(std::string("start\n# line 2\n") + c.trace), kTraceMalformed) << c.trace;
        // Reported at the line as it stands in the file (two lines above it).
        std::string expected = c.message;
        const std::size_t colon = expected.find(':', 8);
        const int line = std::stoi(expected.substr(8, colon - 8)) + 2;
        expected = "t.trace:" + std::to_string(line) + expected.substr(colon);
        EXPECT_EQ(error, expected) << c.trace;
        EXPECT_FALSE(session.started) << c.trace;
    }
}

// Lines wrong only where they stand: found when they run.
const MalformedCase kBadPlaces[] = {
    {"tick", "t.trace:1: tick: the plug-in has not been started (no `start` before this line)"},
    {"stop", "t.trace:1: stop: the plug-in has not been started (no `start` before this line)"},
    {"config\nend",
     "t.trace:1: config: the plug-in has not been started (no `start` before this line)"},
    {"remove p",
     "t.trace:1: remove: the plug-in has not been started (no `start` before this line)"},
    {"start\nstart", "t.trace:2: start: the plug-in was already started"},
    {"start\nstop\nstart", "t.trace:3: start: the plug-in was already started"},
    {"start\ndevice p 04d8 b3c5", "t.trace:2: device: only allowed before `start`"},
    {"start\nnodevice", "t.trace:2: nodevice: only allowed before `start`"},
    {"start\nprofile <<E\nE", "t.trace:2: profile: only allowed before `start`"},
    {"device p 04d8 b3c5\nnodevice", "t.trace:2: nodevice: contradicts the earlier `device` lines"},
    {"nodevice\ndevice p 04d8 b3c5", "t.trace:2: device: contradicts the earlier `nodevice`"},
    {"device p 04d8 b3c5\ndevice P 04d8 0001", "t.trace:2: device: P is already in the system"},
    {"nodevice\nstart\nunplug", "t.trace:3: unplug: no pendant was ever opened"},
    {"device other 04d8 0001\nstart\nplug", "t.trace:3: plug: no pendant was ever opened"},
    {"late turn 1\nturn 1",
     "t.trace:2: turn: a late report is still queued; queue nothing else until a tick has read it"},
    {"start\nlate turn 1\ntick\nreport 00 00 00 00 00 00 00 00",
     "t.trace:4: report: a late report is still queued; queue nothing else until a tick has read "
     "it"},
    {"start\nturn 1\nlate turn 1\ntick 2\nlate pendant speed=1",
     "t.trace:5: late pendant: a late report is still queued; queue nothing else until a tick has "
     "read "
     "it"},
    {"together 2\nturn 1\nlate turn 1", "t.trace:3: late turn: `late` inside a `together` group"},
    {"together 2\nturn 1\ntogether 2",
     "t.trace:3: together: `together` while the previous group is still being filled"},
};

TEST_F(TraceRun, CommandsInTheWrongStateAreMalformed) {
    for (const MalformedCase& c : kBadPlaces) {
        Session fresh("t.trace", false, out);
        std::ostringstream err;
        EXPECT_EQ(RunSteps("t.trace", ParseTrace(Lines(c.trace)), fresh, err), kTraceMalformed)
            << c.trace;
        EXPECT_EQ(Chomp(err.str()), c.message);
    }
}

TEST_F(TraceRun, MalformedConfigBlocksNameTheirLine) {
    const MalformedCase cases[] = {
        {"config\nset Vel 10\nend", "t.trace:2: set: 10 is outside -1..9"},
        {"config\nset Vel \"x\"\nend", "t.trace:2: set: bad integer x"},
        {"config\nset Xreverse 2\nend", "t.trace:2: set: 2 is outside 0..1"},
        {"config\nset Speed 1\nend", "t.trace:2: set: unknown dialog field Speed"},
        {"config\nexpect focus Vel\nend", "t.trace:2: expect: Vel is not an edit"},
        {"config\nexpect Vel x\nend", "t.trace:2: expect: bad integer x"},
        {"config\nexpect dro 1\nend", "t.trace:2: expect dro: takes 2 arguments, got 1"},
        {"config\nstart\nend", "t.trace:2: start is not allowed inside a config block"},
        {"config\nconfig\nend", "t.trace:2: config is not allowed inside a config block"},
        {"config\nescape\ntick\nend", "t.trace:3: tick: the dialog has already closed"},
        {"config\nok\n", "t.trace:1: config: no `end` closes the block"},
        {"config now\nend", "t.trace:1: config: takes 0 arguments, got 1"},
    };
    for (const MalformedCase& c : cases) {
        EXPECT_EQ(Run(c.trace), kTraceMalformed) << c.trace;
        EXPECT_EQ(error, c.message) << c.trace;
    }
}

TEST_F(TraceRun, FilesRunInFreshWorlds) {
    const int status = RunFiles({
        "profile <<END\n<profile/>\nEND\nled 83 1\nstart\ntick 2\nskip\nunplug\n",
        "expect profile-bytes-unchanged\nexpect profile Vel absent\nexpect written 0\n"
        "expect none\nexpect name absent-before-start\n",
    });
    EXPECT_EQ(status, kCheckFailed);
    // The second file failed only at its last line: no profile, no output, no
    // effects, no name carried over from the first.
    EXPECT_EQ(error, "2.trace:5: expected name absent-before-start, got nothing");
}

TEST_F(TraceRun, EachFileLoadsAFreshPlugin) {
    const std::string profile =
        "profile <<E\n<profile><Ravlen_K7_Pendant><StepJogRate>250</StepJogRate>"
        "</Ravlen_K7_Pendant></profile>\nE\n";
    // Before its start, the second file's plug-in holds the values of a library
    // just loaded, not what the first file's plug-in read.
    EXPECT_EQ(RunFiles({profile + "start\nexpect setting StepJogRate 250\n",
                        "expect setting StepJogRate 0\nstart\nexpect setting StepJogRate 100\n"}),
              kTracePassed)
        << error;
}

TEST_F(TraceRun, RunStopsAtTheFirstFileThatFails) {
    EXPECT_EQ(RunFiles({"start\nexpect written 0\n", "expect none 1\n", "blink\n"}),
              kTraceMalformed);
    EXPECT_EQ(error, "2.trace:1: expect none: takes 0 arguments, got 1");
    EXPECT_EQ(RunFiles({"start\ntick\nexpect written 2\n", "blink\n"}), kCheckFailed);
    EXPECT_EQ(error, "1.trace:3: expected written 2, got written 1");
    EXPECT_EQ(RunFiles({"start\n", "tick\n"}), kTraceMalformed);
    EXPECT_EQ(error,
              "2.trace:1: tick: the plug-in has not been started (no `start` before this line)");
    EXPECT_EQ(RunFiles({"start\n", "start\ntick\n"}), kTracePassed) << error;
    EXPECT_EQ(RunTraces({(dir.path() / "missing.trace").string()}, false, out, out),
              kTraceMalformed);
}

TEST_F(TraceRun, CrLfLinesReadLikeLfLines) {
    EXPECT_EQ(RunFiles({"profile <<END\r\n<profile/>\r\nEND\r\nstart\r\nexpect opened "
                        "sim-pendant-0\r\n"}),
              kTracePassed)
        << error;
}

TEST_F(TraceRun, VerbosePrintsEachEffectWithItsLine) {
    Session verbose("v.trace", true, out);
    verbose.line = 12;
    verbose.host.Callbacks().doButton(334);
    verbose.line = 13;
    verbose.host.Callbacks().setDro(821, 0.1);
    verbose.host.Callbacks().code("G90");
    EXPECT_EQ(out.str(),
              "v.trace:12: button 334\nv.trace:13: dro 821 0.1\nv.trace:13: code \"G90\"\n");
}

TEST_F(TraceRun, VerboseEndsWithTheTraceWhileThePluginUnloads) {
    // The engine jog still running when the trace ends is stopped as the plug-in
    // unloads (ENDJOG): after the trace, so not printed.
    ASSERT_EQ(RunFiles({"led 83 1\nhost axisVelocity 0 100\nstart\ntick\npendant keys=M1\n"
                        "tick\npendant keys=none\nupdate 2\ntick\npendant wheel=2 speed=40\n"
                        "tick\nskip\n"},
                       true),
              kTracePassed)
        << error;
    EXPECT_EQ(output, "1.trace:6: button 334\n1.trace:11: code \"DOJOG\"\n");
}

}  // namespace
}  // namespace k7::test
