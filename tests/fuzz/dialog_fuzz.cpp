// The configuration dialog's transfer, fuzzed: settings of any value open the
// dialog, the input types arbitrary text into the ten edits and picks any
// check and list state, then presses OK. Checked against the C library's own
// number scanning and the dialog's promises:
//   - an edit without an integer refuses OK with one message, the focus on the
//     first such edit in transfer order with its text selected, no setting changed;
//   - otherwise every edit's setting holds its leading number (the low 16 bits
//     for the macro and OEM fields), every check box 0 or 1, every list its
//     selection or -1;
//   - whatever OK stored is written to the profile and read back unchanged.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "settings/profile_store.h"
#include "settings/setting_table.h"
#include "settings/settings_io.h"
#include "sim/memory_controls.h"
#include "tests/support/byte_source.h"
#include "tests/support/memory_dom.h"
#include "ui/dialog_model.h"
#include "ui/dialog_template.h"

namespace {

using namespace k7;
using k7::test::ByteSource;

// The edits in the order OK reads them, with the setting each holds.
struct EditField {
    int control;
    const char* key;
    bool sixteenBits;
};
constexpr EditField kTransferOrder[] = {
    {kMacroEdits[0], "Macro1", true},       {kMacroEdits[1], "Macro2", true},
    {kOemEdits[0], "OEM1", true},           {kOemEdits[1], "OEM2", true},
    {kDelayStepsEdit, "DelaySteps", false}, {kStepJogRateEdit, "StepJogRate", false},
    {kOemEdits[2], "OEM3", true},           {kOemEdits[3], "OEM4", true},
    {kMacroEdits[2], "Macro3", true},       {kMacroEdits[3], "Macro4", true},
};

[[noreturn]] void Broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "dialog promise broken: %s %s\n", what, detail.c_str());
    std::abort();
}

std::int32_t Value(const PendantSettings& s, std::string_view key) {
    return FieldValue(s, *FindSettingKey(key));
}

// What the C library makes of an edit's text (the framework reads at most 63
// characters): whether it starts with an integer, and, when the digits fit in
// a long long, its low 32 bits.
struct Scan {
    bool found = false;
    bool exact = false;
    std::int32_t value = 0;
};

Scan ScanWithLibrary(const std::string& text) {
    const std::string head = text.substr(0, 63);
    Scan scan;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(head.c_str(), &end, 10);
    scan.found = end != head.c_str();
    scan.exact = scan.found && errno == 0;
    scan.value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return scan;
}

std::string Text(ByteSource& in) {
    std::string text;
    for (int n = in.Below(24); n > 0 && !in.exhausted(); --n) {
        const std::uint8_t b = in.Byte();
        // Mostly digits, signs and blanks; a Win32 edit holds no NUL.
        const char* const kCommon = "0123456789 -+\t";
        const char c = b < 160 ? kCommon[b % 14] : static_cast<char>(b);
        if (c != '\0') text += c;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    k7::test::InputBytes in(data, size);
    PendantSettings settings;
    for (const SettingKey& key : kSettingKeys)
        SetFieldValue(settings, key, static_cast<std::int32_t>(in.Word()));
    const PendantSettings before = settings;

    int messages = 0;
    MemoryControls controls([&messages](const char*) { ++messages; });
    propertiesdlg dialog(settings, controls);
    dialog.OnInitDialog();
    std::string texts[std::size(kTransferOrder)];
    for (std::size_t i = 0; i < std::size(kTransferOrder); ++i) {
        texts[i] = in.Chance(30) ? controls.Text(kTransferOrder[i].control) : Text(in);
        controls.SetText(kTransferOrder[i].control, texts[i]);
    }
    for (const int check : kReverseChecks) controls.SetChecked(check, in.Chance(50));
    for (const SettingControlEntry& entry : kSettingControls) {
        if (SettingControlKind(entry.key) != ControlKind::ComboBox || in.Chance(50)) continue;
        controls.Select(entry.control, in.Below(80) - 2);
    }

    const bool applied = dialog.OnOK();
    int firstRefused = -1;
    for (std::size_t i = 0; i < std::size(kTransferOrder) && firstRefused < 0; ++i)
        if (!ScanWithLibrary(texts[i]).found) firstRefused = static_cast<int>(i);

    if (firstRefused >= 0) {
        const int edit = kTransferOrder[firstRefused].control;
        if (applied) Broken("OK applied an edit without an integer:", texts[firstRefused]);
        if (messages != 1) Broken("a refused OK did not show exactly one message");
        if (controls.focus() != edit || controls.SelectedText() != texts[firstRefused])
            Broken("the focus is not on the first refused edit, wholly selected");
        if (std::memcmp(&before, &settings, sizeof settings) != 0)
            Broken("a refused OK changed a setting");
        return 0;
    }
    if (!applied || messages != 0) Broken("OK refused edits that all hold integers");
    for (std::size_t i = 0; i < std::size(kTransferOrder); ++i) {
        const EditField& field = kTransferOrder[i];
        const Scan scan = ScanWithLibrary(texts[i]);
        if (!scan.exact) continue;
        const std::int32_t expected =
            field.sixteenBits ? static_cast<std::int16_t>(scan.value) : scan.value;
        if (Value(settings, field.key) != expected)
            Broken("an edit's value was not stored:", texts[i]);
    }
    for (const SettingControlEntry& entry : kSettingControls) {
        const std::int32_t stored = Value(settings, entry.key);
        if (SettingControlKind(entry.key) == ControlKind::CheckBox &&
            stored != (controls.Checked(entry.control) ? 1 : 0))
            Broken("a check box was not stored as 0 or 1");
        if (SettingControlKind(entry.key) == ControlKind::ComboBox &&
            stored != controls.Selection(entry.control))
            Broken("a list's selection was not stored");
    }

    // Through the profile and back.
    k7::test::MemoryDom dom;
    ProfileStore store;
    store.Open(&dom, "p.xml");
    PendantSettings reloaded;
    ConfigureSettings(store, reloaded, [&](PendantSettings& s) { s = settings; });
    store.Close();
    PendantSettings loaded;
    ProfileStore again;
    again.Open(&dom, "p.xml");
    LoadSettings(again, loaded, {});
    for (const SettingKey& key : kSettingKeys)
        if (FieldValue(loaded, key) != FieldValue(settings, key))
            Broken("a setting did not come back from the profile:", key.key);
    return 0;
}
