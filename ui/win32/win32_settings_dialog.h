// The configuration dialog on Win32: the template 4013 of this module run by
// DialogBoxParamA, its controls bound to the dialog model.
#pragma once

#include <string>

#include "ui/settings_dialog.h"

namespace k7 {

class Win32SettingsDialog final : public SettingsDialog {
  public:
    // title: the message boxes' title, the module's name as applications show it.
    explicit Win32SettingsDialog(std::string title) : title_(std::move(title)) {}

    // Modal and owned by the host's top-level window (the root ancestor of the
    // view's window; without one, the thread's active window), which is
    // disabled while it runs and enabled and activated again after it. Returns
    // true when OK applied the settings.
    bool Run(PendantSettings& settings) override;
    // An exclamation message box with an OK button.
    void ShowMessage(const char* text) override;
    void SetHostView(void* hostView) override { hostView_ = hostView; }

  private:
    std::string title_;
    void* hostView_ = nullptr;
};

}  // namespace k7
