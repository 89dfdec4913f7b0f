#include "settings/setting_table.h"

#include <array>
#include <type_traits>

#include "settings/option_lists.h"

namespace k7 {
namespace {

using S = PendantSettings;
using F = SettingField;

constexpr std::array<SettingKey, 24> kKeys = {{
    {"BUTTON0", 0, [](S& s) -> F { return &s.BUTTON[0]; }, &ButtonList},
    {"BUTTON1", 0, [](S& s) -> F { return &s.BUTTON[1]; }, &ButtonList},
    {"BUTTON2", 0, [](S& s) -> F { return &s.BUTTON[2]; }, &ButtonList},
    {"Vel", 0, [](S& s) -> F { return &s.Vel; }, &VelocityList},
    {"Macro1", 0, [](S& s) -> F { return &s.Macro[0]; }, nullptr},
    {"Macro2", 0, [](S& s) -> F { return &s.Macro[1]; }, nullptr},
    {"Macro3", 0, [](S& s) -> F { return &s.Macro[2]; }, nullptr},
    {"Macro4", 0, [](S& s) -> F { return &s.Macro[3]; }, nullptr},
    {"OEM1", 0, [](S& s) -> F { return &s.OEM[0]; }, nullptr},
    {"OEM2", 0, [](S& s) -> F { return &s.OEM[1]; }, nullptr},
    {"OEM3", 0, [](S& s) -> F { return &s.OEM[2]; }, nullptr},
    {"OEM4", 0, [](S& s) -> F { return &s.OEM[3]; }, nullptr},
    {"StepJogRate", 100, [](S& s) -> F { return &s.StepJogRate; }, nullptr},
    {"DelaySteps", 25, [](S& s) -> F { return &s.DelaySteps; }, nullptr},
    {"ScreenSel1", 1, [](S& s) -> F { return &s.ScreenSel[0]; }, &ScreenList},
    {"ScreenSel2", 2, [](S& s) -> F { return &s.ScreenSel[1]; }, &ScreenList},
    {"ScreenSel3", 3, [](S& s) -> F { return &s.ScreenSel[2]; }, &ScreenList},
    {"StepSize1", 1, [](S& s) -> F { return &s.StepSize[0]; }, &StepSizeList},
    {"StepSize2", 0, [](S& s) -> F { return &s.StepSize[1]; }, &StepSizeList},
    {"StepSize3", 2, [](S& s) -> F { return &s.StepSize[2]; }, &StepSizeList},
    {"Xreverse", 0, [](S& s) -> F { return &s.Xreverse; }, nullptr},
    {"Yreverse", 0, [](S& s) -> F { return &s.Yreverse; }, nullptr},
    {"Zreverse", 0, [](S& s) -> F { return &s.Zreverse; }, nullptr},
    {kRecordSessionsKey, 0, [](S& s) -> F { return &s.RecordSessions; }, nullptr, true},
}};

}  // namespace

const std::span<const SettingKey> kSettingKeys{kKeys};

const SettingKey* FindSettingKey(std::string_view name) {
    for (const SettingKey& key : kKeys) {
        if (name == key.key) return &key;
    }
    return nullptr;
}

std::int32_t FieldValue(const PendantSettings& settings, const SettingKey& key) {
    PendantSettings copy = settings;
    // Sign-extended for the 16-bit fields, 0 or 1 for the flags.
    return std::visit([](auto* p) { return static_cast<std::int32_t>(*p); }, key.field(copy));
}

void SetFieldValue(PendantSettings& settings, const SettingKey& key, std::int32_t value) {
    std::visit(
        [value](auto* p) {
            using T = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<T, bool>) {
                *p = value != 0;
            } else if constexpr (std::is_same_v<T, std::int16_t>) {
                // The low 16 bits, two's complement: 70000 reads as 4464.
                *p = static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
            } else {
                *p = value;
            }
        },
        key.field(settings));
}

}  // namespace k7
