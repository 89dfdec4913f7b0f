// The 24 settings in one table: the profile key, the start-up default, the
// field of PendantSettings that holds it (whose type fixes the narrowing on
// load and the widening on save), for the seven list positions the option
// list, and whether Config may add the key to a profile that lacks it. The
// loader, the saver, the dialog and the simulator all read it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "settings/pendant_settings.h"

namespace k7 {

inline constexpr const char* kSettingsSection = "Ravlen_K7_Pendant";
// The one key read before the others at start-up: it decides whether the
// session is recorded, from its very start.
inline constexpr const char* kRecordSessionsKey = "RecordSessions";

// A field of PendantSettings: 16-bit numbers and list positions, 32-bit
// numbers, or flags.
using SettingField = std::variant<std::int16_t*, std::int32_t*, bool*>;

struct SettingKey {
    const char* key;
    std::int32_t defaultValue;                 // the start-up default
    SettingField (*field)(PendantSettings&);   // where the value lives
    const std::span<const char* const>* list;  // the option list of a position; null otherwise
    // Kept out of a profile that lacks it until it differs from its default, so
    // that profiles and their readers from before the key see the keys they knew.
    bool createdOnlyWhenSet = false;
};

// The 24 keys in load and save order (also the order of first creation).
extern const std::span<const SettingKey> kSettingKeys;

// The key of that name (letter case counts), or null.
const SettingKey* FindSettingKey(std::string_view name);

// The field of a key as the profile stores it: 16-bit fields widened with their
// sign, flags as 0 or 1.
std::int32_t FieldValue(const PendantSettings& settings, const SettingKey& key);
// Stores a profile value into a key's field: 16-bit fields keep the low 16 bits,
// flags are true for any non-zero value.
void SetFieldValue(PendantSettings& settings, const SettingKey& key, std::int32_t value);

}  // namespace k7
