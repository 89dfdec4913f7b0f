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

std::string Hex(unsigned value, int digits) {
    char text[8];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

std::string ReportLine(std::span<const std::uint8_t> bytes) {
    std::string line = "report";
    for (std::uint8_t byte : bytes) line += " " + Hex(byte, 2);
    return line;
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

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

std::string Shown(MemoryControls& controls, const SettingKey& key) {
    const int control = SettingControl(key.key);
    switch (SettingControlKind(key.key)) {
        case ControlKind::Edit:
            return trace::TraceWord(controls.Text(control));
        case ControlKind::CheckBox:
            return controls.Checked(control) ? "1" : "0";
        default:  // a combo box, the one other kind a setting is shown in
            return std::to_string(controls.Selection(control));
    }
}

std::string FocusName(int control) {
    if (control == kOkId) return "OK";
    for (const SettingKey& key : kSettingKeys)
        if (SettingControl(key.key) == control) return key.key;
    return std::to_string(control);
}

}  // namespace

LiveSession::LiveSession(std::string profilePath, const RealSystem* real, std::ostream* record)
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
    if (record != nullptr) recorder_.emplace(*record);
}

LiveSession::~LiveSession() {
    if (started_ && !stopped_) Stop();
}

void LiveSession::Record(const std::string& line) {
    if (recorder_) recorder_->Line(line);
}

void LiveSession::Log(const std::string& line) {
    if (onLog) onLog(line);
}

void LiveSession::SetHostLed(int code, bool lit) {
    host_.SetLed(code, lit);
    Record("led " + std::to_string(code) + (lit ? " 1" : " 0"));
}

void LiveSession::SetHostDro(int code, double value) {
    host_.SetDro(code, value);
    Record("dro " + std::to_string(code) + " " + trace::TraceNumber(value));
}

void LiveSession::SetJogIncrement(double value) {
    jogIncrement_ = value;
    host_.SetJogIncrement(value);
    Record("host jogIncrement " + trace::TraceNumber(value));
}

void LiveSession::Start() {
    // The profile as it is before the plug-in first opens it.
    const std::optional<std::string> profile = ReadFile(profilePath_);
    Record(
        "# A k7sim live session (" +
        std::string(keyboard() ? "the keyboard's virtual pendant" : "the pendant through hidraw") +
        "). Replay it with: k7sim run FILE");
    if (profile && recorder_) recorder_->Profile(*profile);

    if (keyboard()) {
        virtualHid_.AddDevice(kVirtualPendantPath, kPendantVendorId, kPendantProductId);
        Record(std::string("device ") + kVirtualPendantPath + " " + Hex(kPendantVendorId, 4) + " " +
               Hex(kPendantProductId, 4));
    } else {
        const std::vector<std::string> paths = liveHid_->ListInterfaces();
        if (paths.empty()) Record("nodevice");
        for (const std::string& path : paths) {
            // Ids that cannot be read never match, as 0000:0000 never does.
            HidAttributes ids{};
            if (!liveHid_->Probe(path, ids)) ids = HidAttributes{};
            Record("device " + trace::TraceWord(path) + " " + Hex(ids.vendorId, 4) + " " +
                   Hex(ids.productId, 4));
        }
    }

    SetHostLed(codes::kLedJogEnabled, true);
    SetJogIncrement(kStartStepSize);
    for (const auto& dro : kStartDros) SetHostDro(dro.code, dro.value);
    for (int axis = 0; axis < 3; ++axis) {
        host_.SetAxisVelocity(axis, kStartAxisVelocity);
        Record("host axisVelocity " + std::to_string(axis) + " " +
               std::to_string(kStartAxisVelocity));
    }

    Record("start");
    pluginName_ = plugin_.SetProName(HostStringCreate(profilePath_.c_str()));
    host_.Install(plugin_);
    plugin_.InitControl(host_.engine(), host_.setup(), host_.planner(), host_.view());
    plugin_.PostInitControl();
    started_ = true;
    TakeEffects();
    Record("expect name " + trace::TraceWord(pluginName_));
    // The settings the session runs with.
    for (const SettingKey& key : kSettingKeys)
        Record("expect setting " + std::string(key.key) + " " +
               std::to_string(FieldValue(plugin_.state().settings, key)));
    RecordOpened();
    Log(LinkState());
}

void LiveSession::Stop() {
    if (stopped_) return;
    Record("stop");
    plugin_.StopPlug();
    stopped_ = true;
    TakeEffects();
    Record("expect none");
    if (recorder_) recorder_->Finish();
}

void LiveSession::TakeEffects() {
    std::vector<Effect>& effects = host_.effects();
    for (const Effect& effect : effects) {
        Record("expect " + trace::DescribeEffect(effect));
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

// Written only when both handles are open, or the link is closed: a node the
// system refused to open has no counterpart in the replay's virtual system.
void LiveSession::RecordOpened() {
    PendantWindow* window = plugin_.window();
    if (window == nullptr) return;
    const PendantLink& link = window->link();
    const bool read = link.readHandle() != kInvalidHandle;
    const bool write = link.writeHandle() != kInvalidHandle;
    if (read && write) Record("expect opened " + trace::TraceWord(link.devicePath()));
    if (!read && !write && !link.connected()) Record("expect opened none");
}

// The indicators the pendant shows, each time they change.
void LiveSession::RecordOutput() {
    PendantWindow* window = plugin_.window();
    if (window == nullptr || !window->link().connected()) return;
    const auto& out = window->outputReport();
    if (outputRecorded_ && out[kIndicatorByte] == lastOutput_[kIndicatorByte] &&
        out[kModeByte] == lastOutput_[kModeByte])
        return;
    std::string line = "expect out";
    for (std::uint8_t byte : out) line += " " + Hex(byte, 2);
    Record(line);
    std::copy(std::begin(out), std::end(out), lastOutput_);
    outputRecorded_ = true;
}

void LiveSession::Tick() {
    simWindows_.Tick();
}

void LiveSession::AfterTick() {
    ++ticks_;
    if (liveHid_) {
        // Reports one read took together replay as a group arriving at once.
        const std::vector<LiveHid::Report> reports = liveHid_->TakeReports();
        if (reports.size() > 1) Record("together " + std::to_string(reports.size()));
        for (const LiveHid::Report& report : reports) Record(ReportLine(report));
    }
    if (PendantWindow* window = plugin_.window()) rate_.Sample(window->link().reportsRead());
    if (recorder_) recorder_->Tick();
    TakeEffects();
    RecordOutput();
}

void LiveSession::Update() {
    plugin_.Update();
    ++updates_;
    if (recorder_) recorder_->Update();
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
        if (liveHid_) Record("remove " + trace::TraceWord(path));
    } else if (change.code == kDeviceArrival) {
        Log("device arrived: " + path);
        if (!liveHid_) return;
        // A node outside --device's view is some other device to the replay.
        HidAttributes ids{};
        if (!liveHid_->Probe(path, ids)) ids = HidAttributes{};
        Record("arrive " + trace::TraceWord(path) + " " + Hex(ids.vendorId, 4) + " " +
               Hex(ids.productId, 4));
    }
}

void LiveSession::AfterDeviceChange(const DeviceChange&) {
    TakeEffects();
    RecordOpened();
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
    Record(ReportLine(report.bytes));
}

// A pendant sends a report per detent: a turn of several detents within one
// tick sends them all together, as a real one reporting at its USB rate does.
void LiveSession::Turn(int counts) {
    const int step = counts < 0 ? -1 : 1;
    const int reports = counts < 0 ? -counts : counts;
    if (reports > 1) Record("together " + std::to_string(reports));
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
        Record("arrive " + path);
        simWindows_.Deliver(DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, path.c_str()});
    } else {
        virtualHid_.RemoveDevice(path);
        Record("remove " + path);
        simWindows_.Deliver(
            DeviceChange{kDeviceRemoveComplete, kDevTypeDeviceInterface, path.c_str()});
    }
}

void LiveSession::ToggleLed(int code) {
    SetHostLed(code, !host_.Led(code));
}

void LiveSession::RecordShown(MemoryControls& controls) {
    shownControls_.clear();
    for (const SettingKey& key : kSettingKeys) {
        shownControls_.push_back(Shown(controls, key));
        Record("expect " + std::string(key.key) + " " + shownControls_.back());
    }
}

// Only the controls' values at OK or Escape matter to the dialog: each
// control the user changed becomes one `set` of its value then.
void LiveSession::RecordChanges(MemoryControls& controls) {
    std::size_t i = 0;
    for (const SettingKey& key : kSettingKeys) {
        std::string shown = Shown(controls, key);
        if (shown != shownControls_[i]) {
            Record("set " + std::string(key.key) + " " + shown);
            shownControls_[i] = std::move(shown);
        }
        ++i;
    }
}

void LiveSession::Configure(const std::function<void(MemoryDialog& dialog)>& user) {
    if (recorder_) recorder_->BeginConfig();
    MemoryDialog dialog([this, &user](MemoryDialog& open) {
        RecordShown(open.controls());
        user(open);
    });
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
    if (recorder_) recorder_->EndConfig();
    TakeEffects();
}

bool LiveSession::PressOk(MemoryDialog& dialog) {
    RecordChanges(dialog.controls());
    Record("ok");
    const bool closed = dialog.PressOk();
    TakeEffects();
    if (!closed) Record("expect focus " + FocusName(dialog.controls().focus()));
    return closed;
}

void LiveSession::PressEscape(MemoryDialog& dialog) {
    RecordChanges(dialog.controls());
    Record("escape");
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
