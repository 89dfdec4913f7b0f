// The configuration dialog `propertiesdlg`: opening fills the controls from
// PendantSettings; OK validates the ten edits and applies all 24 settings in one
// step; Escape changes nothing. The platform supplies the controls and routes
// the dialog's events here. Which control shows which setting is the dialog's
// control map; how each value is held is the setting table's.
#pragma once

#include "settings/pendant_settings.h"
#include "ui/dialog_controls.h"

namespace k7 {

inline constexpr const char* kEnterIntegerMessage = "Please enter an integer.";

class propertiesdlg {
  public:
    propertiesdlg(PendantSettings& settings, DialogControls& controls)
        : settings_(settings), controls_(controls) {}

    // Opening: members from the settings, combo boxes filled and selected, the
    // members shown. Returns true: the platform gives the focus to the first
    // control in tab order, the OK button.
    bool OnInitDialog();

    // OK, by button 1 or by Enter. Returns true when all 24 settings were
    // applied and the dialog may close; false when an edit held no integer (the
    // message was shown, the focus moved to that edit, nothing changed).
    bool OnOK();

    // Escape: closes without changing anything.
    void OnCancel() {}

  private:
    void FillComboBoxes();
    void ShowMembers();
    bool TransferFromControls(PendantSettings& into);
    void Apply();

    PendantSettings& settings_;
    DialogControls& controls_;
    // The edits' and check boxes' values between transfers, held as the
    // settings hold them (16-bit edits keep the low 16 bits of what was typed).
    PendantSettings members_;
};

}  // namespace k7
