// One live session: the plug-in inside the simulated host and machine of the
// demo, driven in real time by a real pendant or by the keyboard's virtual
// one. The plug-in's own session recorder can write the session as a trace
// that `k7sim run` replays.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "device/hid_system.h"
#include "device/window_system.h"
#include "plugin/platform.h"
#include "plugin/plugin.h"
#include "protocol/pendant_protocol.h"
#include "record/linux/posix_session_storage.h"
#include "settings/pugixml/pugixml_dom.h"
#include "sim/demo/demo_machine.h"
#include "sim/live/live_hid.h"
#include "sim/live/report_rate.h"
#include "sim/live/window_tap.h"
#include "sim/memory_dialog.h"
#include "sim/sim_host.h"
#include "sim/sim_window.h"
#include "sim/virtual_hid.h"

namespace k7::sim::live {

inline constexpr const char* kVirtualPendantPath = "sim-pendant-0";
inline constexpr int kTickMs = 25;

// The operating system's side when a real pendant drives the session.
struct RealSystem {
    HidSystem& hid;
    WindowSystem& windows;
    std::string onlyPath;  // --device: discovery sees only this node
};

// The keyboard's pendant: what its next report carries.
struct VirtualPendant {
    std::uint8_t wheel = 0;
    std::uint8_t speed = 0;
    std::uint8_t keys3 = 0;  // Fn Reset X Y Z Screen Start
    std::uint8_t keys4 = 0;  // M1 M2 M3
    bool plugged = true;

    bool Held(const PendantKey& key) const {
        return ((key.byte == kKeyByte ? keys3 : keys4) & key.bit) != 0;
    }
};

class LiveSession final : public WindowObserver {
  public:
    // real: null for the virtual pendant. record: the trace's file, or null.
    LiveSession(std::string profilePath, const RealSystem* real,
                std::unique_ptr<SessionFile> record = nullptr);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // Sets up the host as the demo's machine stands, then loads the plug-in as
    // the host does.
    void Start();
    // StopPlug, as the host does when it closes; ends the recording.
    void Stop();

    // One timer tick of the virtual pendant's window (a real pendant's window
    // has a timer of its own).
    void Tick();
    // One host cycle: Update, then the host takes the pendant's step size as
    // its jog increment.
    void Update();
    void AdvanceMachine(double seconds) { machine_.Advance(seconds); }

    // The virtual pendant: each change queues one report.
    void Turn(int counts);
    void AddSpeed(int delta);
    void ToggleKey(const PendantKey& key);
    void ReleaseKeys();
    void TogglePlug();

    void ToggleLed(int code);

    // The host's Config call, with `user` playing the user on the open dialog
    // through PressOk and PressEscape.
    void Configure(const std::function<void(MemoryDialog& dialog)>& user);
    // OK: true when the dialog applied the settings and closed.
    bool PressOk(MemoryDialog& dialog);
    void PressEscape(MemoryDialog& dialog);
    // The text of the dialog's last message box.
    const std::string& lastMessage() const { return lastMessage_; }

    // What the screen shows.
    bool keyboard() const { return !real_.has_value(); }
    bool started() const { return started_; }
    bool stopped() const { return stopped_; }
    bool recording() const { return plugin_.recorder().recording(); }
    const VirtualPendant& pendant() const { return pendant_; }
    SimHost& host() { return host_; }
    const DemoMachine& machine() const { return machine_; }
    Plugin& plugin() { return plugin_; }
    const std::string& profilePath() const { return profilePath_; }
    const std::string& pluginName() const { return pluginName_; }
    // The last host actions and G-code lines, newest last.
    const std::deque<std::string>& actions() const { return actions_; }
    const std::deque<std::string>& codes() const { return codes_; }
    // The pendant link as the plug-in holds it, in words.
    std::string LinkState();
    long ticks() const { return ticks_; }
    // Reports the plug-in read over the last second (40 ticks), per second.
    double reportRate() const { return rate_.PerSecond(); }
    long updates() const { return updates_; }

    // Called with a line for each effect and device notice.
    std::function<void(const std::string& line)> onLog;

    void AfterTick() override;
    void BeforeDeviceChange(const DeviceChange& change) override;
    void AfterDeviceChange(const DeviceChange& change) override;

  private:
    void Log(const std::string& line);
    void TakeEffects();
    void QueueReport(bool withPrevious = false);
    void SetHostLed(int code, bool lit);
    void SetHostDro(int code, double value);
    void SetJogIncrement(double value);

    std::string profilePath_;
    std::optional<RealSystem> real_;
    PosixSessionStorage sessions_;

    // Built in this order, torn down in reverse: the plug-in goes first.
    SimHost host_;
    DemoMachine machine_{host_};
    VirtualHid virtualHid_;
    SimWindowSystem simWindows_{&virtualHid_};
    std::optional<LiveHid> liveHid_;
    WindowTap tap_;
    PugiXmlDomFactory xml_;
    Platform platform_;
    Plugin plugin_;

    VirtualPendant pendant_;
    bool started_ = false;
    bool stopped_ = false;
    std::string pluginName_;
    double jogIncrement_ = 0.0;
    std::string lastMessage_;
    std::deque<std::string> actions_;
    std::deque<std::string> codes_;
    long ticks_ = 0;
    long updates_ = 0;
    ReportRate rate_;
};

}  // namespace k7::sim::live
