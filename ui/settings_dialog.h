// The configuration dialog as the settings routine sees it: run modally on the
// settings, and a message box for its validation messages.
#pragma once

#include "settings/pendant_settings.h"

namespace k7 {

class SettingsDialog {
  public:
    virtual ~SettingsDialog() = default;

    // Shows the dialog on settings and returns when it has closed. OK copies the
    // edited values into settings and returns true; any other way of closing
    // (Escape, Cancel, the close box) leaves settings untouched and returns false.
    virtual bool Run(PendantSettings& settings) = 0;

    // A modal message box with text, for example "Please enter an integer.".
    virtual void ShowMessage(const char* text) = 0;

    // The host's view block (HostView, null before InitControl) for the next
    // Run: a platform with windows shows the dialog owned by the host's window.
    virtual void SetHostView(void* /*hostView*/) {}
};

}  // namespace k7
