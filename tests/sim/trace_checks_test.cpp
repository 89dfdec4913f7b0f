// The checks hold exactly when they should, and a failing one names what it
// expected and what it got.
#include <cstdio>
#include <filesystem>

#include "host/host.h"
#include "tests/sim/trace_fixture.h"

namespace k7::test {
using namespace sim;
using namespace sim::trace;
namespace {

// Effects recorded as the plug-in would record them, through the host's callbacks.
void RecordEffects(SimHost& host) {
    const HostCallbacks c = host.Callbacks();
    c.doButton(334);
    c.setDro(821, 0.03);
    c.code("G91G1 F100 X 0.0300");
    c.messageHook(" Jog OFF. ");
    host.RecordMsgBox("Please enter an integer.");
}

TEST_F(TraceRun, EffectChecksTakeTheEffectsInOrder) {
    RecordEffects(session.host);
    EXPECT_EQ(Run("expect button 334\n"
                  "expect dro 821 0.0300000000000001\n"  // within 1e-9 relative
                  "expect code \"G91G1 F100 X 0.0300\"\n"
                  "expect message \" Jog OFF. \"\n"
                  "expect msgbox \"Please enter an integer.\"\n"
                  "expect none\n"),
              kTracePassed)
        << error;
}

TEST_F(TraceRun, AFailingEffectCheckNamesExpectedAndGot) {
    RecordEffects(session.host);
    EXPECT_EQ(Run("expect button 335"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected button 335, got button 334");
    EXPECT_EQ(Run("skip\nexpect code G90"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:2: expected code \"G90\", got nothing");
}

TEST_F(TraceRun, EffectMismatchesOfEveryKindFail) {
    const struct {
        std::size_t checked;  // effects checked off before the check
        const char* check;
        const char* message;
    } cases[] = {
        {1, "expect dro 821 0.0301", "expected dro 821 0.0301, got dro 821 0.03"},
        {1, "expect dro 822 0.03", "expected dro 822 0.03, got dro 821 0.03"},
        {1, "expect button 821", "expected button 821, got dro 821 0.03"},
        {2, "expect code \"G91G1 F100 X 0.03\"",
         "expected code \"G91G1 F100 X 0.03\", got code \"G91G1 F100 X 0.0300\""},
        {2, "expect message \"G91G1 F100 X 0.0300\"",
         "expected message \"G91G1 F100 X 0.0300\", got code \"G91G1 F100 X 0.0300\""},
        {3, "expect message \"Jog OFF.\"",
         "expected message \"Jog OFF.\", got message \" Jog OFF. \""},
        {4, "expect msgbox x", "expected msgbox \"x\", got msgbox \"Please enter an integer.\""},
        {0, "expect none", "expected none, got button 334"},
    };
    for (const auto& c : cases) {
        Session fresh("t.trace", false, out);
        RecordEffects(fresh.host);
        fresh.checkedEffects = c.checked;
        std::ostringstream err;
        EXPECT_EQ(RunSteps("t.trace", ParseTrace(Lines(c.check)), fresh, err), kCheckFailed)
            << c.check;
        EXPECT_EQ(Chomp(err.str()), std::string("t.trace:1: ") + c.message);
    }
}

TEST_F(TraceRun, SkipChecksOffEverythingSoFar) {
    RecordEffects(session.host);
    EXPECT_EQ(Run("skip\nexpect none"), kTracePassed) << error;
    session.host.Callbacks().doButton(7);
    EXPECT_EQ(Run("expect button 7\nexpect none"), kTracePassed) << error;
}

TEST_F(TraceRun, OutComparesTheLastWrittenReport) {
    EXPECT_EQ(Run("nodevice\nstart\ntick\nexpect out 00 00 00 00 00"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:4: expected out 00 00 00 00 00, got nothing");
}

TEST_F(TraceRun, OutHoldsForTheReportWrittenLast) {
    ASSERT_EQ(Run("start\ntick 3"), kTracePassed) << error;
    const std::vector<std::uint8_t> last = session.hid.lastWritten();
    ASSERT_EQ(last.size(), 5u);
    char line[64];
    std::snprintf(line, sizeof line, "expect out %02X %02x %02x %02x %02x", last[0], last[1],
                  last[2], last[3], last[4]);
    EXPECT_EQ(Run(line), kTracePassed) << error;
    std::snprintf(line, sizeof line, "expect out %02x %02x %02x %02x %02x", last[0], last[1],
                  last[2], last[3], last[4] ^ 0x80);
    EXPECT_EQ(Run(line), kCheckFailed);
    char got[32];
    std::snprintf(got, sizeof got, "out %02x %02x %02x %02x %02x", last[0], last[1], last[2],
                  last[3], last[4]);
    EXPECT_EQ(error, std::string("t.trace:1: expected ") + (line + 7) + ", got " + got);
}

TEST_F(TraceRun, WrittenCountsSinceThePreviousWrittenCheck) {
    EXPECT_EQ(Run("expect written 0\nstart\ntick 3\nexpect written 3\ntick\nexpect written 1\n"
                  "expect written 0"),
              kTracePassed)
        << error;
    EXPECT_EQ(Run("tick 2\nexpect written 1"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:2: expected written 1, got written 2");
}

TEST_F(TraceRun, HostDroComparesWithinOneBillionth) {
    EXPECT_EQ(Run("dro 800 12.5\nexpect hostdro 800 12.50000000001\nexpect hostdro 801 0"),
              kTracePassed)
        << error;
    EXPECT_EQ(Run("expect hostdro 800 12.5001"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected hostdro 800 12.5001, got hostdro 800 12.5");
}

TEST_F(TraceRun, JogChecksTheEngineRecordOfTheAxis) {
    HostBlocks blocks = session.host.Blocks();
    HostCallbacks none;
    const Host host(none, blocks);
    host.SetJogVelocity(1, 1500);
    host.SetJogMaxVelocity(1, 2000);
    host.SetJogSecondParam(1, 7);
    host.SetJogStart(1, 1);
    host.SetJogDirection(1, -1);
    EXPECT_EQ(Run("expect jog 1 velocity=1500 max=2000 second=7 stop=0 start=1 direction=-1\n"
                  "expect jog Y start=1\n"
                  "expect jog 0 velocity=0 start=0"),
              kTracePassed)
        << error;
    EXPECT_EQ(Run("expect jog 1 start=1 stop=1 velocity=1500"), kCheckFailed);
    EXPECT_EQ(error,
              "t.trace:1: expected jog 1 start=1 stop=1 velocity=1500, got jog 1 start=1 stop=0 "
              "velocity=1500");
}

TEST_F(TraceRun, OpenedNamesBothHandles) {
    EXPECT_EQ(Run("expect opened none\nstart\nexpect opened sim-pendant-0"), kTracePassed) << error;
    EXPECT_EQ(Run("expect opened none"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected opened none, got opened sim-pendant-0");
    EXPECT_EQ(Run("unplug\nexpect opened sim-pendant-0"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:2: expected opened sim-pendant-0, got opened none");
}

TEST_F(TraceRun, OpenedShowsAHalfOpenLink) {
    ASSERT_EQ(Run("start\nunplug"), kTracePassed) << error;
    session.hid.FailWriteOpens(true);
    EXPECT_EQ(Run("plug\nexpect opened sim-pendant-0"), kCheckFailed);
    EXPECT_EQ(error,
              "t.trace:2: expected opened sim-pendant-0, got opened read=sim-pendant-0 write=none");
}

TEST_F(TraceRun, NameIsWhatSetProNameReturned) {
    EXPECT_EQ(Run("expect name K7"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected name K7, got nothing");
    EXPECT_EQ(Run("start\nexpect name \"K7 Pendant --Tarnwick Ver 1.0\""), kTracePassed) << error;
    EXPECT_EQ(Run("expect name K7"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected name K7, got name \"K7 Pendant --Tarnwick Ver 1.0\"");
}

const std::string kProfileBody =
    "<?xml version=\"1.0\"?>\n"
    "<profile>\n"
    "  <Other><StepJogRate>1</StepJogRate></Other>\n"
    "  <Ravlen_K7_Pendant>\n"
    "    <StepJogRate>250</StepJogRate>\n"
    "    <Macro1> 7 </Macro1>  # not a comment, \"not quoted\"\n"
    "    <Empty></Empty>\n"
    "    <Deep><Er>x y</Er></Deep>\n"
    "  </Ravlen_K7_Pendant>\n"
    "  <Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant>\n"
    "</profile>\n";
const std::string kProfile = "profile <<XML\n" + kProfileBody + "XML\n";

TEST_F(TraceRun, ProfileIsWrittenVerbatimBeforeStart) {
    ASSERT_EQ(Run(kProfile), kTracePassed) << error;
    std::ifstream file(session.profilePath, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), kProfileBody);
    EXPECT_EQ(Run("expect profile-bytes-unchanged"), kTracePassed) << error;
}

TEST_F(TraceRun, ProfileChecksReadTheFirstSectionOnDisk) {
    ASSERT_EQ(Run(kProfile), kTracePassed) << error;
    EXPECT_EQ(Run("expect profile StepJogRate 250\n"
                  "expect profile Macro1 \" 7 \"\n"
                  "expect profile Empty \"\"\n"
                  "expect profile Vel absent\n"
                  "expect profile \"absent\" absent\n"
                  "expect profile-keys StepJogRate Macro1 Empty Deep\n"
                  "expect profile-element Ravlen_K7_Pendant/Deep/Er \"x y\"\n"
                  "expect profile-element Other/StepJogRate 1\n"
                  "expect profile-element Ravlen_K7_Pendant/Vel absent\n"
                  "expect profile-element profile absent\n"),
              kTracePassed)
        << error;
    EXPECT_EQ(Run("expect profile Macro1 7"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected profile Macro1 7, got profile Macro1 \" 7 \"");
    EXPECT_EQ(Run("expect profile Vel 3"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected profile Vel 3, got profile Vel absent");
    EXPECT_EQ(Run("expect profile StepJogRate absent"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected profile StepJogRate absent, got profile StepJogRate 250");
    EXPECT_EQ(Run("expect profile-keys StepJogRate Macro1"), kCheckFailed);
    EXPECT_EQ(error,
              "t.trace:1: expected profile-keys StepJogRate Macro1, got profile-keys StepJogRate "
              "Macro1 Empty Deep");
    EXPECT_EQ(Run("expect profile-element Ravlen_K7_Pendant/Deep x"), kCheckFailed);
    EXPECT_EQ(error,
              "t.trace:1: expected profile-element Ravlen_K7_Pendant/Deep x, got "
              "profile-element Ravlen_K7_Pendant/Deep \"\"");
}

TEST_F(TraceRun, ProfileChecksWithoutAFileOrWithABrokenOne) {
    EXPECT_EQ(Run("expect profile Vel absent\nexpect profile-keys\n"
                  "expect profile-element a/b absent\nexpect profile-bytes-unchanged"),
              kTracePassed)
        << error;
    EXPECT_EQ(Run("expect profile Vel 2"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected profile Vel 2, got no profile file");
    ASSERT_EQ(Run("profile <<END\n<profile><unclosed>\nEND"), kTracePassed) << error;
    EXPECT_EQ(Run("expect profile Vel absent\nexpect profile-keys"), kTracePassed) << error;
    EXPECT_EQ(Run("expect profile-keys Vel"), kCheckFailed);
    EXPECT_EQ(
        error.rfind("t.trace:1: expected profile-keys Vel, got an unreadable profile file (", 0),
        0u)
        << error;
}

TEST_F(TraceRun, ABrokenProfileHoldsNoSectionHoweverFarItReads) {
    ASSERT_EQ(Run("profile <<END\n<profile><Ravlen_K7_Pendant><Vel>2</Vel>\nEND"), kTracePassed)
        << error;
    EXPECT_EQ(Run("expect profile Vel absent\nexpect profile-keys\n"
                  "expect profile-element Ravlen_K7_Pendant/Vel absent"),
              kTracePassed)
        << error;
}

TEST_F(TraceRun, ProfileBytesUnchangedNoticesAnyChange) {
    ASSERT_EQ(Run("profile <<END\n<profile/>\nEND"), kTracePassed) << error;
    std::ofstream(session.profilePath) << "<profile />\n";
    EXPECT_EQ(Run("expect profile-bytes-unchanged"), kCheckFailed);
    EXPECT_EQ(error,
              "t.trace:1: expected profile-bytes-unchanged, got a profile file of 12 bytes, "
              "changed from byte 8");
    std::filesystem::remove(session.profilePath);
    EXPECT_EQ(Run("expect profile-bytes-unchanged"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected profile-bytes-unchanged, got no profile file");
}

TEST_F(TraceRun, SettingReadsThePluginsSettingsInMemory) {
    session.plugin.state().settings.StepJogRate = -25;
    session.plugin.state().settings.ScreenSel[2] = 4;
    session.plugin.state().settings.Zreverse = true;
    session.plugin.state().settings.Macro[3] = 12;
    EXPECT_EQ(Run("expect setting StepJogRate -25\nexpect setting ScreenSel3 4\n"
                  "expect setting Zreverse 1\nexpect setting Xreverse 0\nexpect setting Macro4 12\n"
                  "expect setting BUTTON0 0"),
              kTracePassed)
        << error;
    EXPECT_EQ(Run("expect setting ScreenSel1 4"), kCheckFailed);
    EXPECT_EQ(error, "t.trace:1: expected setting ScreenSel1 4, got setting ScreenSel1 0");
}

TEST_F(TraceRun, SettingsComeFromTheProfileAtStart) {
    EXPECT_EQ(Run("profile <<END\n<profile><Ravlen_K7_Pendant><DelaySteps>40</DelaySteps>"
                  "</Ravlen_K7_Pendant></profile>\nEND\n"
                  "start\nexpect setting DelaySteps 40\nexpect setting StepJogRate 100"),
              kTracePassed)
        << error;
}

}  // namespace
}  // namespace k7::test
