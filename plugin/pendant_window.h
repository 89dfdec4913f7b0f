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

    void OnTimer() override;
    void OnDeviceChange(const DeviceChange& change) override;

    // Whether a tick or a device notice is being handled now. The host may
    // call back into the plug-in from inside the calls the handler makes.
    bool busy() const { return busy_; }

    // A stop asked for while busy: from here on the handler reaches the host
    // no more, and once it has returned `finish(context)` is called to tear
    // the window down (it may destroy it). Asking again changes nothing.
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
    void ProbeHostIdle();
    void OnPendantOpened() { awaitingFirstReport_ = true; }
    void OnPendantRemoved();
    // Runs the deferred stop, if one was asked for; `this` may be gone after.
    void FinishRequestedStop();

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

    bool busy_ = false;
    bool shutDown_ = false;
    // A stop from inside a host call: the host's callbacks and blocks are
    // held here while the handler finishes without them, and the jog state as
    // it was when the stop came (what the host had been told, see
    // continuous_jog.cpp) decides what the release undoes.
    bool stopRequested_ = false;
    void (*stopFinish_)(void*) = nullptr;
    void* stopContext_ = nullptr;
    HostCallbacks heldCallbacks_;
    HostBlocks heldBlocks_;
    JogState jogAtStop_;
};

}  // namespace k7
