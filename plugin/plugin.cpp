#include "plugin/plugin.h"

#include <cstdio>

#include "plugin/pendant_window.h"
#include "settings/profile_store.h"
#include "settings/settings_io.h"
#include "ui/settings_dialog.h"

namespace k7 {
namespace {

// Nothing may leave an entry point as an exception: the host is C. Work that
// ran out of memory (or failed in a platform adapter) is abandoned where it
// stood; every step leaves the plug-in usable or without a window, and a
// store that did not finish writes nothing.
template <typename Work>
void Guarded(Work&& work) noexcept {
    try {
        work();
    } catch (...) {
    }
}

}  // namespace

Plugin::Plugin(Platform& platform) : platform_(platform) {}

Plugin::~Plugin() {
    StopPlug();
}

const char* Plugin::SetProName(HostString name) {
    Guarded([&] {
        // Without memory for the name no profile is read or written.
        state_.profileName.clear();
        state_.profileName = HostStringText(name);
    });
    HostStringRelease(name);
    Guarded([&] {
        // Opened and closed without a read: the profile is loaded and written back.
        ProfileStore store;
        store.Open(platform_.xml, state_.profileName);
        store.Close();
    });
    std::snprintf(state_.pluginName, sizeof state_.pluginName, "%s%s",
                  platform_.moduleTitle.c_str(), kPluginNameSuffix);
    return state_.pluginName;
}

bool Plugin::InitControl(void* engine, void* setup, void* planner, void* view) {
    state_.blocks = HostBlocks{engine, setup, planner, view};
    Guarded([&] {
        if (window_ == nullptr && platform_.hid != nullptr) {
            window_ = std::make_unique<PendantWindow>(state_, host_, *platform_.hid);
            if (platform_.windows != nullptr) window_->Create(*platform_.windows, view);
        }
    });
    return true;
}

void Plugin::PostInitControl() {
    Guarded([&] {
        ProfileStore store;
        store.Open(platform_.xml, state_.profileName);
        // A search that fails midway leaves the pendant unopened; the settings
        // after it are still read.
        LoadSettings(store, state_.settings, [this] {
            Guarded([this] {
                if (window_ != nullptr) window_->FindPendant();
            });
        });
        store.Close();
    });
}

void Plugin::Config() {
    Guarded([&] {
        ProfileStore store;
        store.Open(platform_.xml, state_.profileName);
        SettingsDialog* dialog = platform_.dialog;
        ConfigureSettings(store, state_.settings, [dialog](PendantSettings& settings) {
            if (dialog != nullptr) dialog->Run(settings);
        });
        store.Close();
    });
}

void Plugin::StopPlug() {
    window_.reset();
}

}  // namespace k7
