// The configuration dialog's controls as the dialog model sees them, whatever
// draws them: Win32 controls of the template, or controls held in memory. Every
// call names a control by its id in the template.
#pragma once

#include <string>
#include <string_view>

namespace k7 {

class DialogControls {
  public:
    virtual ~DialogControls() = default;

    // Edits.
    virtual void SetText(int id, std::string_view text) = 0;
    virtual std::string Text(int id) const = 0;
    // Moves the focus to an edit with its whole text selected.
    virtual void FocusEdit(int id) = 0;

    // Combo boxes: the list, and the selected position (-1: no selection).
    virtual void ClearItems(int id) = 0;
    virtual void AddItem(int id, std::string_view label) = 0;
    // A position outside the list leaves the box without a selection.
    virtual void Select(int id, int position) = 0;
    virtual int Selection(int id) const = 0;

    // Check boxes.
    virtual void SetChecked(int id, bool checked) = 0;
    virtual bool Checked(int id) const = 0;

    // A modal message box with an exclamation icon and an OK button.
    virtual void ShowMessage(const char* text) = 0;
};

}  // namespace k7
