#include "ui/dialog_model.h"

#include <cstdio>
#include <initializer_list>
#include <string>

#include "settings/option_lists.h"
#include "settings/setting_table.h"
#include "ui/dialog_template.h"

namespace k7 {
namespace {

// The framework scans at most this many characters of an edit's text.
constexpr std::size_t kScannedChars = 63;

// Runs action(setting, control) over the control map's entries whose control
// is of one of the kinds, in map order.
void ForEach(std::initializer_list<ControlKind> kinds, auto&& action) {
    for (const SettingControlEntry& entry : kSettingControls) {
        const SettingKey* key = FindSettingKey(entry.key);
        const ControlKind kind = SettingControlKind(entry.key);
        for (const ControlKind wanted : kinds)
            if (key != nullptr && kind == wanted) action(*key, entry.control);
    }
}

constexpr auto kCombo = {ControlKind::ComboBox};
// Edits and check boxes together, in the order OK reads them.
constexpr auto kMembers = {ControlKind::Edit, ControlKind::CheckBox};

}  // namespace

bool propertiesdlg::OnInitDialog() {
    members_ = settings_;
    FillComboBoxes();
    ShowMembers();
    return true;
}

void propertiesdlg::FillComboBoxes() {
    ForEach(kCombo, [this](const SettingKey& key, int control) {
        controls_.ClearItems(control);
        for (const char* entry : *key.list) controls_.AddItem(control, EntryLabel(entry));
        controls_.Select(control, FieldValue(settings_, key));
    });
}

void propertiesdlg::ShowMembers() {
    ForEach({ControlKind::Edit}, [this](const SettingKey& key, int control) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(FieldValue(members_, key)));
        controls_.SetText(control, text);
    });
    ForEach({ControlKind::CheckBox}, [this](const SettingKey& key, int control) {
        controls_.SetChecked(control, FieldValue(members_, key) == 1);
    });
}

bool propertiesdlg::TransferFromControls(PendantSettings& into) {
    bool ok = true;
    ForEach(kMembers, [&](const SettingKey& key, int control) {
        if (!ok) return;
        if (SettingControlKind(key.key) == ControlKind::CheckBox) {
            SetFieldValue(into, key, controls_.Checked(control) ? 1 : 0);
            return;
        }
        const std::string text = controls_.Text(control);
        const ScannedNumber number =
            ScanLeadingNumber(std::string_view(text).substr(0, kScannedChars));
        if (!number.found) {
            controls_.ShowMessage(kEnterIntegerMessage);
            controls_.FocusEdit(control);
            ok = false;
            return;
        }
        SetFieldValue(into, key, number.value);
    });
    return ok;
}

bool propertiesdlg::OnOK() {
    // Scanned into a copy, so a refused edit leaves the members as they were.
    PendantSettings scanned = members_;
    if (!TransferFromControls(scanned)) return false;
    members_ = scanned;
    Apply();
    return true;
}

// Every setting changes here, within one call: the pendant logic, which runs
// between the dialog's messages, never sees a half-applied set.
void propertiesdlg::Apply() {
    ForEach(kMembers, [this](const SettingKey& key, int) {
        SetFieldValue(settings_, key, FieldValue(members_, key));
    });
    // A box without a selection stores -1; every consumer bounds-checks the
    // positions it reads.
    ForEach(kCombo, [this](const SettingKey& key, int control) {
        SetFieldValue(settings_, key, controls_.Selection(control));
    });
}

}  // namespace k7
