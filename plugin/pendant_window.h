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
    ~PendantWindow();
    PendantWindow(const PendantWindow&) = delete;
    PendantWindow& operator=(const PendantWindow&) = delete;

    // Creates the hidden child window under the host's view; false when the
    // system refused (the plug-in then runs without ticks, as the host expects).
    bool Create(WindowSystem& windows, void* hostView);

    // Finds the first pendant among the HID interfaces present now, opens it,
    // and starts the tick timer whether or not one was found.
    bool FindPendant();

    void OnTimer() override { ExchangeReports(); }
    void OnDeviceChange(const DeviceChange& change) override;

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

    ModuleState& module_;
    const Host& host_;
    // Declared before the link, so the handles are closed before the window goes.
    std::unique_ptr<HiddenWindow> window_;
    bool notificationsRegistered_ = false;
    PendantLink link_;

    std::uint8_t inputReport_[kInputReportSize] = {};
    std::uint8_t outputReport_[kOutputReportSize] = {};
    bool hostWasAbsolute_ = true;

    PendantState pendant_;
    JogState jog_;
};

}  // namespace k7
