// Loading and saving PendantSettings through a ProfileStore: the 23 keys in
// their one order, with the narrowing to each field's width on load and the
// widening back on save.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "settings/pendant_settings.h"

namespace k7 {

class ProfileStore;
class SettingsDialog;

inline constexpr const char* kSettingsSection = "Ravlen_K7_Pendant";

struct SettingKey {
    const char* key;
    std::int32_t defaultValue;  // the start-up default
};

// The 23 keys in load and save order (also the order of first creation).
extern const std::span<const SettingKey> kSettingKeys;

// The field of a key as the profile stores it: 16-bit fields widened with their
// sign, flags as 0 or 1.
std::int32_t FieldValue(const PendantSettings& settings, const SettingKey& key);
// Stores a profile value into a key's field: 16-bit fields keep the low 16 bits,
// flags are true for any non-zero value.
void SetFieldValue(PendantSettings& settings, const SettingKey& key, std::int32_t value);
// The key of that name, if any.
const SettingKey* FindSettingKey(std::string_view name);

// Reads every key with its start-up default; runs betweenButtonsAndVel (the
// pendant search) after the three button keys and before "Vel".
void LoadSettings(ProfileStore& store, PendantSettings& settings,
                  const std::function<void()>& betweenButtonsAndVel);

// Reloads every key ("Vel" defaulting to 2), runs the dialog if there is one,
// and writes all 23 keys back however the dialog was closed.
void ConfigureSettings(ProfileStore& store, PendantSettings& settings, SettingsDialog* dialog);

}  // namespace k7
