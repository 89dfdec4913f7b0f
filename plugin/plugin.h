// The plug-in as the host drives it: one object per loaded library, behind the
// exported entry points. The simulator and the tests drive fresh instances the
// same way.
#pragma once

#include <memory>

#include "host/host.h"
#include "host/host_string.h"
#include "plugin/module_state.h"
#include "plugin/platform.h"
#include "record/session_recorder.h"

namespace k7 {

class PendantWindow;

inline constexpr const char* kPluginNameSuffix = " Pendant --Tarnwick Ver 1.0";
// Shown when the configuration's changes could not be written to the profile.
inline constexpr const char* kSaveFailedMessage =
    "The pendant settings could not be saved to the profile: it is left as it was. "
    "Check that the profile file is not read-only or in use, then try again.";

class Plugin {
  public:
    explicit Plugin(Platform& platform);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // Keeps the profile name, releases the host's string, and returns the name
    // the host shows; the pointer stays valid until the Plugin is destroyed.
    const char* SetProName(HostString name);
    void SetDoButton(DoButtonFn f) { state_.callbacks.doButton = f; }
    void SetSetDRO(SetDroFn f) { state_.callbacks.setDro = f; }
    void SetGetDRO(GetDroFn f) { state_.callbacks.getDro = f; }
    void SetGetLED(GetLedFn f) { state_.callbacks.getLed = f; }
    void SetSetLED(SetLedFn f) { state_.callbacks.setLed = f; }
    void SetCode(CodeFn f) { state_.callbacks.code = f; }
    bool InitControl(void* engine, void* setup, void* planner, void* view);
    void PostInitControl();
    void Update();
    void Config();
    void StopPlug();

    ModuleState& state() { return state_; }
    const Host& host() const { return host_; }
    PendantWindow* window() { return window_.get(); }
    Platform& platform() { return platform_; }
    SessionRecorder& recorder() { return recorder_; }
    const SessionRecorder& recorder() const { return recorder_; }
    // Records the next session whatever the profile says (the simulator), into
    // file when one is given, else into a new file of the platform's sessions.
    void RecordNextSession(std::unique_ptr<SessionFile> file = nullptr) {
        recordNext_ = true;
        recordFile_ = std::move(file);
    }

  private:
    // The session recording, when the profile asks for it: the host's answers
    // and calls go to the recorder's tap from here to the stop.
    void StartRecording();
    void RecordSettings(RecordKind kind, const PendantSettings& settings);
    void EndRecording();
    // The stop's work: the window's release, then the end of the recording.
    void CloseWindow();
    void TearDown();

    Platform& platform_;
    ModuleState state_;
    Host host_{state_.callbacks, state_.blocks};
    // Before the window: the window's link and timer pass through it.
    SessionRecorder recorder_;
    bool recordNext_ = false;
    std::unique_ptr<SessionFile> recordFile_;
    std::unique_ptr<PendantWindow> window_;
    bool configuring_ = false;  // Config's dialog is open
};

}  // namespace k7
