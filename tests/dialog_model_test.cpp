// The configuration dialog on in-memory controls, opened by the plug-in's Config
// on a profile held in memory: what it shows, how OK scans and applies the
// edits, and what Escape leaves.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "plugin/plugin.h"
#include "settings/option_lists.h"
#include "settings/settings_io.h"
#include "sim/memory_dialog.h"
#include "tests/support/memory_dom.h"
#include "ui/dialog_template.h"

namespace k7::test {
namespace {

constexpr const char* kProfile = "C:\\Mach3\\Mach3Mill.xml";

std::string WithSection(const std::string& keys) {
    return "<profile><Ravlen_K7_Pendant>" + keys + "</Ravlen_K7_Pendant></profile>";
}

class DialogModelTest : public ::testing::Test {
  protected:
    // Loads the profile as the host's start-up does, then runs Config with the
    // script as the user.
    void Configure(const std::string& profile, MemoryDialog::Script script) {
        dom.SetFile(kProfile, profile);
        plugin.SetProName(HostStringCreate(kProfile));
        plugin.PostInitControl();
        dialog.SetScript(std::move(script));
        plugin.Config();
    }
    void Configure(MemoryDialog::Script script) {
        Configure("<profile></profile>", std::move(script));
    }
    const PendantSettings& settings() { return plugin.state().settings; }
    std::string File() { return dom.File(kProfile).value_or("(no file)"); }
    // The value Config wrote for a key.
    std::string Written(const std::string& key) {
        const std::string file = File();
        const std::string open = "<" + key + ">";
        const auto at = file.find(open);
        if (at == std::string::npos) return "(absent)";
        const auto end = file.find("</" + key + ">", at);
        return file.substr(at + open.size(), end - at - open.size());
    }

    MemoryDom dom;
    MemoryDialog dialog;
    std::vector<std::string> messages;
    Platform platform{nullptr, nullptr, &dom, &dialog, "K7"};
    Plugin plugin{platform};

    void SetUp() override {
        dialog.onMessage = [this](const char* text) { messages.emplace_back(text); };
    }
};

std::string Label(MemoryControls& c, int id) {
    const std::string* label = c.SelectedLabel(id);
    return label == nullptr ? "(no selection)" : *label;
}

TEST_F(DialogModelTest, DefaultsAreShownWhenTheProfileHasNoSettings) {
    Configure([](MemoryDialog& d) {
        MemoryControls& c = d.controls();
        EXPECT_EQ(c.focus(), kOkId);
        EXPECT_EQ(Label(c, kVelocityBox), "3");  // Config reloads Vel with 2
        EXPECT_EQ(c.Selection(kVelocityBox), 2);
        for (int box : kButtonBoxes) EXPECT_EQ(Label(c, box), " NONE");
        EXPECT_EQ(Label(c, kScreenBoxes[0]), " Screen 1 (Program Run screen) ");
        EXPECT_EQ(Label(c, kScreenBoxes[1]), " Screen 2 (MDI screen)         ");
        EXPECT_EQ(Label(c, kScreenBoxes[2]), " screen 4 (Toolpath screen)    ");
        EXPECT_EQ(c.Selection(kScreenBoxes[2]), 3);
        EXPECT_EQ(Label(c, kStepBoxes[0]), "0.0001");
        EXPECT_EQ(Label(c, kStepBoxes[1]), "NONE");
        EXPECT_EQ(Label(c, kStepBoxes[2]), "0.001");
        EXPECT_EQ(c.Text(kStepJogRateEdit), "100");
        EXPECT_EQ(c.Text(kDelayStepsEdit), "25");
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(c.Text(kMacroEdits[i]), "0");
            EXPECT_EQ(c.Text(kOemEdits[i]), "0");
        }
        for (int check : kReverseChecks) EXPECT_FALSE(c.Checked(check));
    });
}

TEST_F(DialogModelTest, StoredValuesAreShownAsSignedDecimalAndMarks) {
    Configure(WithSection("<Macro3>-32768</Macro3><OEM2>1021</OEM2><StepJogRate>-5</StepJogRate>"
                          "<DelaySteps>2147483647</DelaySteps><Yreverse>7</Yreverse>"
                          "<Vel>9</Vel><StepSize3>4</StepSize3><BUTTON2>69</BUTTON2>"),
              [](MemoryDialog& d) {
                  MemoryControls& c = d.controls();
                  EXPECT_EQ(c.Text(kMacroEdits[2]), "-32768");
                  EXPECT_EQ(c.Text(kOemEdits[1]), "1021");
                  EXPECT_EQ(c.Text(kStepJogRateEdit), "-5");
                  EXPECT_EQ(c.Text(kDelayStepsEdit), "2147483647");
                  EXPECT_FALSE(c.Checked(kReverseChecks[0]));
                  EXPECT_TRUE(c.Checked(kReverseChecks[1]));
                  EXPECT_EQ(Label(c, kVelocityBox), "10");
                  EXPECT_EQ(Label(c, kStepBoxes[2]), "0.1");
                  EXPECT_EQ(Label(c, kButtonBoxes[2]), " Goto Safe Z                     ");
              });
}

TEST_F(DialogModelTest, EachBoxHoldsEveryLabelOfItsListInOrder) {
    Configure([](MemoryDialog& d) {
        MemoryControls& c = d.controls();
        const struct {
            int box;
            std::span<const char* const> list;
            std::size_t count;
        } boxes[] = {
            {kVelocityBox, VelocityList, 10},  {kButtonBoxes[0], ButtonList, 70},
            {kButtonBoxes[1], ButtonList, 70}, {kButtonBoxes[2], ButtonList, 70},
            {kScreenBoxes[0], ScreenList, 7},  {kScreenBoxes[1], ScreenList, 7},
            {kScreenBoxes[2], ScreenList, 7},  {kStepBoxes[0], StepSizeList, 5},
            {kStepBoxes[1], StepSizeList, 5},  {kStepBoxes[2], StepSizeList, 5},
        };
        for (const auto& b : boxes) {
            const std::vector<std::string>& items = c.Items(b.box);
            ASSERT_EQ(items.size(), b.count) << b.box;
            for (std::size_t i = 0; i < items.size(); ++i)
                EXPECT_EQ(items[i], EntryLabel(b.list[i])) << b.box << " item " << i;
        }
        // Blanks and tabs kept: a separator, and ZeroAll with its tabs.
        EXPECT_EQ(c.Items(kButtonBoxes[0])[1], " ------------------------------ ");
        EXPECT_EQ(c.Items(kButtonBoxes[0])[54], " ZeroAll\t\t\t       ");
        EXPECT_EQ(c.Items(kVelocityBox)[0], "1");
        c.Select(kButtonBoxes[0], 21);  // a separator is stored like any item
        EXPECT_TRUE(d.PressOk());
    });
    EXPECT_EQ(settings().BUTTON[0], 21);
}

TEST_F(DialogModelTest, TextAfterTheDigitsIsIgnored) {
    Configure([](MemoryDialog& d) {
        MemoryControls& c = d.controls();
        c.SetText(kStepJogRateEdit, "12abc");
        c.SetText(kDelayStepsEdit, "  -3 steps");
        c.SetText(kOemEdits[0], "+815");
        c.SetText(kMacroEdits[3], "\t7.9");
        EXPECT_TRUE(d.PressOk());
    });
    EXPECT_EQ(settings().StepJogRate, 12);
    EXPECT_EQ(settings().DelaySteps, -3);
    EXPECT_EQ(settings().OEM[0], 815);
    EXPECT_EQ(settings().Macro[3], 7);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Written("StepJogRate"), "12");
}

TEST_F(DialogModelTest, AnEditWithoutAnIntegerRefusesOkAndChangesNothing) {
    Configure([this](MemoryDialog& d) {
        MemoryControls& c = d.controls();
        c.SetText(kMacroEdits[0], "5");  // scanned before the refused edit
        c.SetChecked(kReverseChecks[2], true);
        c.Select(kVelocityBox, 7);
        c.SetText(kStepJogRateEdit, "abc");
        EXPECT_FALSE(d.PressOk());
        EXPECT_TRUE(d.open());
        EXPECT_EQ(messages, std::vector<std::string>{"Please enter an integer."});
        EXPECT_EQ(c.focus(), kStepJogRateEdit);
        EXPECT_EQ(c.SelectedText(), "abc");
        EXPECT_EQ(settings().Macro[0], 0);
        EXPECT_FALSE(settings().Zreverse);
        EXPECT_EQ(settings().Vel, 2);
        EXPECT_EQ(settings().StepJogRate, 100);
    });  // left open: Escape
    EXPECT_EQ(settings().Macro[0], 0);
    EXPECT_EQ(settings().StepJogRate, 100);
    EXPECT_EQ(Written("Macro1"), "0");
}

TEST_F(DialogModelTest, OnlyTheFirstRefusedEditInTransferOrderIsReported) {
    const struct {
        std::vector<int> bad;
        int reported;
    } cases[] = {
        {{kMacroEdits[3], kMacroEdits[0]}, kMacroEdits[0]},
        {{kOemEdits[2], kDelayStepsEdit}, kDelayStepsEdit},  // DelaySteps comes before OEM3
        {{kMacroEdits[2], kOemEdits[3]}, kOemEdits[3]},      // OEM4 before Macro3
        {{kStepJogRateEdit, kOemEdits[1]}, kOemEdits[1]},
    };
    for (const auto& c : cases) {
        MemoryDom freshDom;
        MemoryDialog fresh([&](MemoryDialog& d) {
            for (int id : c.bad) d.controls().SetText(id, "");
            EXPECT_FALSE(d.PressOk());
            EXPECT_EQ(d.controls().focus(), c.reported);
            // After a fix the next refused edit is reported.
            d.controls().SetText(c.reported, "1");
            EXPECT_FALSE(d.PressOk());
            EXPECT_NE(d.controls().focus(), c.reported);
        });
        std::vector<std::string> shown;
        fresh.onMessage = [&](const char* text) { shown.emplace_back(text); };
        Platform p{nullptr, nullptr, &freshDom, &fresh, "K7"};
        Plugin freshPlugin(p);
        freshPlugin.Config();
        EXPECT_EQ(shown.size(), 2u);
    }
}

TEST_F(DialogModelTest, OnlyTheFirst63CharactersAreScanned) {
    Configure([](MemoryDialog& d) {
        d.controls().SetText(kOemEdits[2], std::string(62, ' ') + "45");
        d.controls().SetText(kOemEdits[3], std::string(63, ' ') + "5");
        EXPECT_FALSE(d.PressOk());
        EXPECT_EQ(d.controls().focus(), kOemEdits[3]);
        d.controls().SetText(kOemEdits[3], "6");
        EXPECT_TRUE(d.PressOk());
    });
    EXPECT_EQ(settings().OEM[2], 4);
    EXPECT_EQ(settings().OEM[3], 6);
}

TEST_F(DialogModelTest, NumbersTooLargeKeepTheirLowBits) {
    Configure([](MemoryDialog& d) {
        d.controls().SetText(kMacroEdits[1], "40000");
        d.controls().SetText(kOemEdits[3], "-70000");
        d.controls().SetText(kStepJogRateEdit, "4294967297");
        d.controls().SetText(kDelayStepsEdit, "2147483648");
        EXPECT_TRUE(d.PressOk());
    });
    EXPECT_EQ(settings().Macro[1], -25536);
    EXPECT_EQ(settings().OEM[3], -4464);
    EXPECT_EQ(settings().StepJogRate, 1);
    EXPECT_EQ(settings().DelaySteps, INT32_MIN);
    EXPECT_EQ(Written("Macro2"), "-25536");
}

TEST_F(DialogModelTest, APositionOutsideItsListOpensWithoutSelectionAndOkStoresMinusOne) {
    Configure(WithSection("<BUTTON1>75</BUTTON1><ScreenSel3>-1</ScreenSel3><Vel>10</Vel>"),
              [](MemoryDialog& d) {
                  MemoryControls& c = d.controls();
                  EXPECT_EQ(c.Selection(kButtonBoxes[1]), -1);
                  EXPECT_EQ(c.Items(kButtonBoxes[1]).size(), 70u);
                  EXPECT_EQ(c.Selection(kScreenBoxes[2]), -1);
                  EXPECT_EQ(c.Selection(kVelocityBox), -1);
                  EXPECT_EQ(Label(c, kButtonBoxes[0]), " NONE");
                  EXPECT_TRUE(d.PressOk());
              });
    EXPECT_EQ(settings().BUTTON[1], -1);
    EXPECT_EQ(settings().ScreenSel[2], -1);
    EXPECT_EQ(settings().Vel, -1);
    EXPECT_EQ(Written("BUTTON1"), "-1");
}

TEST_F(DialogModelTest, EscapeAfterChangesLeavesTheReloadedSettingsAndWritesTheKeys) {
    Configure(WithSection("<OEM1>3</OEM1>"), [this](MemoryDialog& d) {
        MemoryControls& c = d.controls();
        c.SetText(kOemEdits[0], "4");
        c.SetText(kDelayStepsEdit, "99");
        c.Select(kStepBoxes[0], 4);
        c.SetChecked(kReverseChecks[0], true);
        c.SetChecked(kRecordSessionsCheck, true);
        d.PressEscape();
        EXPECT_FALSE(d.open());
        EXPECT_TRUE(messages.empty());
    });
    EXPECT_EQ(settings().OEM[0], 3);
    EXPECT_EQ(settings().DelaySteps, 25);
    EXPECT_EQ(settings().StepSize[0], 1);
    EXPECT_FALSE(settings().Xreverse);
    for (const SettingKey& key : kSettingKeys)
        EXPECT_EQ(Written(key.key) == "(absent)", key.createdOnlyWhenSet) << key.key;
    EXPECT_EQ(Written("OEM1"), "3");
    EXPECT_EQ(Written("Vel"), "2");
}

TEST_F(DialogModelTest, EnterInAnEditActsAsOk) {
    Configure([](MemoryDialog& d) {
        d.controls().SetText(kMacroEdits[0], "12");
        d.controls().SetFocus(kMacroEdits[0]);
        d.controls().SetChecked(kReverseChecks[1], true);
        EXPECT_TRUE(d.PressEnter());
        EXPECT_FALSE(d.open());
    });
    EXPECT_EQ(settings().Macro[0], 12);
    EXPECT_TRUE(settings().Yreverse);
    EXPECT_EQ(Written("Yreverse"), "1");
}

TEST_F(DialogModelTest, SettingsChangeOnlyAtOk) {
    Configure(WithSection("<Zreverse>1</Zreverse>"), [this](MemoryDialog& d) {
        MemoryControls& c = d.controls();
        c.SetChecked(kReverseChecks[2], false);
        c.SetText(kStepJogRateEdit, "250");
        c.Select(kScreenBoxes[0], 0);
        // The pendant logic ticking now still reads the reloaded values.
        EXPECT_TRUE(settings().Zreverse);
        EXPECT_EQ(settings().StepJogRate, 100);
        EXPECT_EQ(settings().ScreenSel[0], 1);
        EXPECT_TRUE(d.PressOk());
        EXPECT_FALSE(settings().Zreverse);
        EXPECT_EQ(settings().StepJogRate, 250);
        EXPECT_EQ(settings().ScreenSel[0], 0);
    });
    EXPECT_EQ(Written("Zreverse"), "0");
}

TEST_F(DialogModelTest, EverySettingHasItsOwnControlOfTheRightKind) {
    std::set<int> seen;
    PendantSettings settings;
    for (const SettingKey& key : kSettingKeys) {
        const int id = SettingControl(key.key);
        const DialogControl* control = FindDialogControl(id);
        ASSERT_NE(control, nullptr) << key.key;
        EXPECT_TRUE(seen.insert(id).second) << key.key;
        const std::string name = key.key;
        const ControlKind expected = std::holds_alternative<bool*>(key.field(settings))
                                         ? ControlKind::CheckBox
                                     : name.rfind("Macro", 0) == 0 || name.rfind("OEM", 0) == 0 ||
                                             name == "StepJogRate" || name == "DelaySteps"
                                         ? ControlKind::Edit
                                         : ControlKind::ComboBox;
        EXPECT_EQ(control->kind, expected) << key.key;
    }
    // No two controls share an id, and the OK button leads the tab order.
    std::set<int> ids;
    for (const DialogControl& control : kDialogControls) {
        if (control.id == kNoId) continue;
        EXPECT_TRUE(ids.insert(control.id).second) << control.id;
    }
    EXPECT_EQ(ids.size(), 25u);  // 24 settings and OK
    EXPECT_EQ(FirstTabStop(), kOkId);
}

}  // namespace
}  // namespace k7::test
