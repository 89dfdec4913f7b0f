#include "ui/dialog_model.h"

#include <cstdio>
#include <span>
#include <string>
#include <variant>

#include "settings/option_lists.h"
#include "ui/dialog_template.h"

namespace k7 {
namespace {

// The framework scans at most this many characters of an edit's text.
constexpr std::size_t kScannedChars = 63;

using MemberRef = std::variant<std::int16_t*, std::int32_t*>;

struct EditField {
    int control;
    MemberRef (*member)(DialogMembers&);
};

struct CheckField {
    int control;
    std::int32_t DialogMembers::*member;
};

// Transfer order: the first failing edit in this order is the one reported.
// Check boxes take part in it between StepJogRate and OEM3.
constexpr EditField kEditsBeforeChecks[] = {
    {kMacroEdits[0], [](DialogMembers& m) -> MemberRef { return &m.Macro[0]; }},
    {kMacroEdits[1], [](DialogMembers& m) -> MemberRef { return &m.Macro[1]; }},
    {kOemEdits[0], [](DialogMembers& m) -> MemberRef { return &m.OEM[0]; }},
    {kOemEdits[1], [](DialogMembers& m) -> MemberRef { return &m.OEM[1]; }},
    {kDelayStepsEdit, [](DialogMembers& m) -> MemberRef { return &m.DelaySteps; }},
    {kStepJogRateEdit, [](DialogMembers& m) -> MemberRef { return &m.StepJogRate; }},
};

constexpr CheckField kChecks[] = {
    {kReverseChecks[0], &DialogMembers::Xreverse},
    {kReverseChecks[1], &DialogMembers::Yreverse},
    {kReverseChecks[2], &DialogMembers::Zreverse},
};

constexpr EditField kEditsAfterChecks[] = {
    {kOemEdits[2], [](DialogMembers& m) -> MemberRef { return &m.OEM[2]; }},
    {kOemEdits[3], [](DialogMembers& m) -> MemberRef { return &m.OEM[3]; }},
    {kMacroEdits[2], [](DialogMembers& m) -> MemberRef { return &m.Macro[2]; }},
    {kMacroEdits[3], [](DialogMembers& m) -> MemberRef { return &m.Macro[3]; }},
};

struct ComboField {
    int control;
    const std::span<const char* const>* list;
    std::int16_t* (*setting)(PendantSettings&);
};

// Fill order.
constexpr ComboField kCombos[] = {
    {kVelocityBox, &VelocityList, [](PendantSettings& s) { return &s.Vel; }},
    {kButtonBoxes[0], &ButtonList, [](PendantSettings& s) { return &s.BUTTON[0]; }},
    {kButtonBoxes[1], &ButtonList, [](PendantSettings& s) { return &s.BUTTON[1]; }},
    {kButtonBoxes[2], &ButtonList, [](PendantSettings& s) { return &s.BUTTON[2]; }},
    {kScreenBoxes[0], &ScreenList, [](PendantSettings& s) { return &s.ScreenSel[0]; }},
    {kScreenBoxes[1], &ScreenList, [](PendantSettings& s) { return &s.ScreenSel[1]; }},
    {kScreenBoxes[2], &ScreenList, [](PendantSettings& s) { return &s.ScreenSel[2]; }},
    {kStepBoxes[0], &StepSizeList, [](PendantSettings& s) { return &s.StepSize[0]; }},
    {kStepBoxes[1], &StepSizeList, [](PendantSettings& s) { return &s.StepSize[1]; }},
    {kStepBoxes[2], &StepSizeList, [](PendantSettings& s) { return &s.StepSize[2]; }},
};

template <std::size_t N>
void ForEachEdit(const EditField (&fields)[N], DialogMembers& members, auto&& action) {
    for (const EditField& field : fields) action(field.control, field.member(members));
}

void ForEachEdit(DialogMembers& members, auto&& action) {
    ForEachEdit(kEditsBeforeChecks, members, action);
    ForEachEdit(kEditsAfterChecks, members, action);
}

std::int32_t ValueOf(MemberRef member) {
    return std::visit([](auto* p) { return static_cast<std::int32_t>(*p); }, member);
}

// 16-bit members keep the low 16 bits of the number (40000 gives -25536).
void Store(MemberRef member, std::int32_t value) {
    if (auto* p16 = std::get_if<std::int16_t*>(&member)) {
        **p16 = static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
    } else {
        *std::get<std::int32_t*>(member) = value;
    }
}

}  // namespace

bool propertiesdlg::OnInitDialog() {
    for (int i = 0; i < 4; ++i) {
        members_.Macro[i] = settings_.Macro[i];
        members_.OEM[i] = settings_.OEM[i];
    }
    members_.StepJogRate = settings_.StepJogRate;
    members_.DelaySteps = settings_.DelaySteps;
    members_.Xreverse = settings_.Xreverse ? 1 : 0;
    members_.Yreverse = settings_.Yreverse ? 1 : 0;
    members_.Zreverse = settings_.Zreverse ? 1 : 0;
    FillComboBoxes();
    ShowMembers();
    return true;
}

void propertiesdlg::FillComboBoxes() {
    for (const ComboField& combo : kCombos) {
        controls_.ClearItems(combo.control);
        for (const char* entry : *combo.list) controls_.AddItem(combo.control, EntryLabel(entry));
        controls_.Select(combo.control, *combo.setting(settings_));
    }
}

void propertiesdlg::ShowMembers() {
    ForEachEdit(members_, [this](int control, MemberRef member) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(ValueOf(member)));
        controls_.SetText(control, text);
    });
    for (const CheckField& check : kChecks)
        controls_.SetChecked(check.control, members_.*check.member == 1);
}

bool propertiesdlg::TransferFromControls(DialogMembers& into) {
    bool ok = true;
    const auto scan = [&](int control, MemberRef member) {
        if (!ok) return;
        const std::string text = controls_.Text(control);
        const ScannedNumber number =
            ScanLeadingNumber(std::string_view(text).substr(0, kScannedChars));
        if (!number.found) {
            controls_.ShowMessage(kEnterIntegerMessage);
            controls_.FocusEdit(control);
            ok = false;
            return;
        }
        Store(member, number.value);
    };
    ForEachEdit(kEditsBeforeChecks, into, scan);
    if (!ok) return false;
    for (const CheckField& check : kChecks)
        into.*check.member = controls_.Checked(check.control) ? 1 : 0;
    ForEachEdit(kEditsAfterChecks, into, scan);
    return ok;
}

bool propertiesdlg::OnOK() {
    // Scanned into a copy, so a refused edit leaves the members as they were.
    DialogMembers scanned = members_;
    if (!TransferFromControls(scanned)) return false;
    members_ = scanned;
    Apply();
    return true;
}

// Every setting changes here, within one call: the pendant logic, which runs
// between the dialog's messages, never sees a half-applied set.
void propertiesdlg::Apply() {
    for (int i = 0; i < 4; ++i) {
        settings_.Macro[i] = members_.Macro[i];
        settings_.OEM[i] = members_.OEM[i];
    }
    settings_.StepJogRate = members_.StepJogRate;
    settings_.DelaySteps = members_.DelaySteps;
    settings_.Xreverse = members_.Xreverse != 0;
    settings_.Yreverse = members_.Yreverse != 0;
    settings_.Zreverse = members_.Zreverse != 0;
    // A box without a selection stores -1; every consumer bounds-checks the
    // positions it reads.
    for (const ComboField& combo : kCombos)
        *combo.setting(settings_) = static_cast<std::int16_t>(controls_.Selection(combo.control));
}

}  // namespace k7
