// The `config` block on the dialog model: what it shows, what the user's
// commands change, the pendant ticking while it is open, and where a failure
// inside it is reported.
#include "tests/sim/trace_fixture.h"

namespace k7::test {
using namespace sim::trace;
namespace {

const PendantSettings& Settings(Session& session) {
    return session.plugin.state().settings;
}

constexpr const char* kEditedAndConfirmed =
    "start\n"
    "tick\n"
    "skip\n"
    "expect written 1\n"
    "config\n"
    "  expect focus OK\n"
    "  expect Macro1 0\n"
    "  expect Vel \"3\"\n"
    "  expect Vel 2\n"
    "  expect BUTTON1 \" NONE\"\n"
    "  set StepJogRate \"x5\"\n"
    "  set ScreenSel2 6\n"
    "  set Xreverse 1\n"
    "  set OEM4 -7\n"
    "  tick 2\n"
    "  update\n"
    "  expect written 2\n"
    "  expect setting ScreenSel2 2   # nothing applied before OK\n"
    "  ok\n"
    "  expect msgbox \"Please enter an integer.\"\n"
    "  expect none\n"
    "  expect focus StepJogRate\n"
    "  expect setting Xreverse 0\n"
    "  set StepJogRate \" -40\"\n"
    "  ok\n"
    "end\n"
    "expect setting StepJogRate -40\n"
    "expect profile OEM4 -7\n";

TEST_F(TraceRun, ABlockDrivesTheDialogAndConfirmsWithOk) {
    ASSERT_EQ(Run(kEditedAndConfirmed), kTracePassed) << error;
    const PendantSettings& s = Settings(session);
    EXPECT_EQ(s.StepJogRate, -40);
    EXPECT_EQ(s.ScreenSel[1], 6);
    EXPECT_TRUE(s.Xreverse);
    EXPECT_EQ(s.OEM[3], -7);
    EXPECT_EQ(s.Vel, 2);  // reloaded with the Config default and kept
    EXPECT_EQ(s.DelaySteps, 25);
}

TEST_F(TraceRun, ABlockLeftOpenClosesAsEscape) {
    ASSERT_EQ(Run("start\n"
                  "config\n"
                  "  set DelaySteps 7\n"
                  "  set StepSize1 4\n"
                  "end\n"
                  "expect profile-keys BUTTON0 BUTTON1 BUTTON2 Vel Macro1 Macro2 Macro3 Macro4 "
                  "OEM1 OEM2 OEM3 OEM4 StepJogRate DelaySteps ScreenSel1 ScreenSel2 ScreenSel3 "
                  "StepSize1 StepSize2 StepSize3 Xreverse Yreverse Zreverse\n"
                  "expect profile DelaySteps 25\n"),
              kTracePassed)
        << error;
    EXPECT_EQ(Settings(session).DelaySteps, 25);
    EXPECT_EQ(Settings(session).StepSize[0], 1);
}

TEST_F(TraceRun, DialogChecksNameWhatTheControlShows) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"expect Vel 3", "t.trace:3: expected Vel 3, got Vel 2"},
        {"expect Vel 10", "t.trace:3: expected Vel 10, got Vel 2"},  // beyond the list
        {"expect Vel \"4\"", "t.trace:3: expected Vel \"4\", got Vel \"3\""},
        {"expect StepJogRate \"1 0\"",
         "t.trace:3: expected StepJogRate \"1 0\", got StepJogRate 100"},
        {"expect Zreverse 1", "t.trace:3: expected Zreverse 1, got Zreverse 0"},
        {"expect focus Macro4", "t.trace:3: expected focus Macro4, got focus OK"},
        {"set BUTTON2 -1\n  expect BUTTON2 \" NONE\"",
         "t.trace:4: expected BUTTON2 \" NONE\", got BUTTON2 no selection"},
        {"set OEM1 q\n  ok\n  expect focus OK", "t.trace:5: expected focus OK, got focus OEM1"},
    };
    for (const auto& c : cases) {
        Session fresh("t.trace", false, out);
        std::ostringstream err;
        const std::string trace = std::string("start\nconfig\n  ") + c.line + "\nend\n";
        EXPECT_EQ(RunSteps("t.trace", ParseTrace(Lines(trace)), fresh, err), kCheckFailed) << trace;
        EXPECT_EQ(Chomp(err.str()), c.message);
    }
}

TEST_F(TraceRun, AFailureInsideTheBlockLetsConfigFinish) {
    EXPECT_EQ(Run("start\n"
                  "config\n"
                  "  set Macro2 9\n"
                  "  expect Macro1 1\n"
                  "  ok\n"
                  "end\n"),
              kCheckFailed);
    EXPECT_EQ(error, "t.trace:4: expected Macro1 1, got Macro1 0");
    // The dialog closed as by Escape and the profile was written.
    EXPECT_EQ(Settings(session).Macro[1], 0);
    EXPECT_EQ(Run("expect profile Macro2 0\nexpect profile Vel 2\n"), kTracePassed) << error;
    EXPECT_EQ(session.platform.dialog, nullptr);
    EXPECT_EQ(session.dialog, nullptr);
}

TEST_F(TraceRun, CommandsAfterASuccessfulOkAreMalformed) {
    EXPECT_EQ(Run("start\nconfig\n  ok\n  expect none\nend\n"), kTraceMalformed);
    EXPECT_EQ(error, "t.trace:4: expect: the dialog has already closed");
    Session fresh("t.trace", false, out);
    std::ostringstream err;
    EXPECT_EQ(RunSteps("t.trace", ParseTrace(Lines("config\nend\n")), fresh, err), kTraceMalformed);
    EXPECT_EQ(Chomp(err.str()),
              "t.trace:1: config: the plug-in has not been started (no `start` before this line)");
}

TEST_F(TraceRun, LinesAfterABlockReportTheirOwnLine) {
    EXPECT_EQ(Run("start\nconfig\n  set Macro1 5\n  ok\nend\nexpect setting Macro1 6\n"),
              kCheckFailed);
    EXPECT_EQ(error, "t.trace:6: expected setting Macro1 6, got setting Macro1 5");
}

}  // namespace
}  // namespace k7::test
