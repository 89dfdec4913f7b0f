// The configuration dialog on in-memory controls, driven by a script that plays
// the user: the simulator's `config` block and the tests. Run opens the model,
// hands the open dialog to the script, and presses Escape if the script left it
// open.
#pragma once

#include <functional>
#include <optional>

#include "sim/memory_controls.h"
#include "ui/dialog_model.h"
#include "ui/settings_dialog.h"

namespace k7 {

class MemoryDialog final : public SettingsDialog {
  public:
    using Script = std::function<void(MemoryDialog& dialog)>;

    explicit MemoryDialog(Script script = {}) : script_(std::move(script)) {}

    bool Run(PendantSettings& settings) override;
    void ShowMessage(const char* text) override;

    // While the script runs.
    bool open() const { return open_; }
    MemoryControls& controls() { return *controls_; }
    // OK: true when it applied the settings and closed the dialog.
    bool PressOk();
    // Enter in an edit works as the OK button.
    bool PressEnter() { return PressOk(); }
    void PressEscape();

    void SetScript(Script script) { script_ = std::move(script); }
    // Called with the text of each message box the dialog shows.
    std::function<void(const char*)> onMessage;

  private:
    Script script_;
    std::optional<MemoryControls> controls_;
    std::optional<propertiesdlg> model_;
    bool open_ = false;
    bool accepted_ = false;
};

}  // namespace k7
