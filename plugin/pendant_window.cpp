#include "plugin/pendant_window.h"

#include "jog/continuous_jog.h"
#include "pendant/dispatch.h"
#include "pendant/output_report.h"

namespace k7 {

PendantWindow::PendantWindow(ModuleState& module, const Host& host, HidSystem& hid)
    : module_(module), host_(host), link_(hid) {}

PendantWindow::~PendantWindow() {
    // Nobody is at the wheel once the plug-in stops: an engine jog must not run on.
    StopEngineJog(host_, jog_);
}

bool PendantWindow::Create(WindowSystem& windows, void* hostView) {
    window_ = windows.CreateHiddenChild(hostView, *this);
    return window_ != nullptr;
}

bool PendantWindow::FindPendant() {
    const bool found = link_.Find();
    if (found && window_ != nullptr && !notificationsRegistered_) {
        window_->RegisterHidNotifications();
        notificationsRegistered_ = true;
    }
    if (window_ != nullptr) window_->StartTimer(kTickTimerId, kTickPeriodMs);
    return found;
}

void PendantWindow::OnDeviceChange(const DeviceChange& change) {
    if (change.code == kDeviceArrival) {
        // Any HID arrival reopens the pendant's path; the arriving device is not
        // examined.
        link_.Reopen();
    } else if (change.code == kDeviceRemoveComplete) {
        if (change.deviceType != kDevTypeDeviceInterface || change.name == nullptr) return;
        if (!link_.IsPendantPath(change.name)) return;
        StopEngineJog(host_, jog_);
        link_.Close();
    }
}

void PendantWindow::ProbeHostIdle() {
    if (host_.PlannerBusy() == 0 && host_.PlannerQueueIdle() && host_.EngineQueueIdle())
        hostWasAbsolute_ = host_.DistanceMode() == 0;
}

void PendantWindow::ExchangeReports() {
    if (!link_.connected()) return;
    ProbeHostIdle();
    // Without a new report the previous one is dispatched again.
    link_.Read(inputReport_, kReadWindowMs);
    TickContext tick{host_, module_.counters, module_.settings, module_.logic, pendant_,
                     jog_,  hostWasAbsolute_};
    DispatchInputReport(tick, inputReport_);
    BuildOutputReport(tick, outputReport_);
    link_.Write(outputReport_);
}

}  // namespace k7
