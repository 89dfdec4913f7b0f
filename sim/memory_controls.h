// The dialog's controls held in memory, built from the template table: what
// the simulator's scripted dialog and the tests drive. Behaves as the Win32
// controls do where the dialog model can tell: a selection outside a combo
// box's list is no selection, and the focus starts on the OK button.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/dialog_controls.h"

namespace k7 {

class MemoryControls final : public DialogControls {
  public:
    explicit MemoryControls(std::function<void(const char*)> onMessage = {});

    void SetText(int id, std::string_view text) override;
    std::string Text(int id) const override;
    void FocusEdit(int id) override;
    void ClearItems(int id) override;
    void AddItem(int id, std::string_view label) override;
    void Select(int id, int position) override;
    int Selection(int id) const override;
    void SetChecked(int id, bool checked) override;
    bool Checked(int id) const override;
    void ShowMessage(const char* text) override;

    // The user's side.
    void SetFocus(int id);
    int focus() const { return focus_; }
    // The selected part of the focused edit's text ("" when nothing is selected).
    std::string SelectedText() const;
    const std::vector<std::string>& Items(int id) const;
    // The selected item's label, or nullptr without a selection.
    const std::string* SelectedLabel(int id) const;

  private:
    struct Control {
        std::string text;
        std::vector<std::string> items;
        int selection = -1;
        bool checked = false;
        bool allSelected = false;  // the edit's whole text is selected
    };
    // Throws std::out_of_range for an id the template does not have.
    Control& At(int id);
    const Control& At(int id) const;

    std::map<int, Control> controls_;
    int focus_;
    std::function<void(const char*)> onMessage_;
};

}  // namespace k7
