#include "plugin/plugin.h"

#include <cstdio>

#include "plugin/guarded.h"
#include "plugin/pendant_window.h"
#include "settings/profile_store.h"
#include "settings/settings_io.h"
#include "ui/settings_dialog.h"

namespace k7 {

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
    // The profile is neither parsed nor written here: a store opened and closed
    // without a read does nothing.
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
    // The dialog's modal loop dispatches the thread's messages, so a host may
    // ask again while it is open. A second store would reload and save, and
    // the outer dialog's values would then overwrite the inner one's.
    if (configuring_) return;
    configuring_ = true;
    Guarded([&] {
        if (platform_.dialog != nullptr) platform_.dialog->SetHostView(state_.blocks.view);
        ProfileStore store;
        store.Open(platform_.xml, state_.profileName);
        SettingsDialog* dialog = platform_.dialog;
        ConfigureSettings(store, state_.settings, [dialog](PendantSettings& settings) {
            if (dialog != nullptr) dialog->Run(settings);
        });
        // Told here, where the user just pressed OK, as the host tells its own
        // errors; a tick or the start-up never shows anything.
        if (!store.Close() && dialog != nullptr) dialog->ShowMessage(kSaveFailedMessage);
    });
    configuring_ = false;
}

void Plugin::StopPlug() {
    if (window_ == nullptr) return;
    if (window_->busy()) {
        // Called back from inside a host call that the window's tick or
        // device handling is making: the window is still running below us, so
        // it is torn down once that handler has returned.
        window_->RequestStop([](void* self) { static_cast<Plugin*>(self)->StopPlug(); }, this);
        return;
    }
    // Out of window_ first: a host that calls StopPlug again from inside the
    // release's own host calls finds nothing left to stop.
    const std::unique_ptr<PendantWindow> window = std::move(window_);
    window->Shutdown();
}

}  // namespace k7
