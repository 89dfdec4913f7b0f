// The configuration dialog's template as data: every control with its id, kind,
// position and text, in template order (which is also the tab order), and the
// control that shows each setting. The Windows resource script holds the same
// table; the in-memory controls are built from it.
#pragma once

#include <span>
#include <string_view>

namespace k7 {

inline constexpr int kDialogTemplateId = 4013;
inline constexpr int kDialogWidth = 541;  // dialog units
inline constexpr int kDialogHeight = 257;
inline constexpr const char* kDialogFont = "MS Shell Dlg";
inline constexpr int kDialogFontPoints = 8;

inline constexpr int kNoId = -1;  // labels, frames and images
inline constexpr int kOkId = 1;

// Combo boxes.
inline constexpr int kVelocityBox = 4037;
inline constexpr int kButtonBoxes[3] = {4040, 4041, 4043};
inline constexpr int kScreenBoxes[3] = {4032, 4033, 4034};
inline constexpr int kStepBoxes[3] = {4021, 4022, 4023};
// Edits.
inline constexpr int kMacroEdits[4] = {4162, 4163, 4168, 4185};
inline constexpr int kOemEdits[4] = {4164, 4165, 4166, 4167};
inline constexpr int kDelayStepsEdit = 4181;
inline constexpr int kStepJogRateEdit = 4182;
// Check boxes.
inline constexpr int kReverseChecks[3] = {4245, 4246, 4247};
inline constexpr int kRecordSessionsCheck = 4248;

enum class ControlKind { PushButton, Image, Label, ComboBox, Edit, CheckBox, GroupFrame };

struct DialogControl {
    int id;  // kNoId for the static controls
    ControlKind kind;
    int x, y, width, height;  // a combo box's height is its dropped-down height
    const char* text;         // caption of a button, label or check box; "" otherwise
    int bitmap = 0;           // an image's bitmap resource
    bool centred = false;     // an edit's text alignment
};

// Template order.
extern const std::span<const DialogControl> kDialogControls;

// The control with this id, or null (kNoId finds nothing).
const DialogControl* FindDialogControl(int id);

// The first control in tab order: the one that has the focus when the dialog
// opens.
int FirstTabStop();

// The dialog's control map: the control that shows each setting. Edits and
// check boxes come in the order OK reads them, then the combo boxes in the
// order opening fills them.
struct SettingControlEntry {
    std::string_view key;
    int control;
};
extern const std::span<const SettingControlEntry> kSettingControls;

// The control that shows the setting of this profile key, or kNoId.
int SettingControl(std::string_view key);
// The kind of that control (Label for a key the map lacks).
ControlKind SettingControlKind(std::string_view key);

}  // namespace k7
