#include "ui/dialog_template.h"

namespace k7 {
namespace {

using K = ControlKind;

constexpr DialogControl kControls[] = {
    {kOkId, K::PushButton, 458, 235, 55, 16, "OK"},
    {kNoId, K::Image, 53, 188, 21, 13, "", 4039},
    {kNoId, K::Image, 53, 167, 21, 13, "", 4038},
    {kNoId, K::Label, 121, 96, 143, 8, "Velocity Change Sensitivity in V Mode."},
    {kNoId, K::Label, 243, 167, 80, 8, "Custom OEM Button #1"},
    {kNoId, K::Label, 368, 167, 77, 8, "Custom Macro #1"},
    {kNoId, K::Label, 81, 18, 92, 8, "K7 Pendant Configuration"},
    {kNoId, K::Label, 243, 182, 79, 8, "Custom OEM Button #2"},
    {kNoId, K::Label, 368, 182, 58, 8, "Custom Macro #2"},
    {kVelocityBox, K::ComboBox, 85, 94, 26, 120, ""},
    {kButtonBoxes[0], K::ComboBox, 77, 167, 150, 200, ""},
    {kButtonBoxes[1], K::ComboBox, 77, 188, 150, 202, ""},
    {kOemEdits[0], K::Edit, 329, 166, 30, 12, "", 0, true},
    {kOemEdits[1], K::Edit, 329, 181, 30, 12, "", 0, true},
    {kMacroEdits[0], K::Edit, 436, 166, 30, 12, "", 0, true},
    {kMacroEdits[1], K::Edit, 436, 181, 30, 12, "", 0, true},
    {kNoId, K::Label, 83, 72, 266, 10,
     "  Step Jogging Feed Rate. Set 0 to Use Feed Rate Currently in the System."},
    {kNoId, K::GroupFrame, 44, 155, 469, 75, ""},
    {kNoId, K::Label, 115, 124, 236, 11,
     "Steps to Delay the Start of Axis Movement in C Mode.  0 to 100."},
    {kNoId, K::Label, 52, 18, 23, 8, "Ravlen"},
    {kReverseChecks[0], K::CheckBox, 381, 115, 79, 10, "Reverse X axis MPG"},
    {kReverseChecks[1], K::CheckBox, 381, 127, 79, 10, "Reverse Y axis MPG"},
    {kReverseChecks[2], K::CheckBox, 381, 139, 79, 10, "Reverse Z axis MPG"},
    {kDelayStepsEdit, K::Edit, 83, 122, 25, 14, ""},
    {kNoId, K::GroupFrame, 44, 34, 314, 119, ""},
    {kStepJogRateEdit, K::Edit, 53, 70, 25, 14, ""},
    {kNoId, K::Label, 377, 42, 122, 8, "Screen Selection. Select NONE to Skip"},
    {kScreenBoxes[0], K::ComboBox, 379, 55, 120, 83, ""},
    {kScreenBoxes[1], K::ComboBox, 379, 71, 120, 85, ""},
    {kScreenBoxes[2], K::ComboBox, 379, 88, 120, 84, ""},
    {kNoId, K::GroupFrame, 366, 33, 146, 74, ""},
    {kButtonBoxes[2], K::ComboBox, 77, 209, 150, 201, ""},
    {kNoId, K::Label, 243, 197, 79, 8, "Custom OEM Button #3"},
    {kNoId, K::Label, 243, 212, 79, 8, "Custom OEM Button #4"},
    {kOemEdits[2], K::Edit, 329, 196, 30, 12, "", 0, true},
    {kOemEdits[3], K::Edit, 329, 211, 30, 12, "", 0, true},
    {kNoId, K::Label, 368, 197, 65, 8, "Custom Macro #3"},
    {kNoId, K::Label, 368, 212, 64, 8, "Custom Macro #4"},
    {kMacroEdits[2], K::Edit, 436, 196, 30, 12, "", 0, true},
    {kMacroEdits[3], K::Edit, 436, 211, 30, 12, "", 0, true},
    {kNoId, K::GroupFrame, 365, 108, 147, 44, ""},
    {kNoId, K::Image, 53, 209, 21, 13, "", 4040},
    {kNoId, K::Image, 53, 44, 21, 19, "", 4021},   // S over a dashed line: step mode
    {kNoId, K::Image, 53, 89, 21, 19, "", 4022},   // V over a wave: velocity mode
    {kNoId, K::Image, 53, 119, 21, 19, "", 4025},  // C over a solid bar: continuous mode
    {kStepBoxes[0], K::ComboBox, 90, 47, 48, 130, ""},
    {kStepBoxes[1], K::ComboBox, 145, 47, 48, 81, ""},
    {kStepBoxes[2], K::ComboBox, 202, 47, 48, 84, ""},
    {kNoId, K::Label, 257, 49, 64, 8, "Select NONE to Skip"},
    // The vendor's notice and address in the top row, beside the title.
    {kNoId, K::Label, 183, 18, 84, 8, "Tarnwick Ver 1.0"},
    {kNoId, K::Label, 267, 18, 71, 8, "K7 USB pendant"},
    // Under the frames, level with OK; last in tab order, so Tab goes on to OK.
    {kRecordSessionsCheck, K::CheckBox, 44, 238, 124, 10, "Record sessions for diagnosis"},
};

// Edits and check boxes in the order OK reads them (the first edit without an
// integer is the one reported), then the combo boxes in the order opening
// fills them.
constexpr SettingControlEntry kControlMap[] = {
    {"Macro1", kMacroEdits[0]},      {"Macro2", kMacroEdits[1]},
    {"OEM1", kOemEdits[0]},          {"OEM2", kOemEdits[1]},
    {"DelaySteps", kDelayStepsEdit}, {"StepJogRate", kStepJogRateEdit},
    {"Xreverse", kReverseChecks[0]}, {"Yreverse", kReverseChecks[1]},
    {"Zreverse", kReverseChecks[2]}, {"OEM3", kOemEdits[2]},
    {"OEM4", kOemEdits[3]},          {"Macro3", kMacroEdits[2]},
    {"Macro4", kMacroEdits[3]},      {"RecordSessions", kRecordSessionsCheck},
    {"Vel", kVelocityBox},           {"BUTTON0", kButtonBoxes[0]},
    {"BUTTON1", kButtonBoxes[1]},    {"BUTTON2", kButtonBoxes[2]},
    {"ScreenSel1", kScreenBoxes[0]}, {"ScreenSel2", kScreenBoxes[1]},
    {"ScreenSel3", kScreenBoxes[2]}, {"StepSize1", kStepBoxes[0]},
    {"StepSize2", kStepBoxes[1]},    {"StepSize3", kStepBoxes[2]},
};

}  // namespace

const std::span<const DialogControl> kDialogControls{kControls};
const std::span<const SettingControlEntry> kSettingControls{kControlMap};

const DialogControl* FindDialogControl(int id) {
    if (id == kNoId) return nullptr;
    for (const DialogControl& control : kControls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

int FirstTabStop() {
    for (const DialogControl& control : kControls) {
        if (control.id != kNoId) return control.id;  // statics take no focus
    }
    return kNoId;
}

int SettingControl(std::string_view key) {
    for (const SettingControlEntry& entry : kControlMap) {
        if (entry.key == key) return entry.control;
    }
    return kNoId;
}

ControlKind SettingControlKind(std::string_view key) {
    const DialogControl* control = FindDialogControl(SettingControl(key));
    return control == nullptr ? ControlKind::Label : control->kind;
}

}  // namespace k7
