#include "device/pendant_window.h"

#include <cstring>

#include "device/path_compare.h"
#include "jog/jog_engine.h"

namespace k7 {

PendantWindow::PendantWindow(ModuleState& module, const Host& host, HidSystem& hid)
    : module_(module), host_(host), hid_(hid) {}

PendantWindow::~PendantWindow() {
    // Nobody is at the wheel once the plug-in stops: an engine jog must not run on.
    StopEngineJog(host_, jog_);
    SettleRead();
    CloseHandle(probeHandle_);
    CloseHandle(readHandle_);
    CloseHandle(writeHandle_);
    window_.reset();
}

bool PendantWindow::Create(WindowSystem& windows, void* hostView) {
    window_ = windows.CreateHiddenChild(hostView, *this);
    return window_ != nullptr;
}

bool PendantWindow::FindPendant() {
    CloseLink();
    CloseHandle(probeHandle_);
    for (const std::string& path : hid_.ListInterfaces()) {
        HidHandle probe = hid_.OpenProbe(path);
        HidAttributes attributes;
        const bool matched = probe != kInvalidHandle && hid_.GetAttributes(probe, attributes) &&
                             attributes.vendorId == kPendantVendorId &&
                             attributes.productId == kPendantProductId;
        if (!matched) {
            CloseHandle(probe);
            continue;
        }
        connected_ = true;
        devicePath_ = path;
        probeHandle_ = probe;  // kept open until the window goes
        if (window_ != nullptr && !notificationsRegistered_) {
            window_->RegisterHidNotifications();
            notificationsRegistered_ = true;
        }
        OpenLink();
        break;
    }
    if (window_ != nullptr) window_->StartTimer(kTickTimerId, kTickPeriodMs);
    return connected_;
}

void PendantWindow::OnDeviceChange(const DeviceChange& change) {
    if (change.code == kDeviceArrival) {
        // Any HID arrival reopens the pendant's path; the arriving device is not
        // examined. Handles still open are closed first so none ever leaks, and a
        // plug-in that never matched a pendant has no path to reopen.
        if (devicePath_.empty()) return;
        CloseLink();
        connected_ = true;
        OpenLink();
    } else if (change.code == kDeviceRemoveComplete) {
        if (change.deviceType != kDevTypeDeviceInterface || change.name == nullptr) return;
        if (devicePath_.empty() || !PathsEqualIgnoringCase(change.name, devicePath_)) return;
        StopEngineJog(host_, jog_);
        CloseLink();
    }
}

void PendantWindow::OpenLink() {
    readHandle_ = hid_.OpenRead(devicePath_);
    writeHandle_ = hid_.OpenWrite(devicePath_);
}

void PendantWindow::CloseLink() {
    SettleRead();
    CloseHandle(readHandle_);
    CloseHandle(writeHandle_);
    connected_ = false;
}

void PendantWindow::CloseHandle(HidHandle& handle) {
    if (handle != kInvalidHandle) hid_.Close(handle);
    handle = kInvalidHandle;
}

void PendantWindow::SettleRead() {
    if (readPending_ && readHandle_ != kInvalidHandle) hid_.CancelRead(readHandle_);
    readPending_ = false;
}

void PendantWindow::ProbeHostIdle() {
    if (host_.PlannerBusy() == 0 && host_.PlannerQueueIdle() && host_.EngineQueueIdle())
        hostWasAbsolute_ = host_.DistanceMode() == 0;
}

// Reads the next report into inputReport_, or leaves the previous one there when
// none completes within the read window.
void PendantWindow::ReadReport() {
    std::memcpy(previousInputReport_, inputReport_, sizeof inputReport_);
    if (readHandle_ == kInvalidHandle) return;
    if (!readPending_) {
        const ReadStart started = hid_.StartRead(readHandle_, readBuffer_);
        if (started == ReadStart::Completed) {
            std::memcpy(inputReport_, readBuffer_, sizeof inputReport_);
            return;
        }
        if (started == ReadStart::Failed) return;
        readPending_ = true;
    }
    const ReadWait waited = hid_.WaitRead(readHandle_, kReadWindowMs);
    if (waited == ReadWait::TimedOut) return;  // carried over to the next tick
    readPending_ = false;
    if (waited == ReadWait::Completed) std::memcpy(inputReport_, readBuffer_, sizeof inputReport_);
}

void PendantWindow::ExchangeReports() {
    if (!connected_) return;
    ProbeHostIdle();
    ReadReport();
    TickContext tick{host_, module_, pendant_, jog_, hostWasAbsolute_};
    DispatchInputReport(tick, inputReport_);
    BuildOutputReport(tick, outputReport_);
    if (writeHandle_ != kInvalidHandle) hid_.Write(writeHandle_, outputReport_);
}

}  // namespace k7
