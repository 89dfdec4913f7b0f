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

    // Modal, with no owner window; returns true when OK applied the settings.
    bool Run(PendantSettings& settings) override;
    // An exclamation message box with an OK button.
    void ShowMessage(const char* text) override;

  private:
    std::string title_;
};

}  // namespace k7
