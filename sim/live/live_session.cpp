#include "sim/live/live_session.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/host_codes.h"
#include "host/host_string.h"
#include "plugin/pendant_window.h"
#include "settings/option_lists.h"
#include "settings/setting_table.h"
#include "sim/trace/lexer.h"
#include "sim/trace/session.h"
#include "ui/dialog_template.h"

namespace k7::sim::live {
namespace {

// How many of the last host actions and G-code lines the screen keeps.
constexpr std::size_t kActionsKept = 8;
constexpr std::size_t kCodesKept = 6;

// The host as the demo's machine stands: jogging on, 0.01 per step, feed 600,
// override 90 %, jog speed 50 % of 1200 per minute on X, Y and Z.
constexpr double kStartStepSize = 0.01;
constexpr struct {
    int code;
    double value;
} kStartDros[] = {{codes::kDroStepSize, kStartStepSize},
                  {codes::kDroFeed, 600.0},
                  {codes::kDroFeedOverride, 90.0},
                  {codes::kDroJogPercent, 50.0}};
constexpr int kStartAxisVelocity = 1200;

void Keep(std::deque<std::string>& lines, std::string line, std::size_t kept) {
    lines.push_back(std::move(line));
    while (lines.size() > kept) lines.pop_front();
}

// A host button's name from the list the dialog offers for the pendant's functions.
std::string ButtonName(int code) {
    for (const char* entry : ButtonList) {
        if (LeadingNumber(entry) != code || code == 0) continue;
        std::string_view label = EntryLabel(entry);
        while (!label.empty() && label.front() == ' ') label.remove_prefix(1);
        while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
        return std::string(label);
    }
    return {};
}

std::string DroName(int code) {
    switch (code) {
        case codes::kDroJogPercent:
            return "jog speed %";
        case codes::kDroFeed:
            return "feed rate";
        case codes::kDroFeedOverride:
            return "feed override";
        case codes::kDroStepSize:
            return "jog step size";
        case codes::kDroSecondOverride:
            return "DRO 74";
        default:
            return {};
    }
}

// An effect as the screen lists it: the trace's words and what they mean.
std::string Explain(const Effect& effect) {
    std::string text = trace::DescribeEffect(effect);
    std::string name;
    if (effect.kind == Effect::Kind::Button) name = ButtonName(effect.code);
    if (effect.kind == Effect::Kind::Dro) name = DroName(effect.code);
    return name.empty() ? text : text + "  (" + name + ")";
}

}  // namespace

LiveSession::LiveSession(std::string profilePath, const RealSystem* real,
                         std::unique_ptr<SessionFile> record)
    : profilePath_(std::move(profilePath)),
      tap_(real != nullptr ? real->windows : simWindows_, *this),
      platform_{nullptr, &tap_, &xml_, nullptr, "K7"},
      plugin_(platform_) {
    if (real != nullptr) {
        real_.emplace(*real);
        liveHid_.emplace(real->hid, real->onlyPath);
        platform_.hid = &*liveHid_;
    } else {
        platform_.hid = &virtualHid_;
    }
    if (record != nullptr) {
        platform_.sessions = &sessions_;
        plugin_.RecordNextSession(std::move(record));
    }
}

LiveSession::~LiveSession() {
    if (started_ && !stopped_) Stop();
}

void LiveSession::Log(const std::string& line) {
    if (onLog) onLog(line);
}

void LiveSession::SetHostLed(int code, bool lit) {
    host_.SetLed(code, lit);
}

void LiveSession::SetHostDro(int code, double value) {
    host_.SetDro(code, value);
}

void LiveSession::SetJogIncrement(double value) {
    jogIncrement_ = value;
    host_.SetJogIncrement(value);
}

void LiveSession::Start() {
    if (keyboard()) virtualHid_.AddDevice(kVirtualPendantPath, kPendantVendorId, kPendantProductId);
    SetHostLed(codes::kLedJogEnabled, true);
    SetJogIncrement(kStartStepSize);
    for (const auto& dro : kStartDros) SetHostDro(dro.code, dro.value);
    for (int axis = 0; axis < 3; ++axis) host_.SetAxisVelocity(axis, kStartAxisVelocity);

    pluginName_ = plugin_.SetProName(HostStringCreate(profilePath_.c_str()));
    host_.Install(plugin_);
    plugin_.InitControl(host_.engine(), host_.setup(), host_.planner(), host_.view());
    plugin_.PostInitControl();
    started_ = true;
    TakeEffects();
    Log(LinkState());
}

void LiveSession::Stop() {
    if (stopped_) return;
    plugin_.StopPlug();
    stopped_ = true;
    TakeEffects();
}

void LiveSession::TakeEffects() {
    std::vector<Effect>& effects = host_.effects();
    for (const Effect& effect : effects) {
        if (effect.kind == Effect::Kind::Code) {
            const std::string note = machine_.TakeNote();
            Keep(codes_, effect.text + (note.empty() ? "" : "   (" + note + ")"), kCodesKept);
        } else {
            Keep(actions_, Explain(effect), kActionsKept);
        }
        Log("host <- " + Explain(effect));
    }
    effects.clear();
}

void LiveSession::Tick() {
    simWindows_.Tick();
}

void LiveSession::AfterTick() {
    ++ticks_;
    if (PendantWindow* window = plugin_.window()) rate_.Sample(window->link().reportsRead());
    TakeEffects();
}

void LiveSession::Update() {
    plugin_.Update();
    ++updates_;
    TakeEffects();
    // The host's own cycle: it jogs by the step size the pendant last chose.
    const double stepSize = host_.Dro(codes::kDroStepSize);
    if (stepSize != jogIncrement_) SetJogIncrement(stepSize);
}

void LiveSession::BeforeDeviceChange(const DeviceChange& change) {
    if (change.name == nullptr) return;
    const std::string path = change.name;
    if (change.code == kDeviceRemoveComplete) {
        Log("device removed: " + path);
    } else if (change.code == kDeviceArrival) {
        Log("device arrived: " + path);
    }
}

void LiveSession::AfterDeviceChange(const DeviceChange&) {
    TakeEffects();
    Log(LinkState());
}

void LiveSession::QueueReport(bool withPrevious) {
    InputReport report;
    report.bytes[kWheelByte] = pendant_.wheel;
    report.bytes[kSpeedByte] = pendant_.speed;
    report.bytes[kKeyByte] = pendant_.keys3;
    report.bytes[kModeKeyByte] = pendant_.keys4;
    report.withPrevious = withPrevious;
    virtualHid_.QueueReport(report);
}

// A pendant sends a report per detent: a turn of several detents within one
// tick sends them all together, as a real one reporting at its USB rate does.
void LiveSession::Turn(int counts) {
    const int step = counts < 0 ? -1 : 1;
    const int reports = counts < 0 ? -counts : counts;
    for (int i = 0; i < reports; ++i) {
        pendant_.wheel = static_cast<std::uint8_t>(pendant_.wheel + step);
        QueueReport(i > 0);
    }
}

void LiveSession::AddSpeed(int delta) {
    const int speed = std::clamp(pendant_.speed + delta, 0, 255);
    if (speed == pendant_.speed) return;
    pendant_.speed = static_cast<std::uint8_t>(speed);
    QueueReport();
}

void LiveSession::ToggleKey(const PendantKey& key) {
    (key.byte == kKeyByte ? pendant_.keys3 : pendant_.keys4) ^= key.bit;
    QueueReport();
}

void LiveSession::ReleaseKeys() {
    if (pendant_.keys3 == 0 && pendant_.keys4 == 0) return;
    pendant_.keys3 = pendant_.keys4 = 0;
    QueueReport();
}

void LiveSession::TogglePlug() {
    const std::string path = kVirtualPendantPath;
    pendant_.plugged = !pendant_.plugged;
    if (pendant_.plugged) {
        virtualHid_.ArriveDevice(path, kPendantVendorId, kPendantProductId);
        simWindows_.Deliver(DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, path.c_str()});
    } else {
        virtualHid_.RemoveDevice(path);
        simWindows_.Deliver(
            DeviceChange{kDeviceRemoveComplete, kDevTypeDeviceInterface, path.c_str()});
    }
}

void LiveSession::ToggleLed(int code) {
    SetHostLed(code, !host_.Led(code));
}

void LiveSession::Configure(const std::function<void(MemoryDialog& dialog)>& user) {
    MemoryDialog dialog([&user](MemoryDialog& open) { user(open); });
    dialog.onMessage = [this](const char* text) {
        lastMessage_ = text;
        host_.RecordMsgBox(text);
    };
    platform_.dialog = &dialog;
    struct Restore {
        Platform& platform;
        ~Restore() { platform.dialog = nullptr; }
    } restore{platform_};
    plugin_.Config();
    TakeEffects();
}

bool LiveSession::PressOk(MemoryDialog& dialog) {
    const bool closed = dialog.PressOk();
    TakeEffects();
    return closed;
}

void LiveSession::PressEscape(MemoryDialog& dialog) {
    dialog.PressEscape();
}

std::string LiveSession::LinkState() {
    if (stopped_) return "the plug-in has stopped";
    PendantWindow* window = plugin_.window();
    if (window == nullptr) return "the plug-in has no window";
    const PendantLink& link = window->link();
    if (link.devicePath().empty()) return "no pendant found: plug it in";
    if (!link.connected()) return link.devicePath() + " removed: waiting for it to come back";
    if (link.readHandle() == kInvalidHandle || link.writeHandle() == kInvalidHandle)
        return link.devicePath() +
               " found but not opened for reading and writing: see the udev rule";
    return link.devicePath() + " opened";
}

}  // namespace k7::sim::live
