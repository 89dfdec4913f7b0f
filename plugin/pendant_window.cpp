#include "plugin/pendant_window.h"

#include "jog/continuous_jog.h"
#include "jog/jog_engine.h"
#include "jog/wheel_decoder.h"
#include "pendant/dispatch.h"
#include "pendant/output_report.h"
#include "plugin/guarded.h"

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

// Enter and Leave around a handler, also when it fails midway.
class PendantWindow::Handler {
  public:
    explicit Handler(PendantWindow& window) : window_(window) { window_.Enter(); }
    ~Handler() { window_.Leave(); }
    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;

  private:
    PendantWindow& window_;
};

void PendantWindow::OnTimer() {
    if (depth_ > 0) {
        OnTickInsideHostCall();
        return;
    }
    {
        Handler handler(*this);
        Guarded([this] { ExchangeReports(); });
    }
    FinishOutermost();  // may destroy this window
}

// A tick while a handler is inside a host call: the host is busy, maybe in a
// modal loop (a dialog behind a button), and nobody reads the wheel
// meanwhile. A running engine jog is stopped at once, as the safety stops
// do, and the interrupted handlers reach the host no more, so none of them
// restarts it from a report that is old by now. Nothing else reaches the
// host; the next tick carries on from the wheel's new reference.
void PendantWindow::OnTickInsideHostCall() {
    // Turns made while the host was busy are not replayed once it returns:
    // the next report read is the wheel's reference again, as after an open.
    // (A long wait could also carry the 8-bit counter more than half its range
    // on, which would read as a turn the other way.)
    awaitingFirstReport_ = true;
    if (stopRequested_ || !jog_.engineJogRunning) return;
    Handler handler(*this);
    Cut(depth_ - 1);
    Guarded([this] { StopEngineJog(host_, jog_); });
}

void PendantWindow::OnDeviceChange(const DeviceChange& change) {
    const bool outermost = depth_ == 0;
    if (change.code == kDeviceArrival) {
        // Nothing is opened under a handler that is running: a search asked
        // for meanwhile runs once the outermost one has returned.
        arrivalPending_ = true;
    } else if (change.code == kDeviceRemoveComplete &&
               change.deviceType == kDevTypeDeviceInterface && change.name != nullptr &&
               link_.IsPendantPath(change.name)) {
        Handler handler(*this);
        // The wheel is released now, also inside a host call that may block
        // for long; whatever was interrupted does nothing more to the host.
        Cut(depth_ - 1);
        Guarded([this] { OnPendantRemoved(); });
    }
    if (outermost) FinishOutermost();  // may destroy this window
}

void PendantWindow::Enter() {
    ++depth_;
    // A handler nested in a cut one speaks to the host again.
    if (depth_ > cutDepth_) Unmute();
}

void PendantWindow::Leave() {
    --depth_;
    MuteIfCut();
}

void PendantWindow::Cut(int level) {
    if (level > cutDepth_) cutDepth_ = level;
    MuteIfCut();
}

// Control goes to a cut handler: what the host has been told so far is kept,
// and the Host facade reads through emptied callbacks and blocks from here.
void PendantWindow::MuteIfCut() {
    if (depth_ == 0 || depth_ > cutDepth_ || muted_) return;
    toldJog_ = jog_;
    heldCallbacks_ = module_.callbacks;
    heldBlocks_ = module_.blocks;
    module_.callbacks = HostCallbacks{};
    module_.blocks = HostBlocks{};
    muted_ = true;
}

void PendantWindow::Unmute() {
    if (!muted_) return;
    module_.callbacks = heldCallbacks_;
    module_.blocks = heldBlocks_;
    muted_ = false;
}

void PendantWindow::FinishOutermost() {
    if (depth_ != 0) return;
    Unmute();
    if (cutDepth_ != 0) {
        cutDepth_ = 0;
        // What the cut handlers did to the jog state never reached the host.
        jog_ = toldJog_;
        Guarded([this] { StopJogStartedMeanwhile(host_, jog_); });
    }
    if (arrivalPending_) {
        arrivalPending_ = false;
        if (!stopRequested_) {
            Handler handler(*this);
            Guarded([this] { SearchOnArrival(); });
        }
    }
    if (!stopRequested_) return;
    stopRequested_ = false;
    if (stopFinish_ != nullptr) stopFinish_(stopContext_);  // may destroy this window
}

// The arriving device is not trusted to be the pendant, nor to sit at the
// pendant's old path: the search runs again over what is present, and only a
// match is opened. An open link is left alone.
void PendantWindow::SearchOnArrival() {
    if (!link_.connected() && link_.Find()) OnPendantOpened();
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
    // The handler making the host call that stopped us is cut too.
    Cut(depth_);
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
    if (cutDepth_ == 0) link_.Write(outputReport_);
}

}  // namespace k7
