// The 23 setting keys as the profile names them, with the control that shows
// each in the configuration dialog and how to read it from PendantSettings.
#pragma once

#include <span>
#include <string_view>

#include "settings/pendant_settings.h"

namespace k7::sim::trace {

struct SettingKey {
    enum class Control { Edit, Combo, Check };
    std::string_view name;
    Control control;
    const std::span<const char* const>* list;  // a combo box's option list
    // The value as the profile stores it (0 or 1 for the reverse flags).
    int (*read)(const PendantSettings& settings);
};

// The key named exactly so, or null.
const SettingKey* FindSettingKey(std::string_view name);

}  // namespace k7::sim::trace
