// The device window: owns the link to the pendant, the report buffers and the
// state of the pendant logic, and runs one report exchange per 25 ms tick.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/hid_system.h"
#include "device/window_system.h"
#include "jog/jog_state.h"
#include "pendant/dispatch.h"
#include "pendant/pendant_state.h"
#include "plugin/host.h"
#include "plugin/module_state.h"

namespace k7 {

inline constexpr std::uint16_t kPendantVendorId = 0x04D8;
inline constexpr std::uint16_t kPendantProductId = 0xB3C5;
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

    bool connected() const { return connected_; }
    const std::string& devicePath() const { return devicePath_; }
    HidHandle readHandle() const { return readHandle_; }
    HidHandle writeHandle() const { return writeHandle_; }
    HidHandle probeHandle() const { return probeHandle_; }
    bool readPending() const { return readPending_; }
    bool hostWasAbsolute() const { return hostWasAbsolute_; }
    const std::uint8_t (&inputReport() const)[kInputReportSize] { return inputReport_; }
    const std::uint8_t (&outputReport() const)[kOutputReportSize] { return outputReport_; }
    PendantState& pendant() { return pendant_; }
    JogState& jog() { return jog_; }

  private:
    void OpenLink();
    void CloseLink();
    void CloseHandle(HidHandle& handle);
    void SettleRead();
    void ReadReport();
    void ProbeHostIdle();

    ModuleState& module_;
    const Host& host_;
    HidSystem& hid_;
    std::unique_ptr<HiddenWindow> window_;

    bool connected_ = false;
    std::string devicePath_;
    HidHandle readHandle_ = kInvalidHandle;
    HidHandle writeHandle_ = kInvalidHandle;
    HidHandle probeHandle_ = kInvalidHandle;
    bool notificationsRegistered_ = false;

    // The system writes only into readBuffer_, and only while readPending_ is
    // set; a read still pending at the next tick is carried over and waited on
    // again instead of starting another into the same buffer.
    std::uint8_t readBuffer_[kInputReportSize] = {};
    bool readPending_ = false;

    std::uint8_t inputReport_[kInputReportSize] = {};
    std::uint8_t previousInputReport_[kInputReportSize] = {};
    std::uint8_t outputReport_[kOutputReportSize] = {};
    bool hostWasAbsolute_ = true;

    PendantState pendant_;
    JogState jog_;
};

}  // namespace k7
