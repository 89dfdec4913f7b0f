#include "sim/memory_dialog.h"

#include <stdexcept>

#include "ui/dialog_template.h"

namespace k7 {

bool MemoryDialog::Run(PendantSettings& settings) {
    controls_.emplace([this](const char* text) { ShowMessage(text); });
    model_.emplace(settings, *controls_);
    open_ = true;
    accepted_ = false;
    if (model_->OnInitDialog()) controls_->SetFocus(FirstTabStop());
    try {
        if (script_) script_(*this);
    } catch (...) {
        // The dialog is destroyed whatever stopped the script.
        if (open_) PressEscape();
        model_.reset();
        throw;
    }
    if (open_) PressEscape();
    model_.reset();
    return accepted_;
}

void MemoryDialog::ShowMessage(const char* text) {
    if (onMessage) onMessage(text);
}

bool MemoryDialog::PressOk() {
    if (!open_) throw std::logic_error("OK pressed on a closed dialog");
    if (!model_->OnOK()) return false;
    open_ = false;
    accepted_ = true;
    return true;
}

void MemoryDialog::PressEscape() {
    if (!open_) throw std::logic_error("Escape pressed on a closed dialog");
    model_->OnCancel();
    open_ = false;
}

}  // namespace k7
