#include "plugin/pendant_window.h"

#include "jog/jog_engine.h"
#include "jog/wheel_decoder.h"
#include "pendant/dispatch.h"
#include "pendant/output_report.h"

namespace k7 {

PendantWindow::PendantWindow(ModuleState& module, const Host& host, HidSystem& hid)
    : module_(module), host_(host), link_(hid) {}

PendantWindow::~PendantWindow() {
    Shutdown();
}

bool PendantWindow::Create(WindowSystem& windows, void* hostView) {
    window_ = windows.CreateHiddenChild(hostView, *this);
    return window_ != nullptr;
}

bool PendantWindow::FindPendant() {
    // Registered before the search, so no arrival can slip between the two.
    if (window_ != nullptr && !notificationsRegistered_) {
        window_->RegisterHidNotifications();
        notificationsRegistered_ = true;
    }
    const bool found = link_.Find();
    if (found) OnPendantOpened();
    if (window_ != nullptr) window_->StartTimer(kTickTimerId, kTickPeriodMs);
    return found;
}

void PendantWindow::OnTimer() {
    // A host that runs a modal loop inside one of its callbacks can deliver the
    // next tick while this one is still running: that tick is skipped.
    if (busy_) return;
    busy_ = true;
    ExchangeReports();
    busy_ = false;
    FinishRequestedStop();
}

void PendantWindow::OnDeviceChange(const DeviceChange& change) {
    const bool outer = !busy_;
    busy_ = true;
    if (change.code == kDeviceArrival) {
        // The arriving device is not trusted to be the pendant, nor to sit at
        // the pendant's old path: the search runs again over what is present,
        // and only a match is opened. An open link is left alone.
        if (!link_.connected() && link_.Find()) OnPendantOpened();
    } else if (change.code == kDeviceRemoveComplete &&
               change.deviceType == kDevTypeDeviceInterface && change.name != nullptr &&
               link_.IsPendantPath(change.name)) {
        OnPendantRemoved();
    }
    if (!outer) return;
    busy_ = false;
    FinishRequestedStop();
}

void PendantWindow::OnPendantRemoved() {
    link_.Close();
    ReleaseWheel(host_, module_.settings, jog_);
}

void PendantWindow::RequestStop(void (*finish)(void*), void* context) {
    if (stopRequested_) return;
    stopRequested_ = true;
    stopFinish_ = finish;
    stopContext_ = context;
    jogAtStop_ = jog_;
    // The Host facade reads through these: with them empty, every call the
    // rest of the handler makes is skipped and every read gives 0.
    heldCallbacks_ = module_.callbacks;
    heldBlocks_ = module_.blocks;
    module_.callbacks = HostCallbacks{};
    module_.blocks = HostBlocks{};
}

void PendantWindow::FinishRequestedStop() {
    if (!stopRequested_) return;
    module_.callbacks = heldCallbacks_;
    module_.blocks = heldBlocks_;
    // What the rest of the handler did to the jog state never reached the host:
    // the stop releases what the host had been told when it came.
    jog_ = jogAtStop_;
    stopRequested_ = false;
    if (stopFinish_ != nullptr) stopFinish_(stopContext_);  // may destroy this window
}

void PendantWindow::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    link_.Close();
    ReleaseWheel(host_, module_.settings, jog_);
}

void PendantWindow::ProbeHostIdle() {
    if (host_.PlannerBusy() == 0 && host_.PlannerQueueIdle() && host_.EngineQueueIdle())
        hostWasAbsolute_ = host_.DistanceMode() == 0;
}

void PendantWindow::ExchangeReports() {
    if (!link_.connected()) return;
    ProbeHostIdle();
    // Without a new report the previous one is dispatched again; of several
    // waiting, only the newest (the wheel's counter holds every count).
    const bool fresh = link_.Read(inputReport_, kReadWindowMs) > 0;
    if (fresh && awaitingFirstReport_) {
        SetWheelBaseline(jog_, inputReport_[kWheelByte]);
        awaitingFirstReport_ = false;
    }
    TickContext tick{host_, module_.counters, module_.settings, module_.logic, pendant_,
                     jog_,  hostWasAbsolute_};
    DispatchInputReport(tick, inputReport_);
    BuildOutputReport(tick, outputReport_);
    if (!stopRequested_) link_.Write(outputReport_);
}

}  // namespace k7
