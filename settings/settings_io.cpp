#include "settings/settings_io.h"

#include <array>
#include <string_view>
#include <type_traits>
#include <variant>

#include "settings/profile_store.h"
#include "ui/settings_dialog.h"

namespace k7 {
namespace {

constexpr std::array<SettingKey, 23> kKeys = {{
    {"BUTTON0", 0},       {"BUTTON1", 0},     {"BUTTON2", 0},    {"Vel", 0},
    {"Macro1", 0},        {"Macro2", 0},      {"Macro3", 0},     {"Macro4", 0},
    {"OEM1", 0},          {"OEM2", 0},        {"OEM3", 0},       {"OEM4", 0},
    {"StepJogRate", 100}, {"DelaySteps", 25}, {"ScreenSel1", 1}, {"ScreenSel2", 2},
    {"ScreenSel3", 3},    {"StepSize1", 1},   {"StepSize2", 0},  {"StepSize3", 2},
    {"Xreverse", 0},      {"Yreverse", 0},    {"Zreverse", 0},
}};

constexpr std::size_t kButtonKeys = 3;  // the pendant search runs after these
constexpr std::size_t kVelKey = 3;
static_assert(std::string_view(kKeys[kVelKey].key) == "Vel");
constexpr std::int32_t kConfigVelDefault = 2;

using FieldRef = std::variant<std::int16_t*, std::int32_t*, bool*>;

// The fields in key order; the width of each follows from its type.
std::array<FieldRef, kKeys.size()> Fields(PendantSettings& s) {
    return {&s.BUTTON[0],    &s.BUTTON[1],    &s.BUTTON[2],   &s.Vel,         &s.Macro[0],
            &s.Macro[1],     &s.Macro[2],     &s.Macro[3],    &s.OEM[0],      &s.OEM[1],
            &s.OEM[2],       &s.OEM[3],       &s.StepJogRate, &s.DelaySteps,  &s.ScreenSel[0],
            &s.ScreenSel[1], &s.ScreenSel[2], &s.StepSize[0], &s.StepSize[1], &s.StepSize[2],
            &s.Xreverse,     &s.Yreverse,     &s.Zreverse};
}

std::size_t IndexOf(const SettingKey& key) {
    return static_cast<std::size_t>(&key - kKeys.data());
}

void ReadKeys(ProfileStore& store, PendantSettings& settings, std::size_t first, std::size_t last,
              std::int32_t velDefault) {
    for (std::size_t i = first; i < last; ++i) {
        const SettingKey& key = kKeys[i];
        const std::int32_t fallback = i == kVelKey ? velDefault : key.defaultValue;
        SetFieldValue(settings, key, store.GetInt(kSettingsSection, key.key, fallback));
    }
}

}  // namespace

const std::span<const SettingKey> kSettingKeys{kKeys};

std::int32_t FieldValue(const PendantSettings& settings, const SettingKey& key) {
    PendantSettings copy = settings;
    const FieldRef field = Fields(copy)[IndexOf(key)];
    // Sign-extended for the 16-bit fields, 0 or 1 for the flags.
    return std::visit([](auto* p) { return static_cast<std::int32_t>(*p); }, field);
}

void SetFieldValue(PendantSettings& settings, const SettingKey& key, std::int32_t value) {
    const FieldRef field = Fields(settings)[IndexOf(key)];
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
        field);
}

const SettingKey* FindSettingKey(std::string_view name) {
    for (const SettingKey& key : kKeys) {
        if (name == key.key) return &key;
    }
    return nullptr;
}

void LoadSettings(ProfileStore& store, PendantSettings& settings,
                  const std::function<void()>& betweenButtonsAndVel) {
    ReadKeys(store, settings, 0, kButtonKeys, 0);
    if (betweenButtonsAndVel) betweenButtonsAndVel();
    ReadKeys(store, settings, kButtonKeys, kKeys.size(), kKeys[kVelKey].defaultValue);
}

void ConfigureSettings(ProfileStore& store, PendantSettings& settings, SettingsDialog* dialog) {
    ReadKeys(store, settings, 0, kKeys.size(), kConfigVelDefault);
    // However the dialog closes, every key is written: a key missing from the
    // profile is created with the value the dialog showed.
    if (dialog != nullptr) dialog->Run(settings);
    for (const SettingKey& key : kKeys) {
        store.SetInt(kSettingsSection, key.key, FieldValue(settings, key));
    }
}

}  // namespace k7
