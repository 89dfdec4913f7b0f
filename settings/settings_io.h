// Loading and saving PendantSettings through a ProfileStore, key by key in the
// order of the setting table.
#pragma once

#include <functional>

#include "settings/pendant_settings.h"
#include "settings/setting_table.h"

namespace k7 {

class ProfileStore;

// Reads every key with its start-up default; runs betweenButtonsAndVel (the
// pendant search) after the three button keys and before "Vel".
void LoadSettings(ProfileStore& store, PendantSettings& settings,
                  const std::function<void()>& betweenButtonsAndVel);

// Reloads every key ("Vel" defaulting to 2), lets `edit` change the settings
// (the configuration dialog), and writes every key back whatever it did; a key
// created only when set is left out of a profile that lacks it while it holds
// its default.
void ConfigureSettings(ProfileStore& store, PendantSettings& settings,
                       const std::function<void(PendantSettings&)>& edit);

}  // namespace k7
