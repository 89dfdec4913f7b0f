#include "plugin/plugin.h"

#include <cstdio>

#include "device/pendant_window.h"
#include "settings/profile_store.h"
#include "settings/settings_io.h"
#include "ui/settings_dialog.h"

namespace k7 {

Plugin::Plugin(Platform& platform) : platform_(platform) {}

Plugin::~Plugin() {
    StopPlug();
}

const char* Plugin::SetProName(HostString name) {
    state_.profileName = HostStringText(name);
    HostStringRelease(name);
    // Opened and closed without a read: the profile is neither parsed nor written.
    ProfileStore store;
    store.Open(platform_.xml, state_.profileName);
    std::snprintf(state_.pluginName, sizeof state_.pluginName, "%s%s",
                  platform_.moduleTitle.c_str(), kPluginNameSuffix);
    store.Close();
    return state_.pluginName;
}

bool Plugin::InitControl(void* engine, void* setup, void* planner, void* view) {
    state_.blocks = HostBlocks{engine, setup, planner, view};
    if (window_ == nullptr && platform_.hid != nullptr) {
        window_ = std::make_unique<PendantWindow>(state_, host_, *platform_.hid);
        if (platform_.windows != nullptr) window_->Create(*platform_.windows, view);
    }
    return true;
}

void Plugin::PostInitControl() {
    ProfileStore store;
    store.Open(platform_.xml, state_.profileName);
    LoadSettings(store, state_.settings, [this] {
        if (window_ != nullptr) window_->FindPendant();
    });
    store.Close();
}

void Plugin::Config() {
    // The dialog's modal loop dispatches the thread's messages, so a host may
    // ask again while it is open. A second store would reload and save, and
    // the outer dialog's values would then overwrite the inner one's.
    if (configuring_) return;
    configuring_ = true;
    if (platform_.dialog != nullptr) platform_.dialog->SetHostView(state_.blocks.view);
    ProfileStore store;
    store.Open(platform_.xml, state_.profileName);
    ConfigureSettings(store, state_.settings, platform_.dialog);
    store.Close();
    configuring_ = false;
}

void Plugin::StopPlug() {
    window_.reset();
}

}  // namespace k7
