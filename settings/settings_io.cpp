#include "settings/settings_io.h"

#include <string_view>

#include "settings/profile_store.h"

namespace k7 {
namespace {

constexpr std::string_view kVelKey = "Vel";  // the pendant search runs just before it
constexpr std::int32_t kConfigVelDefault = 2;

std::size_t IndexOfVel() {
    return static_cast<std::size_t>(FindSettingKey(kVelKey) - kSettingKeys.data());
}

void ReadKeys(ProfileStore& store, PendantSettings& settings, std::size_t first, std::size_t last,
              std::int32_t velDefault) {
    for (std::size_t i = first; i < last; ++i) {
        const SettingKey& key = kSettingKeys[i];
        const std::int32_t fallback = key.key == kVelKey ? velDefault : key.defaultValue;
        SetFieldValue(settings, key, store.GetInt(kSettingsSection, key.key, fallback));
    }
}

// A key created only when set joins the profile once it differs from its
// default; one already there (with a value: a blank one was dropped on
// reading) is written like any other.
bool Writes(ProfileStore& store, const SettingKey& key, std::int32_t value) {
    return !key.createdOnlyWhenSet || value != key.defaultValue ||
           store.HasKey(kSettingsSection, key.key);
}

}  // namespace

void LoadSettings(ProfileStore& store, PendantSettings& settings,
                  const std::function<void()>& betweenButtonsAndVel) {
    const std::size_t vel = IndexOfVel();
    ReadKeys(store, settings, 0, vel, 0);
    if (betweenButtonsAndVel) betweenButtonsAndVel();
    ReadKeys(store, settings, vel, kSettingKeys.size(), kSettingKeys[vel].defaultValue);
}

void ConfigureSettings(ProfileStore& store, PendantSettings& settings,
                       const std::function<void(PendantSettings&)>& edit) {
    ReadKeys(store, settings, 0, kSettingKeys.size(), kConfigVelDefault);
    // However the dialog closes, every key is written: a key missing from the
    // profile is created with the value the dialog showed (one created only
    // when set, only when that value is not its default).
    if (edit) edit(settings);
    for (const SettingKey& key : kSettingKeys) {
        const std::int32_t value = FieldValue(settings, key);
        if (Writes(store, key, value)) store.SetInt(kSettingsSection, key.key, value);
    }
}

}  // namespace k7
