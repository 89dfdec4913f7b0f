// The device window: owns the link to the pendant, the report buffers and the
// state of the pendant logic, and runs one report exchange per 25 ms tick.
#pragma once

#include <cstdint>
#include <memory>

#include "device/hid_system.h"
#include "device/pendant_link.h"
#include "device/window_system.h"
#include "host/host.h"
#include "jog/jog_state.h"
#include "pendant/pendant_state.h"
#include "plugin/module_state.h"
#include "protocol/pendant_protocol.h"

namespace k7 {

inline constexpr unsigned kTickTimerId = 1;
inline constexpr unsigned kTickPeriodMs = 25;
inline constexpr int kReadWindowMs = 5;

class PendantWindow final : public WindowEvents {
  public:
    PendantWindow(ModuleState& module, const Host& host, HidSystem& hid);
    // Releases the wheel if Shutdown has not, then closes the link.
    ~PendantWindow();
    PendantWindow(const PendantWindow&) = delete;
    PendantWindow& operator=(const PendantWindow&) = delete;

    // Creates the hidden child window under the host's view; false when the
    // system refused (the plug-in then runs without ticks, as the host expects).
    bool Create(WindowSystem& windows, void* hostView);

    // Registers for device notices, finds the first pendant among the HID
    // interfaces present now and opens it, and starts the tick timer: notices
    // and ticks run whether or not a pendant was found, so one plugged in
    // later is found when it arrives.
    bool FindPendant();

    // The window's messages. Neither lets anything escape: a failure (out of
    // memory in a search) abandons the handler where it stood.
    void OnTimer() override;
    void OnDeviceChange(const DeviceChange& change) override;

    // Whether a tick or a device notice is being handled now. The host may
    // call back into the plug-in, and dispatch the window's next message, from
    // inside the calls a handler makes.
    bool busy() const { return depth_ > 0; }

    // A stop asked for while busy: from here on the interrupted handlers reach
    // the host no more, and once they have returned `finish(context)` is
    // called to tear the window down (it may destroy it). Asking again
    // changes nothing.
    void RequestStop(void (*finish)(void* context), void* context);

    // The stop: the wheel is released on the host (see ReleaseWheel) and the
    // link closed. Once only; the destructor does it if nobody did.
    void Shutdown();

    // One tick: read a report (or reuse the last), run the pendant logic, write
    // the output report.
    void ExchangeReports();

    const PendantLink& link() const { return link_; }
    bool hostWasAbsolute() const { return hostWasAbsolute_; }
    const std::uint8_t (&inputReport() const)[kInputReportSize] { return inputReport_; }
    const std::uint8_t (&outputReport() const)[kOutputReportSize] { return outputReport_; }
    PendantState& pendant() { return pendant_; }
    JogState& jog() { return jog_; }

  private:
    // Handlers nest when a host call dispatches the window's next message.
    // Each runs between Enter and Leave; the outermost Leave finishes what
    // nested ones put off (a search, the stop) and may destroy this window.
    class Handler;
    void Enter();
    void Leave();
    // The handlers at `level` and below, interrupted inside a host call, reach
    // the host no more: what they do after the interruption stays unsaid, and
    // the jog state goes back to what the host had been told (see
    // continuous_jog.cpp) when the outermost one returns.
    void Cut(int level);
    void MuteIfCut();
    void Unmute();
    void FinishOutermost();

    void ProbeHostIdle();
    void OnPendantOpened() { awaitingFirstReport_ = true; }
    void OnPendantRemoved();
    void SearchOnArrival();
    void OnTickInsideHostCall();

    ModuleState& module_;
    const Host& host_;
    // Declared before the link, so the handles are closed before the window goes.
    std::unique_ptr<HiddenWindow> window_;
    bool notificationsRegistered_ = false;
    PendantLink link_;

    std::uint8_t inputReport_[kInputReportSize] = {};
    std::uint8_t outputReport_[kOutputReportSize] = {};
    bool hostWasAbsolute_ = true;
    // The next report read is the first from a pendant just opened.
    bool awaitingFirstReport_ = false;

    PendantState pendant_;
    JogState jog_;

    int depth_ = 0;     // handlers running, the outermost at 1
    int cutDepth_ = 0;  // handlers at this depth and below are cut; 0: none
    bool shutDown_ = false;
    bool arrivalPending_ = false;  // an arrival came while busy: search at the end
    bool stopRequested_ = false;
    void (*stopFinish_)(void*) = nullptr;
    void* stopContext_ = nullptr;
    // While cut handlers run, the host's callbacks and blocks are held here
    // (the Host facade then skips every call and reads 0), and the jog state
    // the host had been told when control last went back to them.
    bool muted_ = false;
    HostCallbacks heldCallbacks_;
    HostBlocks heldBlocks_;
    JogState toldJog_;
};

}  // namespace k7
