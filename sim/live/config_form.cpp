#include "sim/live/config_form.h"

#include <algorithm>

#include "settings/setting_table.h"
#include "ui/dialog_template.h"

namespace k7::sim::live {
namespace {

// The longest text an edit takes: the dialog reads no more of it.
constexpr std::size_t kEditLimit = 63;

struct FormCell {
    std::string_view key;  // a setting key, or "OK"; empty ends the line's cells
    const char* label;     // written before the box (after it for a check box)
    int width;             // of the box's text
};

struct FormLine {
    const char* text;
    FormCell cells[4];
};

// The dialog's groups, top to bottom, with the dialog's own texts.
constexpr FormLine kLines[] = {
    {"K7 Pendant Configuration", {}},
    {"S  Step Jogging Feed Rate. Set 0 to Use Feed Rate Currently in the System.", {}},
    {"   ",
     {{"StepJogRate", "", 8},
      {"StepSize1", "   step sizes ", 6},
      {"StepSize2", " ", 6},
      {"StepSize3", " ", 6}}},
    {"   (the step sizes that Fn + Y cycles through: Select NONE to Skip)", {}},
    {"V  Velocity Change Sensitivity in V Mode.  ", {{"Vel", "", 2}}},
    {"C  Steps to Delay the Start of Axis Movement in C Mode.  0 to 100.  ",
     {{"DelaySteps", "", 6}}},
    {"", {}},
    {"Screen Selection. Select NONE to Skip", {}},
    {"   ", {{"ScreenSel1", "1 ", 32}}},
    {"   ", {{"ScreenSel2", "2 ", 32}}},
    {"   ", {{"ScreenSel3", "3 ", 32}}},
    {"", {}},
    {"",
     {{"Xreverse", "Reverse X axis MPG   ", 0},
      {"Yreverse", "Reverse Y axis MPG   ", 0},
      {"Zreverse", "Reverse Z axis MPG", 0}}},
    {"", {}},
    {"", {{"BUTTON0", "F1 ", 28}, {"OEM1", "  OEM Button #1 ", 6}, {"Macro1", "  Macro #1 ", 6}}},
    {"", {{"BUTTON1", "F2 ", 28}, {"OEM2", "  OEM Button #2 ", 6}, {"Macro2", "  Macro #2 ", 6}}},
    {"", {{"BUTTON2", "F3 ", 28}, {"OEM3", "  OEM Button #3 ", 6}, {"Macro3", "  Macro #3 ", 6}}},
    {"                                 ",
     {{"OEM4", "  OEM Button #4 ", 6}, {"Macro4", "  Macro #4 ", 6}}},
    {"", {}},
    // Beside OK, as in the dialog; the label's blanks keep OK in its column.
    {"",
     {{"RecordSessions", "Record sessions for diagnosis                                 ", 0},
      {"OK", "", 0}}},
};

constexpr const char* kReverse = "\x1b[7m";
constexpr const char* kPlain = "\x1b[0m";

int ControlOf(std::string_view key) {
    return key == "OK" ? kOkId : SettingControl(key);
}

ControlKind KindOf(int control) {
    const DialogControl* c = FindDialogControl(control);
    return c != nullptr ? c->kind : ControlKind::Label;
}

const FormCell* CellOf(int control) {
    for (const FormLine& line : kLines)
        for (const FormCell& cell : line.cells)
            if (!cell.key.empty() && ControlOf(cell.key) == control) return &cell;
    return nullptr;
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

std::string Fit(std::string text, int width) {
    if (width <= 0) return text;
    if (static_cast<int>(text.size()) > width) text.resize(width);
    return text + std::string(width - text.size(), ' ');
}

}  // namespace

std::vector<int> ConfigForm::Controls() {
    std::vector<int> order;
    for (const FormLine& line : kLines)
        for (const FormCell& cell : line.cells)
            if (!cell.key.empty()) order.push_back(ControlOf(cell.key));
    return order;
}

ConfigForm::ConfigForm(MemoryControls& controls) : controls_(controls), order_(Controls()) {
    FollowFocus();
}

void ConfigForm::FollowFocus() {
    const auto it = std::find(order_.begin(), order_.end(), controls_.focus());
    focus_ = it != order_.end() ? static_cast<std::size_t>(it - order_.begin()) : 0;
    replaceText_ = KindOf(order_[focus_]) == ControlKind::Edit;
}

void ConfigForm::Move(int step) {
    const int n = static_cast<int>(order_.size());
    focus_ = static_cast<std::size_t>((static_cast<int>(focus_) + step + n) % n);
    controls_.SetFocus(order_[focus_]);
    // Tabbing into an edit selects its text, as in the dialog.
    replaceText_ = KindOf(order_[focus_]) == ControlKind::Edit;
}

void ConfigForm::EditKey(int control, const Key& key) {
    std::string text = controls_.Text(control);
    if (key.kind == KeyKind::Char) {
        if (replaceText_) text.clear();
        if (text.size() < kEditLimit) text += key.ch;
    } else if (key.kind == KeyKind::Backspace) {
        if (replaceText_)
            text.clear();
        else if (!text.empty())
            text.pop_back();
    } else {
        return;
    }
    replaceText_ = false;
    controls_.SetText(control, text);
}

void ConfigForm::ComboKey(int control, const Key& key) {
    const int last = static_cast<int>(controls_.Items(control).size()) - 1;
    int position = controls_.Selection(control);
    switch (key.kind) {
        case KeyKind::Right:
            ++position;
            break;
        case KeyKind::Left:
            position = position < 0 ? 0 : position - 1;
            break;
        case KeyKind::PageDown:
            position += 10;
            break;
        case KeyKind::PageUp:
            position = position < 0 ? 0 : position - 10;
            break;
        case KeyKind::Home:
            position = 0;
            break;
        case KeyKind::End:
            position = last;
            break;
        default:
            return;
    }
    controls_.Select(control, std::clamp(position, 0, last));
}

ConfigForm::Outcome ConfigForm::HandleKey(const Key& key) {
    if (!message_.empty()) {
        // The message box is modal: only its OK closes it.
        if (key.kind == KeyKind::Enter || key.kind == KeyKind::Escape || key.Is(' '))
            message_.clear();
        return Outcome::None;
    }
    switch (key.kind) {
        case KeyKind::Enter:
            return Outcome::Ok;
        case KeyKind::Escape:
            return Outcome::Escape;
        case KeyKind::Tab:
        case KeyKind::Down:
            Move(1);
            return Outcome::None;
        case KeyKind::BackTab:
        case KeyKind::Up:
            Move(-1);
            return Outcome::None;
        default:
            break;
    }
    const int control = order_[focus_];
    switch (KindOf(control)) {
        case ControlKind::PushButton:
            return key.Is(' ') ? Outcome::Ok : Outcome::None;
        case ControlKind::Edit:
            EditKey(control, key);
            break;
        case ControlKind::CheckBox:
            if (key.Is(' ') || key.kind == KeyKind::Left || key.kind == KeyKind::Right)
                controls_.SetChecked(control, !controls_.Checked(control));
            break;
        case ControlKind::ComboBox:
            ComboKey(control, key);
            break;
        default:
            break;
    }
    return Outcome::None;
}

std::string ConfigForm::Cell(int index, bool styled) const {
    const int control = order_[index];
    const FormCell& cell = *CellOf(control);
    const bool focused = static_cast<std::size_t>(index) == focus_;
    const std::string on = focused && styled ? kReverse : "";
    const std::string off = focused && styled ? kPlain : "";
    const std::string mark = focused && !styled ? ">" : "";
    switch (KindOf(control)) {
        case ControlKind::PushButton:
            return mark + on + "[  OK  ]" + off;
        case ControlKind::CheckBox:
            return mark + on + (controls_.Checked(control) ? "[x]" : "[ ]") + off + " " +
                   cell.label;
        case ControlKind::Edit:
            return cell.label + mark + "[" + on + Fit(controls_.Text(control), cell.width) + off +
                   "]";
        case ControlKind::ComboBox: {
            const std::string* selected = controls_.SelectedLabel(control);
            const std::string text = selected != nullptr ? Trimmed(*selected) : "";
            return cell.label + mark + "[" + on + Fit(text, cell.width) + off + "]";
        }
        default:
            return {};
    }
}

std::vector<std::string> ConfigForm::Render(bool styled) const {
    std::vector<std::string> lines;
    if (!message_.empty()) {
        // On top, where a small terminal still shows it.
        lines.push_back("  +--------------------------------------------+");
        lines.push_back("  | " + Fit("K7: " + message_, 42) + " |");
        lines.push_back("  |                                  [  OK  ]  |");
        lines.push_back("  +--------------------------------------------+");
    }
    int index = 0;
    for (const FormLine& line : kLines) {
        std::string text = line.text;
        for (const FormCell& cell : line.cells) {
            if (cell.key.empty()) break;
            text += Cell(index++, styled);
        }
        lines.push_back(std::move(text));
    }
    const int control = order_[focus_];
    std::string help;
    switch (KindOf(control)) {
        case ControlKind::Edit:
            help = "type a whole number; Backspace deletes";
            break;
        case ControlKind::ComboBox:
            help = "Left/Right choose, PgUp/PgDn by 10 (" +
                   std::to_string(controls_.Selection(control) + 1) + " of " +
                   std::to_string(controls_.Items(control).size()) + ")";
            break;
        case ControlKind::CheckBox:
            help = "Space marks or clears";
            break;
        default:
            help = "Space or Enter presses OK";
            break;
    }
    lines.push_back("Tab/Down next, Shift-Tab/Up back; " + help);
    lines.push_back("Enter: OK (applies)   Esc: close without applying");
    return lines;
}

}  // namespace k7::sim::live
