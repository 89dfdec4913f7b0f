#include "plugin/plugin.h"

#include <cstdio>

#include "plugin/guarded.h"
#include "plugin/pendant_window.h"
#include "settings/profile_store.h"
#include "settings/setting_table.h"
#include "settings/settings_io.h"
#include "ui/settings_dialog.h"

namespace k7 {

Plugin::Plugin(Platform& platform) : platform_(platform) {}

namespace {

#if defined(_WIN32)
constexpr const char* kSystemName = "Windows";
#else
constexpr const char* kSystemName = "Linux";
#endif

}  // namespace

Plugin::~Plugin() {
    StopPlug();
    EndRecording();
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
            // A platform that can record hands the window the recorder's
            // pass-through systems, whether or not this session is recorded.
            const bool recordable = platform_.sessions != nullptr;
            HidSystem& hid = recordable ? recorder_.Hid(*platform_.hid) : *platform_.hid;
            window_ = std::make_unique<PendantWindow>(state_, host_, hid);
            if (platform_.windows != nullptr)
                window_->Create(
                    recordable ? recorder_.Windows(*platform_.windows) : *platform_.windows, view);
        }
    });
    return true;
}

void Plugin::PostInitControl() {
    SessionTap& tap = recorder_.tap();
    Guarded([&] {
        ProfileStore store;
        store.Open(platform_.xml, state_.profileName);
        // A recording that cannot start (out of memory) is no reason not to load.
        if (platform_.sessions != nullptr &&
            (recordNext_ || store.GetInt(kSettingsSection, kRecordSessionsKey, 0) != 0))
            Guarded([this] { StartRecording(); });
        tap.Begin(RecordKind::Start);
        // A search that fails midway leaves the pendant unopened; the settings
        // after it are still read.
        LoadSettings(store, state_.settings, [this] {
            Guarded([this] {
                if (window_ != nullptr) window_->FindPendant();
            });
        });
        store.Close();
    });
    RecordSettings(RecordKind::Setting, state_.settings);
    tap.End(RecordKind::Started);
}

void Plugin::StartRecording() {
    if (recorder_.recording()) return;
    const std::string name = platform_.moduleTitle + kPluginNameSuffix;
    std::vector<std::string> header = {
        "A session of the " + name + " plug-in on " + kSystemName + ".",
        "It holds the plug-in's own settings, the host values it read, its calls to the host "
        "and the pendant's reports.",
        "Replay it with: k7sim run FILE"};
    const bool begun = recordFile_ != nullptr
                           ? recorder_.Begin(*platform_.sessions, std::move(recordFile_), header)
                           : recorder_.Begin(*platform_.sessions, header);
    if (begun) state_.callbacks.observer = &recorder_.tap();
}

void Plugin::RecordSettings(RecordKind kind, const PendantSettings& settings) {
    SessionTap& tap = recorder_.tap();
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i)
        tap.Value(kind, static_cast<int>(i), FieldValue(settings, kSettingKeys[i]));
}

void Plugin::EndRecording() {
    state_.callbacks.observer = nullptr;
    recorder_.End();
}

void Plugin::Update() {
    recorder_.tap().Begin(RecordKind::Update);
    state_.counters.Update();
}

void Plugin::Config() {
    // The dialog's modal loop dispatches the thread's messages, so a host may
    // ask again while it is open. A second store would reload and save, and
    // the outer dialog's values would then overwrite the inner one's.
    if (configuring_) return;
    configuring_ = true;
    bool saved = true;
    Guarded([&] {
        if (platform_.dialog != nullptr) platform_.dialog->SetHostView(state_.blocks.view);
        ProfileStore store;
        store.Open(platform_.xml, state_.profileName);
        SettingsDialog* dialog = platform_.dialog;
        ConfigureSettings(store, state_.settings, [this, dialog](PendantSettings& settings) {
            RecordSettings(RecordKind::Shown, settings);
            recorder_.tap().Begin(RecordKind::ConfigOpened);
            const bool ok = dialog != nullptr && dialog->Run(settings);
            if (ok) RecordSettings(RecordKind::ConfigSet, settings);
            recorder_.tap().End(RecordKind::ConfigClosed, ok ? record_flags::kOk : 0);
        });
        // Told here, where the user just pressed OK, as the host tells its own
        // errors; a tick or the start-up never shows anything.
        saved = store.Close();
        if (!saved && dialog != nullptr) dialog->ShowMessage(kSaveFailedMessage);
    });
    recorder_.tap().End(RecordKind::ConfigEnd, saved ? 0 : record_flags::kSaveFailed);
    configuring_ = false;
}

void Plugin::StopPlug() {
    SessionTap& tap = recorder_.tap();
    tap.Begin(RecordKind::Stop);
    if (window_ != nullptr && window_->busy()) {
        // Called back from inside a host call that the window's tick or
        // device handling is making: the window is still running below us, so
        // it is torn down once that handler has returned.
        window_->RequestStop([](void* self) { static_cast<Plugin*>(self)->TearDown(); }, this);
        tap.End(RecordKind::Stopped);
        return;
    }
    CloseWindow();
    tap.End(RecordKind::Stopped);
    EndRecording();
}

void Plugin::TearDown() {
    CloseWindow();
    EndRecording();
}

void Plugin::CloseWindow() {
    if (window_ == nullptr) return;
    // Out of window_ first: a host that calls StopPlug again from inside the
    // release's own host calls finds nothing left to stop.
    const std::unique_ptr<PendantWindow> window = std::move(window_);
    window->Shutdown();
}

}  // namespace k7
