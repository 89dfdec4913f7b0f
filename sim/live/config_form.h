// The configuration dialog on a terminal: the controls of the dialog model
// (the same fields, lists and validation as the Windows dialog) laid out as
// rows of text, moved through and edited with the keyboard.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/live/keys.h"
#include "sim/memory_controls.h"

namespace k7::sim::live {

class ConfigForm {
  public:
    enum class Outcome { None, Ok, Escape };

    // The controls of the open dialog; the focus starts where the dialog has it.
    explicit ConfigForm(MemoryControls& controls);

    // One key from the user. Ok and Escape ask the caller to press the dialog's
    // button; everything else edits the controls.
    Outcome HandleKey(const Key& key);

    // A message box over the form (the dialog's "Please enter an integer.");
    // the next Enter, Space or Escape closes it.
    void ShowMessage(std::string text) { message_ = std::move(text); }
    bool messageShown() const { return !message_.empty(); }
    // After a refused OK the dialog moved the focus to the failing edit.
    void FollowFocus();

    // The form as lines of text; `styled` marks the focus in reverse video.
    std::vector<std::string> Render(bool styled) const;

    // Every control the form shows, in the order the cursor moves through them.
    static std::vector<int> Controls();

  private:
    void Move(int step);
    void EditKey(int control, const Key& key);
    void ComboKey(int control, const Key& key);
    std::string Cell(int index, bool styled) const;

    MemoryControls& controls_;
    std::vector<int> order_;
    std::size_t focus_ = 0;
    bool replaceText_ = false;  // the focused edit's text is selected: typing replaces it
    std::string message_;
};

}  // namespace k7::sim::live
