#include "sim/memory_controls.h"

#include <stdexcept>

#include "ui/dialog_template.h"

namespace k7 {

MemoryControls::MemoryControls(std::function<void(const char*)> onMessage)
    : focus_(FirstTabStop()), onMessage_(std::move(onMessage)) {
    for (const DialogControl& control : kDialogControls) {
        if (control.id != kNoId) controls_[control.id].text = control.text;
    }
}

MemoryControls::Control& MemoryControls::At(int id) {
    const auto it = controls_.find(id);
    if (it == controls_.end()) throw std::out_of_range("no dialog control " + std::to_string(id));
    return it->second;
}

const MemoryControls::Control& MemoryControls::At(int id) const {
    return const_cast<MemoryControls*>(this)->At(id);
}

void MemoryControls::SetText(int id, std::string_view text) {
    Control& control = At(id);
    control.text = text;
    control.allSelected = false;
}

std::string MemoryControls::Text(int id) const {
    return At(id).text;
}

void MemoryControls::FocusEdit(int id) {
    SetFocus(id);
    At(id).allSelected = true;
}

void MemoryControls::ClearItems(int id) {
    Control& control = At(id);
    control.items.clear();
    control.selection = -1;
}

void MemoryControls::AddItem(int id, std::string_view label) {
    At(id).items.emplace_back(label);
}

void MemoryControls::Select(int id, int position) {
    Control& control = At(id);
    const bool inList = position >= 0 && position < static_cast<int>(control.items.size());
    control.selection = inList ? position : -1;
}

int MemoryControls::Selection(int id) const {
    return At(id).selection;
}

void MemoryControls::SetChecked(int id, bool checked) {
    At(id).checked = checked;
}

bool MemoryControls::Checked(int id) const {
    return At(id).checked;
}

void MemoryControls::ShowMessage(const char* text) {
    if (onMessage_) onMessage_(text);
}

void MemoryControls::SetFocus(int id) {
    At(id);  // only a control of the template takes the focus
    if (focus_ != id) At(focus_).allSelected = false;
    focus_ = id;
}

std::string MemoryControls::SelectedText() const {
    const Control& control = At(focus_);
    return control.allSelected ? control.text : std::string();
}

const std::vector<std::string>& MemoryControls::Items(int id) const {
    return At(id).items;
}

const std::string* MemoryControls::SelectedLabel(int id) const {
    const Control& control = At(id);
    return control.selection < 0 ? nullptr : &control.items[control.selection];
}

}  // namespace k7
