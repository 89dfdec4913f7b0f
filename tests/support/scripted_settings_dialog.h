// A configuration dialog driven by the test: it records what it was shown and
// closes as Escape does, unless the test gives it edits to confirm with OK.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/settings_dialog.h"

namespace k7::test {

class ScriptedSettingsDialog final : public SettingsDialog {
  public:
    bool Run(PendantSettings& settings) override {
        shown.push_back(settings);
        if (!okEdits) return false;  // Escape: the settings stay as they were
        okEdits(settings);
        return true;
    }
    void ShowMessage(const char* text) override { messages.emplace_back(text); }

    std::function<void(PendantSettings&)> okEdits;  // set: the user presses OK
    std::vector<PendantSettings> shown;
    std::vector<std::string> messages;
};

}  // namespace k7::test
