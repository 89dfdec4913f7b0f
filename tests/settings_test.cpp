// Loading, configuring and saving the pendant settings through the plug-in's
// entry points, on a profile held in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/plugin.h"
#include "settings/profile_store.h"
#include "settings/settings_io.h"
#include "tests/support/memory_dom.h"
#include "tests/support/scripted_settings_dialog.h"

namespace k7::test {
namespace {

constexpr const char* kProfile = "C:\\Mach3\\Mach3Mill.xml";

std::string Section(const std::string& keys) {
    return "<Ravlen_K7_Pendant>" + keys + "</Ravlen_K7_Pendant>";
}

class SettingsTest : public ::testing::Test {
  protected:
    void Start(const std::string& profile) {
        dom.SetFile(kProfile, profile);
        plugin.SetProName(HostStringCreate(kProfile));
        plugin.PostInitControl();
    }
    const PendantSettings& settings() { return plugin.state().settings; }
    std::string File() { return dom.File(kProfile).value_or("(no file)"); }

    MemoryDom dom;
    ScriptedSettingsDialog dialog;
    Platform platform{nullptr, nullptr, &dom, &dialog, "K7"};
    Plugin plugin{platform};
};

void ExpectStartupDefaults(const PendantSettings& s) {
    EXPECT_EQ(s.BUTTON[0], 0);
    EXPECT_EQ(s.BUTTON[1], 0);
    EXPECT_EQ(s.BUTTON[2], 0);
    EXPECT_EQ(s.Vel, 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.Macro[i], 0);
        EXPECT_EQ(s.OEM[i], 0);
    }
    EXPECT_EQ(s.StepJogRate, 100);
    EXPECT_EQ(s.DelaySteps, 25);
    EXPECT_EQ(s.ScreenSel[0], 1);
    EXPECT_EQ(s.ScreenSel[1], 2);
    EXPECT_EQ(s.ScreenSel[2], 3);
    EXPECT_EQ(s.StepSize[0], 1);
    EXPECT_EQ(s.StepSize[1], 0);
    EXPECT_EQ(s.StepSize[2], 2);
    EXPECT_FALSE(s.Xreverse);
    EXPECT_FALSE(s.Yreverse);
    EXPECT_FALSE(s.Zreverse);
}

TEST_F(SettingsTest, WithoutTheSectionEveryFieldTakesItsDefaultAndTheProfileGainsNothing) {
    const std::string profile = "<profile><Preferences><Units>1</Units></Preferences></profile>";
    Start(profile);
    ExpectStartupDefaults(settings());
    EXPECT_EQ(File(), profile);
}

TEST_F(SettingsTest, FirstConfigClosedWithEscapeWritesTheKeysInOrderWithVel2) {
    Start("<profile><Preferences><Units>1</Units></Preferences></profile>");
    plugin.Config();
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].Vel, 2);
    EXPECT_EQ(settings().Vel, 2);
    EXPECT_EQ(File(),
              "<profile><Preferences><Units>1</Units></Preferences>" +
                  Section("<BUTTON0>0</BUTTON0><BUTTON1>0</BUTTON1><BUTTON2>0</BUTTON2>"
                          "<Vel>2</Vel><Macro1>0</Macro1><Macro2>0</Macro2><Macro3>0</Macro3>"
                          "<Macro4>0</Macro4><OEM1>0</OEM1><OEM2>0</OEM2><OEM3>0</OEM3>"
                          "<OEM4>0</OEM4><StepJogRate>100</StepJogRate>"
                          "<DelaySteps>25</DelaySteps><ScreenSel1>1</ScreenSel1>"
                          "<ScreenSel2>2</ScreenSel2><ScreenSel3>3</ScreenSel3>"
                          "<StepSize1>1</StepSize1><StepSize2>0</StepSize2>"
                          "<StepSize3>2</StepSize3><Xreverse>0</Xreverse>"
                          "<Yreverse>0</Yreverse><Zreverse>0</Zreverse>") +
                  "</profile>");
}

TEST_F(SettingsTest, ValuesAreNarrowedToTheirFieldsOnLoadAndWidenedOnSave) {
    Start("<profile>" +
          Section("<BUTTON0>70000</BUTTON0><BUTTON1>-1</BUTTON1><Macro1>-32769</Macro1>"
                  "<StepJogRate>0</StepJogRate><DelaySteps>70000</DelaySteps>"
                  "<Xreverse>5</Xreverse><Yreverse>-1</Yreverse><Zreverse>0</Zreverse>") +
          "</profile>");
    EXPECT_EQ(settings().BUTTON[0], 4464);  // the low 16 bits
    EXPECT_EQ(settings().BUTTON[1], -1);
    EXPECT_EQ(settings().Macro[0], 32767);
    EXPECT_EQ(settings().StepJogRate, 0);  // 0 is a value (the system's feed), not missing
    EXPECT_EQ(settings().DelaySteps, 70000);
    EXPECT_TRUE(settings().Xreverse);
    EXPECT_TRUE(settings().Yreverse);
    EXPECT_FALSE(settings().Zreverse);

    plugin.Config();
    const std::string file = File();
    for (const char* written :
         {"<BUTTON0>4464</BUTTON0>", "<BUTTON1>-1</BUTTON1>", "<Macro1>32767</Macro1>",
          "<StepJogRate>0</StepJogRate>", "<DelaySteps>70000</DelaySteps>",
          "<Xreverse>1</Xreverse>", "<Yreverse>1</Yreverse>", "<Zreverse>0</Zreverse>"}) {
        EXPECT_NE(file.find(written), std::string::npos) << written << " in " << file;
    }
}

TEST_F(SettingsTest, EmptyKeyLoadsItsDefaultDisappearsAndIsWrittenAgainByConfig) {
    Start("<profile>" + Section("<Vel>3</Vel><DelaySteps></DelaySteps><OEM1>4</OEM1>") +
          "</profile>");
    EXPECT_EQ(settings().DelaySteps, 25);
    EXPECT_EQ(settings().Vel, 3);
    EXPECT_EQ(File(), "<profile>" + Section("<Vel>3</Vel><OEM1>4</OEM1>") + "</profile>");

    plugin.Config();
    const std::string file = File();
    EXPECT_NE(file.find("<DelaySteps>25</DelaySteps>"), std::string::npos) << file;
    EXPECT_NE(file.find("<Vel>3</Vel><OEM1>4</OEM1><BUTTON0>"), std::string::npos)
        << "existing keys keep their place, new ones follow: " << file;
}

TEST_F(SettingsTest, ConfigReloadsTheProfileOverValuesInMemory) {
    Start("<profile>" + Section("<Vel>5</Vel><OEM2>817</OEM2>") + "</profile>");
    plugin.state().settings.Vel = 9;
    plugin.state().settings.OEM[1] = 1;
    plugin.state().settings.StepJogRate = 1;
    plugin.Config();
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].Vel, 5);  // present: its default 2 does not apply
    EXPECT_EQ(dialog.shown[0].OEM[1], 817);
    EXPECT_EQ(dialog.shown[0].StepJogRate, 100);
    EXPECT_EQ(settings().Vel, 5);
}

TEST_F(SettingsTest, ConfigConfirmedWithOkWritesTheEditedValues) {
    Start("<profile/>");
    dialog.okEdits = [](PendantSettings& s) {
        s.StepJogRate = 250;
        s.Macro[2] = -3;
        s.Zreverse = true;
        s.BUTTON[2] = -1;  // a list left without a selection
    };
    plugin.Config();
    EXPECT_EQ(settings().StepJogRate, 250);
    const std::string file = File();
    for (const char* written : {"<StepJogRate>250</StepJogRate>", "<Macro3>-3</Macro3>",
                                "<Zreverse>1</Zreverse>", "<BUTTON2>-1</BUTTON2>"}) {
        EXPECT_NE(file.find(written), std::string::npos) << written << " in " << file;
    }
}

// Start-up only reads; a Config writes the profile when it changed a value.
TEST_F(SettingsTest, OnlyCallsThatChangeAValueWriteTheProfile) {
    dom.SetFile(kProfile, "<profile/>");
    plugin.SetProName(HostStringCreate(kProfile));
    EXPECT_TRUE(dom.lookups.empty()) << "SetProName has no need to read the profile";
    plugin.PostInitControl();
    EXPECT_EQ(dom.saves, 0);
    plugin.Config();  // creates the 23 keys
    EXPECT_EQ(dom.saves, 1);
    const std::string written = File();
    plugin.PostInitControl();
    plugin.Config();  // Escape: every value as it was
    EXPECT_EQ(dom.saves, 1);
    dialog.okEdits = [](PendantSettings& s) { s.OEM[2] = 7; };
    plugin.Config();
    EXPECT_EQ(dom.saves, 2);
    std::string expected = written;
    expected.replace(expected.find("<OEM3>0</OEM3>"), 14, "<OEM3>7</OEM3>");
    EXPECT_EQ(File(), expected);
    EXPECT_EQ(dom.stored().size(), 1u) << "no temporary file is left behind";
}

// The dialog's message loop lets the host call Config again: that call does
// nothing, and the open dialog's values are the ones saved.
TEST_F(SettingsTest, AConfigWhileTheDialogIsOpenReturnsAtOnceAndChangesNothing) {
    Start("<profile>" + Section("<Vel>5</Vel>") + "</profile>");
    dialog.okEdits = [this](PendantSettings& s) {
        const std::string before = File();
        s.Vel = 7;
        plugin.Config();
        EXPECT_EQ(dialog.shown.size(), 1u);
        EXPECT_EQ(settings().Vel, 7);
        EXPECT_EQ(File(), before);
    };
    plugin.Config();
    EXPECT_EQ(settings().Vel, 7);
    EXPECT_NE(File().find("<Vel>7</Vel>"), std::string::npos) << File();
    dialog.okEdits = nullptr;
    plugin.Config();
    EXPECT_EQ(dialog.shown.size(), 2u) << "a Config after the dialog closed opens it again";
}

TEST_F(SettingsTest, WithoutAnXmlLibraryDefaultsAreReadAndTheDialogStillRuns) {
    Platform bare{nullptr, nullptr, nullptr, &dialog, "K7"};
    Plugin alone(bare);
    alone.SetProName(HostStringCreate(kProfile));
    alone.PostInitControl();
    ExpectStartupDefaults(alone.state().settings);
    alone.Config();
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(alone.state().settings.Vel, 2);
}

TEST(LoadSettings, RunsThePendantSearchAfterTheButtonKeysAndBeforeVel) {
    MemoryDom dom;
    dom.SetFile("p.xml", "<profile>" + Section("<BUTTON2>7</BUTTON2><Vel>4</Vel>") + "</profile>");
    ProfileStore store;
    store.Open(&dom, "p.xml");
    PendantSettings settings;
    std::vector<std::string> before;
    int searches = 0;
    LoadSettings(store, settings, [&] {
        ++searches;
        before = dom.lookups;
        EXPECT_EQ(settings.BUTTON[2], 7);
        EXPECT_EQ(settings.Vel, 0);
    });
    EXPECT_EQ(searches, 1);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.back(), "BUTTON2");
    EXPECT_EQ(dom.lookups.at(before.size()), "Vel");  // the section was found before
    EXPECT_EQ(settings.Vel, 4);
}

TEST(SettingKeys, FieldValuesFollowTheKeyTable) {
    PendantSettings settings;
    for (const SettingKey& key : kSettingKeys) SetFieldValue(settings, key, key.defaultValue);
    ExpectStartupDefaults(settings);
    const SettingKey* vel = FindSettingKey("Vel");
    ASSERT_NE(vel, nullptr);
    SetFieldValue(settings, *vel, 65535);
    EXPECT_EQ(FieldValue(settings, *vel), -1);
    EXPECT_EQ(FindSettingKey("vel"), nullptr);
}

}  // namespace
}  // namespace k7::test
