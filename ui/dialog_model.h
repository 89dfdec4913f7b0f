// The configuration dialog `propertiesdlg`: opening fills the controls from
// PendantSettings; OK validates the ten edits and applies all 23 settings in one
// step; Escape changes nothing. The platform supplies the controls and routes
// the dialog's events here.
#pragma once

#include <cstdint>

#include "settings/pendant_settings.h"
#include "ui/dialog_controls.h"

namespace k7 {

inline constexpr const char* kEnterIntegerMessage = "Please enter an integer.";

// The members, as the edits and check boxes hold them between transfers.
struct DialogMembers {
    std::int16_t Macro[4] = {};  // Macro1 .. Macro4
    std::int16_t OEM[4] = {};    // OEM1 .. OEM4
    std::int32_t DelaySteps = 0;
    std::int32_t StepJogRate = 0;
    std::int32_t Xreverse = 0;  // 1: check box marked
    std::int32_t Yreverse = 0;
    std::int32_t Zreverse = 0;
};

class propertiesdlg {
  public:
    propertiesdlg(PendantSettings& settings, DialogControls& controls)
        : settings_(settings), controls_(controls) {}

    // Opening: members from the settings, combo boxes filled and selected, the
    // members shown. Returns true: the platform gives the focus to the first
    // control in tab order, the OK button.
    bool OnInitDialog();

    // OK, by button 1 or by Enter. Returns true when all 23 settings were
    // applied and the dialog may close; false when an edit held no integer (the
    // message was shown, the focus moved to that edit, nothing changed).
    bool OnOK();

    // Escape: closes without changing anything.
    void OnCancel() {}

    const DialogMembers& members() const { return members_; }

  private:
    void FillComboBoxes();
    void ShowMembers();
    bool TransferFromControls(DialogMembers& into);
    void Apply();

    PendantSettings& settings_;
    DialogControls& controls_;
    DialogMembers members_;
};

}  // namespace k7
