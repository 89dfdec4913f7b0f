#include "tests/support/plugin_harness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string_view>
#include <utility>

#include "host/host_abi.h"
#include "plugin/pendant_window.h"
#include "protocol/pendant_protocol.h"
#include "settings/option_lists.h"
#include "settings/setting_table.h"
#include "ui/dialog_template.h"

namespace k7::test {
namespace {

constexpr std::int32_t kPoisonWord = 0x5A5A5A5A;  // a jog record field not written yet
constexpr std::uint8_t kPoisonByte = 0xEE;
// The longest line the step formats can make: two "%.4f" of the largest double
// and the words around them; the plug-in's buffer holds one more byte.
constexpr std::size_t kLongestLine = 2 * (1 + 309 + 1 + 4) + 23;
constexpr std::size_t kMaxQueuedReports = 8;  // a pendant buffers a few reports, no more

constexpr int kLeds[] = {15, 83, 800, 804, 805, 806};
constexpr int kDros[] = {3, 22, 74, 818, 821};
const double kDroValues[] = {0.0,
                             0.05,
                             0.1,
                             1.0,
                             19.99,
                             20.0,
                             50.0,
                             99.9,
                             100.0,
                             150.0,
                             250.0,
                             1000.0,
                             -5.0,
                             1e300,
                             -1e300,
                             1.5e-300,
                             25.0,
                             std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
const double kIncrements[] = {0.0001, 0.001, 0.01,  0.1,    1.0,
                              -0.01,  0.0,   1e300, 1e-300, std::numeric_limits<double>::max()};
const double kRotations[] = {
    0.0, 30.0, 90.0, -45.0, 180.0, 1e6, std::numeric_limits<double>::quiet_NaN()};
const std::int32_t kVelocities[] = {0, 1, 100, 120, -100, 500, 1000, 30000, INT32_MAX, INT32_MIN};

// Texts the host or the user may leave in a number's place.
const char* const kValueTexts[] = {"0",      "1",     "-1",          "2",    "5",   "9",
                                   "10",     "69",    "70",          "75",   "100", "70000",
                                   "abc",    "12x",   " 7",          "",     "3",   "2147483648",
                                   "-32769", "40000", "-2147483649", "0012", "  ",  "6"};

constexpr const char* kSection = "Ravlen_K7_Pendant";
constexpr const char* kHostPart = "<Host>1</Host>";

const char* AxisLetter(int axis) {
    constexpr const char* kLetters[] = {"X", "Y", "Z"};
    return axis >= 0 && axis < 3 ? kLetters[axis] : "?";
}

// The text parsers of the line check: each eats what it matches.
bool Eat(std::string_view& s, std::string_view word) {
    if (s.substr(0, word.size()) != word) return false;
    s.remove_prefix(word.size());
    return true;
}

bool EatDigits(std::string_view& s, std::size_t min, std::size_t max) {
    std::size_t n = 0;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
    if (n < min || n > max) return false;
    s.remove_prefix(n);
    return true;
}

bool EatInteger(std::string_view& s) {
    Eat(s, "-");
    return EatDigits(s, 1, 10);
}

// "%.4f" of any double: digits, a point and four decimals, or inf / nan.
bool EatNumber(std::string_view& s) {
    Eat(s, "-");
    if (Eat(s, "inf") || Eat(s, "nan")) return true;
    return EatDigits(s, 1, 309) && Eat(s, ".") && EatDigits(s, 4, 4);
}

// A step line for the selected axis, whole: its last number not cut short.
bool StepLineComplete(std::string_view s, int axis) {
    if (!Eat(s, "G91G1 ")) return false;
    const std::string_view letter = AxisLetter(axis);
    if (Eat(s, "X")) {  // the rotated form, or a plain X step
        std::string_view rotated = s;
        if (EatNumber(rotated) && Eat(rotated, " Y") && EatNumber(rotated) && Eat(rotated, " ") &&
            rotated.empty())
            return axis == 0 || axis == 1;
        return letter == "X" && Eat(s, " ") && EatNumber(s) && s.empty();
    }
    if (Eat(s, "F")) {
        std::string_view feed = s;
        if (!(EatNumber(feed) && Eat(feed, " ")))
            if (!(EatInteger(s) && Eat(s, " "))) return false;
        if (feed.size() < s.size()) s = feed;
    }
    return Eat(s, letter) && Eat(s, " ") && EatNumber(s) && s.empty();
}

bool MotionAllowedByLeds(const sim::SimHost& host) {
    const bool gated = host.Led(804) || host.Led(805);
    return !gated || host.Led(806);
}

std::uint8_t Byte(const void* flag) {
    std::uint8_t value;
    std::memcpy(&value, flag, 1);
    return value;
}

sim::SimHost& SharedHost() {
    static sim::SimHost host;
    return host;
}

}  // namespace

PluginHarness::PluginHarness(ByteSource& setup, HarnessOptions options)
    : options_(options), host_(SharedHost()), platform_{&hid_,    &windows_, &dom_,
                                                        &dialog_, "K7",      options.sessions} {
    host_.Reset();
    host_.SetRecording(false);
    host_.onEffect = &OnEffect;
    host_.effectContext = this;
    host_.onCall = &OnCall;
    host_.callContext = this;
    for (int axis = 0; axis < offsets::kEngineAxes; ++axis) PoisonRecord(axis);

    const std::uint8_t shape = setup.Byte();
    if (shape & 0x08) hid_.AddDevice("\\\\?\\hid#vid_046d&pid_c52b#mouse", 0x046D, 0xC52B);
    if (!(shape & 0x04)) hid_.AddDevice(kPendantPath, kPendantVendorId, kPendantProductId);
    switch (shape & 0x03) {
        case 0:  // no profile yet
            break;
        case 1:
            dom_.SetFile(kProfilePath, std::string("<profile>") + kHostPart + "</profile>");
            break;
        default: {
            std::string text = std::string("<profile>") + kHostPart + "<" + kSection + ">";
            for (int n = setup.Below(6); n > 0; --n) {
                const SettingKey& key = kSettingKeys[setup.Below(int(kSettingKeys.size()))];
                text += std::string("<") + key.key + ">" +
                        kValueTexts[setup.Below(int(std::size(kValueTexts)))] + "</" + key.key +
                        ">";
            }
            dom_.SetFile(kProfilePath, text + "</" + kSection + "></profile>");
        }
    }
    host_.SetLed(83, !(shape & 0x10));
    host_.SetJogIncrement(0.01);
    host_.SetDistanceMode(shape & 0x20 ? 1 : 0);
    for (int axis = 0; axis < 3; ++axis) host_.SetAxisVelocity(axis, 100 + 20 * axis);
    host_.SetDro(3, 50.0);
    host_.SetDro(74, 100.0);
    host_.SetDro(818, 25.0);
    host_.SetDro(821, 100.0);
    Start();
}

PluginHarness::~PluginHarness() {
    host_.onEffect = nullptr;  // the plug-in's own teardown is not checked here
    host_.onCall = nullptr;
}

void PluginHarness::Start() {
    plugin_ = std::make_unique<Plugin>(platform_);
    if (options_.sessions != nullptr) plugin_->RecordNextSession();
    plugin_->SetProName(HostStringCreate(kProfilePath));
    host_.Install(*plugin_);
    plugin_->InitControl(host_.engine(), host_.setup(), host_.planner(), host_.view());
    const std::intptr_t before = ReadHandle();
    plugin_->PostInitControl();
    NoteOpen(before);
    CheckState();
}

void PluginHarness::Step(ByteSource& in) {
    ++counts_.steps;
    const int op = in.Below(100);
    if (op < 26) {
        QueueReport(in);
    } else if (op < 58) {
        // The host's loop calls Update about as often as the timer ticks.
        for (int n = 1 + in.Below(3); n > 0; --n) {
            Tick();
            Updates(in.Below(3));
        }
    } else if (op < 72) {
        Updates(1 + in.Below(6));
    } else if (op < 78) {
        SetLed(in);
    } else if (op < 82) {
        SetDro(in);
    } else if (op < 88) {
        SetHostField(in);
    } else if (op < 91) {
        Unplug(in);
    } else if (op < 94) {
        Plug(in);
    } else if (op < 95) {
        OtherNotice(in);
    } else if (op < 97) {
        // The configuration runs the whole dialog: one step in two hundred.
        if (in.Chance(50))
            Configure(in);
        else
            Tick();
    } else if (op < 98) {
        EditProfile(in);
    } else if (op < 99) {
        // A host that dispatches messages inside a callback of the tick.
        static constexpr Inside kEvents[] = {Inside::Removal, Inside::Arrival, Inside::Tick,
                                             Inside::Stop};
        const Inside what = kEvents[in.Below(options_.allowStop ? 4 : 3)];
        FromInsideCallback(what, in.Below(12));
    } else if (!options_.allowStop) {
        Tick();
    } else {
        Stop();
    }
    CheckState();
}

void PluginHarness::QueueReport(ByteSource& in) {
    if (hid_.QueuedReports() >= kMaxQueuedReports || hid_.LateReportWaiting()) return;
    sim::InputReport report;
    const std::uint8_t how = in.Byte();
    if (how < 8) {  // anything at all
        for (std::uint8_t& b : report.bytes) b = in.Byte();
    } else {
        const std::uint8_t turn = in.Byte();
        // Mostly a few counts either way; now and then a jump of any size.
        wheel_ = static_cast<std::uint8_t>(wheel_ + (turn < 224 ? turn % 9 - 4 : turn));
        report.bytes[kWheelByte] = wheel_;
        report.bytes[kSpeedByte] = in.Chance(30) ? 0 : in.Byte();
        const std::uint8_t keys = in.Byte();
        report.bytes[kKeyByte] = keys < 128 ? 0 : static_cast<std::uint8_t>(keys & kKeyByteMask);
        const std::uint8_t modes = in.Byte();
        report.bytes[kModeKeyByte] = modes < 192 ? 0 : static_cast<std::uint8_t>(modes & 0x07);
    }
    report.late = how >= 8 && how < 20;
    hid_.QueueReport(report);
    ++counts_.reports;
}

void PluginHarness::Tick() {
    if (stopped_) {
        windows_.Tick();  // no window: nothing happens
        return;
    }
    PendantWindow* window = plugin_->window();
    const bool connected = window != nullptr && window->link().connected();
    const std::size_t queued = hid_.QueuedReports();
    const std::size_t written = hid_.writtenCount();
    const bool inhibited = host_.engine() != nullptr &&
                           ReadField<std::uint8_t>(host_.engine(), offsets::kEngineInhibit) != 0;
    const std::intptr_t before = ReadHandle();
    const bool interrupted = inside_ != Inside::Nothing;
    inTick_ = true;
    const bool ticked = windows_.Tick();
    inTick_ = false;
    inside_ = Inside::Nothing;
    if (ticked) ++counts_.ticks;
    if (awaitingFirstReport_ && motionSinceOpen_ != 0)
        Violation("motion from the first report after an open");
    if (hid_.QueuedReports() < queued) awaitingFirstReport_ = false;
    if (stopped_) return CheckStopped();
    NoteOpen(before);  // an arrival inside the tick searches at its end
    // A tick interrupted by a notice is not one of the usual kind.
    if (interrupted) return;
    // The host drops its own jogs while the engine is inhibited.
    if (connected && inhibited) jogRunning_.fill(false);

    const std::size_t writes = hid_.writtenCount() - written;
    if (writes > 1) Violation("more than one output report in a tick");
    if (!connected && writes != 0) Violation("an output report without a connected pendant");
    if (writes == 1 && window != nullptr) {
        const std::vector<std::uint8_t> out = hid_.lastWritten();
        static constexpr std::uint8_t kModeIndicator[] = {0, 3, 1, 4, 2, 5};
        const ModuleState& state = plugin_->state();
        const int mode = state.logic.wheelMode;
        const std::uint8_t leds = static_cast<std::uint8_t>(
            (host_.Led(800) ? 0x01 : 0) | (host_.Led(83) ? 0x02 : 0) | (host_.Led(804) ? 0x04 : 0) |
            (host_.Led(805) ? 0x08 : 0) | (host_.Led(806) ? 0x0C : 0));
        if (out.size() != kOutputReportSize || out[0] != 0 || out[4] != 0 ||
            out[1] != (leds | window->pendant().selectedAxis << 4) ||
            out[2] != kModeIndicator[mode - 1] ||
            out[3] != static_cast<std::uint8_t>(state.counters.reportSequence))
            Violation("an output report that does not show the state");
    }
}

void PluginHarness::Updates(int n) {
    for (int i = 0; i < n; ++i) plugin_->Update();
    counts_.updates += static_cast<std::uint64_t>(n);
}

void PluginHarness::SetLed(ByteSource& in) {
    const std::uint8_t b = in.Byte();
    host_.SetLed(kLeds[(b >> 1) % std::size(kLeds)], b & 1);
}

void PluginHarness::SetDro(ByteSource& in) {
    const int code = kDros[in.Below(int(std::size(kDros)))];
    host_.SetDro(code, Told(kDroValues[in.Below(int(std::size(kDroValues)))]));
}

void PluginHarness::SetHostField(ByteSource& in) {
    const int axis = in.Below(6);
    const auto velocity = kVelocities[in.Below(int(std::size(kVelocities)))];
    switch (in.Below(9)) {
        case 0:
            host_.SetPlannerBusy(in.Chance(70) ? 0 : 1);
            break;
        case 1:
            host_.SetDistanceMode(in.Chance(70) ? 0 : 1);
            break;
        case 2:
            host_.SetRotationDegrees(Told(kRotations[in.Below(int(std::size(kRotations)))]));
            break;
        case 3:
            host_.SetJogIncrement(Told(kIncrements[in.Below(int(std::size(kIncrements)))]));
            break;
        case 4:
            host_.SetEngineInhibit(in.Chance(75) ? 0 : 1);
            break;
        case 5:
            host_.SetEngineQueue(0, in.Chance(60) ? 0 : 1);
            break;
        case 6:
            host_.SetPlannerQueue(0, in.Chance(60) ? 0 : 1);
            break;
        case 7:
            host_.SetAxisVelocity(axis, velocity);
            break;
        default:
            host_.SetAxisSecondParam(axis, velocity);
            break;
    }
}

void PluginHarness::Unplug(ByteSource& in) {
    // The system names the path in its own letter case.
    std::string path = kPendantPath;
    if (in.Chance(30))
        for (char& c : path) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    const bool present = hid_.RemoveDevice(path);
    windows_.Deliver(DeviceChange{kDeviceRemoveComplete, kDevTypeDeviceInterface, path.c_str()});
    if (present) ++counts_.unplugs;
    if (!stopped_) NoteRemoval();
}

void PluginHarness::Plug(ByteSource& in) {
    const std::intptr_t before = ReadHandle();
    // The notice may come before the device answers.
    const bool late = in.Chance(10) && !options_.traceable;
    hid_.ArriveDevice(kPendantPath, kPendantVendorId, kPendantProductId);
    if (late) hid_.RemoveDevice(kPendantPath);
    windows_.Deliver(DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, kPendantPath});
    if (late) hid_.ArriveDevice(kPendantPath, kPendantVendorId, kPendantProductId);
    ++counts_.replugs;
    NoteOpen(before);
}

void PluginHarness::OtherNotice(ByteSource& in) {
    const std::intptr_t before = ReadHandle();
    static constexpr const char* kOther = "\\\\?\\hid#vid_1234&pid_5678#other";
    switch (in.Below(4)) {
        case 0:  // another device arrives, sometimes with the pendant's own ids
            hid_.ArriveDevice(kOther,
                              in.Chance(50) && !options_.traceable ? kPendantVendorId : 0x1234,
                              in.Chance(50) ? kPendantProductId : 0x5678);
            windows_.Deliver(DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, kOther});
            break;
        case 1:
            hid_.RemoveDevice(kOther);
            windows_.Deliver(DeviceChange{kDeviceRemoveComplete, kDevTypeDeviceInterface, kOther});
            break;
        case 2:  // a removal without an interface record
            windows_.Deliver(DeviceChange{kDeviceRemoveComplete, 0, nullptr});
            break;
        default:  // some other device event
            windows_.Deliver(DeviceChange{0x0007, 0, nullptr});
            break;
    }
    NoteOpen(before);
}

void PluginHarness::Configure(ByteSource& in) {
    ++counts_.configs;
    const auto before = dom_.File(kProfilePath);
    const bool hostPart = before && before->find(kHostPart) != std::string::npos;
    dialogInput_ = &in;
    dialog_.SetScript([this](MemoryDialog& dialog) { DialogScript(dialog, *dialogInput_); });
    plugin_->Config();
    dialogInput_ = nullptr;
    dom_.lookups.clear();
    const auto after = dom_.File(kProfilePath);
    if (hostPart && (!after || after->find(kHostPart) == std::string::npos))
        Violation("the configuration lost the host's part of the profile");
}

void PluginHarness::DialogScript(MemoryDialog& dialog, ByteSource& in) {
    static constexpr int kEdits[] = {
        kMacroEdits[0], kMacroEdits[1], kMacroEdits[2], kMacroEdits[3],  kOemEdits[0],
        kOemEdits[1],   kOemEdits[2],   kOemEdits[3],   kDelayStepsEdit, kStepJogRateEdit};
    static constexpr int kCombos[] = {
        kVelocityBox,    kButtonBoxes[0], kButtonBoxes[1], kButtonBoxes[2], kScreenBoxes[0],
        kScreenBoxes[1], kScreenBoxes[2], kStepBoxes[0],   kStepBoxes[1],   kStepBoxes[2]};
    MemoryControls& controls = dialog.controls();
    for (int action = 0; action < 8 && dialog.open(); ++action) {
        switch (in.Below(8)) {
            case 0:
            case 1: {
                const int edit = kEdits[in.Below(int(std::size(kEdits)))];
                if (in.Chance(70)) {
                    controls.SetText(edit, kValueTexts[in.Below(int(std::size(kValueTexts)))]);
                } else {
                    std::string text;
                    for (int n = in.Below(12); n > 0; --n)
                        text += static_cast<char>(in.Chance(80) ? '0' + in.Below(10) : in.Byte());
                    controls.SetText(edit, text);
                }
                break;
            }
            case 2: {
                const int box = kCombos[in.Below(int(std::size(kCombos)))];
                const int items = static_cast<int>(controls.Items(box).size());
                controls.Select(box, in.Below(items + 2) - 1);
                break;
            }
            case 3:
                controls.SetChecked(kReverseChecks[in.Below(3)], in.Chance(50));
                break;
            case 4:  // the timer keeps running while the dialog is open
                Tick();
                Updates(in.Below(4));
                break;
            case 5:
                dialog.PressEscape();
                break;
            default:
                dialog.PressOk();
                break;
        }
    }
}

// A trace writes only finite numbers.
double PluginHarness::Told(double value) const {
    return options_.traceable && !std::isfinite(value) ? 0.0 : value;
}

void PluginHarness::EditProfile(ByteSource& in) {
    std::string text =
        dom_.File(kProfilePath).value_or(std::string("<profile>") + kHostPart + "</profile>");
    if (text.find("<profile>") != 0) return;
    const SettingKey& setting = kSettingKeys[in.Below(int(kSettingKeys.size()))];
    if (options_.traceable && setting.list != nullptr) return;
    const std::string key = setting.key;
    const std::string value = kValueTexts[in.Below(int(std::size(kValueTexts)))];
    const std::string element = "<" + key + ">" + value + "</" + key + ">";
    const std::string open = std::string("<") + kSection + ">";
    const std::string close = std::string("</") + kSection + ">";
    const std::size_t section = text.find(open);
    const std::size_t end = text.find(close);
    if (section == std::string::npos || end == std::string::npos) {
        text.insert(text.rfind("</profile>"), open + element + close);
    } else {
        const std::string body = text.substr(section + open.size(), end - section - open.size());
        std::size_t at = body.find("<" + key + ">");
        std::size_t stop = body.find("</" + key + ">");
        std::size_t length = 0;
        if (at != std::string::npos && stop != std::string::npos) {
            length = stop + key.size() + 3 - at;
        } else if ((at = body.find("<" + key + "/>")) != std::string::npos) {
            length = key.size() + 3;
        } else {
            at = body.size();
        }
        text = text.substr(0, section + open.size()) + body.substr(0, at) + element +
               body.substr(at + length) + text.substr(end);
    }
    dom_.SetFile(kProfilePath, text);
}

void PluginHarness::Stop() {
    if (stopped_) {
        plugin_->StopPlug();  // a second StopPlug does nothing
        return;
    }
    PendantWindow* window = plugin_->window();
    const bool feedSaved = window != nullptr && window->jog().feedSaved;
    const double savedFeed = feedSaved ? window->jog().savedFeed : 0.0;
    const double saved821 = feedSaved ? window->jog().savedDro821 : 0.0;
    plugin_->StopPlug();
    stopped_ = true;
    CheckStopped();
    if (feedSaved) {
        const auto same = [](double a, double b) { return a == b || (a != a && b != b); };
        if (!same(host_.Dro(818), savedFeed) ||
            (plugin_->state().settings.StepJogRate != 0 && !same(host_.Dro(821), saved821)))
            Violation("StopPlug left the step feed DROs forced");
    }
}

void PluginHarness::FromInsideCallback(Inside what, int afterCalls) {
    if (stopped_) return Tick();
    inside_ = what;
    insideAfterCalls_ = afterCalls;
    Tick();
}

void PluginHarness::OnCall(void* context) {
    auto& self = *static_cast<PluginHarness*>(context);
    const bool effect = std::exchange(self.effectCall_, false);
    if (self.inside_ == Inside::Nothing || !self.inTick_ || self.stopped_) return;
    if (self.options_.traceable && !effect) return;
    if (self.insideAfterCalls_-- > 0) return;
    const Inside what = self.inside_;
    self.inside_ = Inside::Nothing;
    self.DeliverInside(what);
}

void PluginHarness::DeliverInside(Inside what) {
    const std::string path = kPendantPath;
    switch (what) {
        case Inside::Removal:
            if (hid_.RemoveDevice(path)) ++counts_.unplugs;
            windows_.Deliver(
                DeviceChange{kDeviceRemoveComplete, kDevTypeDeviceInterface, path.c_str()});
            NoteRemoval();
            break;
        case Inside::Arrival:
            hid_.ArriveDevice(path, kPendantVendorId, kPendantProductId);
            windows_.Deliver(DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, path.c_str()});
            ++counts_.replugs;
            break;
        case Inside::Tick:
            windows_.Tick();
            break;
        case Inside::Stop:
            plugin_->StopPlug();
            stopped_ = true;
            released_ = true;
            break;
        case Inside::Nothing:
            break;
    }
}

void PluginHarness::OnEffect(const sim::Effect& effect, void* context) {
    auto& self = *static_cast<PluginHarness*>(context);
    // The host's message line and message boxes are no calls the host runs
    // anything inside.
    self.effectCall_ =
        effect.kind != sim::Effect::Kind::Message && effect.kind != sim::Effect::Kind::MsgBox;
    switch (effect.kind) {
        case sim::Effect::Kind::Button:
            if (effect.code == 204) self.bracketOpen_ = true;
            if (effect.code == 205) {
                if (!self.bracketOpen_) self.Violation("button 205 without 204 before it");
                self.bracketOpen_ = false;
            }
            break;
        case sim::Effect::Kind::Dro: {
            const int mode = self.plugin_->state().logic.wheelMode;
            if (effect.code == 3 || effect.code == 74 || (effect.code == 821 && mode == 5))
                self.CountMotion();
            break;
        }
        case sim::Effect::Kind::Code:
            self.CheckLine(effect.text);
            break;
        default:
            break;
    }
}

void PluginHarness::CountMotion() {
    if (awaitingFirstReport_) ++motionSinceOpen_;
}

void PluginHarness::CheckLine(const std::string& line) {
    if (line.size() > kLongestLine) Violation("a line longer than the step line buffer: " + line);
    if (line == "G90") return;
    if (line == "DOJOG") return CheckDoJog();
    if (line == "ENDJOG") return CheckEndJog();
    std::string_view macro = line;
    if (Eat(macro, "M") && EatInteger(macro) && macro.empty()) return;
    PendantWindow* window = plugin_->window();
    if (window == nullptr) return Violation("a step line without the pendant window: " + line);
    if (!StepLineComplete(line, window->pendant().selectedAxis))
        return Violation("a step line cut short or malformed: " + line);
    ++counts_.stepLines;
    CountMotion();
}

void PluginHarness::CheckDoJog() {
    ++counts_.engineJogs;
    if (released_) Violation("DOJOG after the release of a removal or a stop");
    CountMotion();
    PendantWindow* window = plugin_->window();
    if (window == nullptr) return Violation("DOJOG without the pendant window");
    const int selected = window->pendant().selectedAxis;
    int started = -1;
    for (int axis = 0; axis < offsets::kEngineAxes; ++axis) {
        if (host_.Jog(axis).start != 1) continue;
        if (started >= 0) return Violation("DOJOG with two jog records started");
        started = axis;
    }
    if (started < 0) return Violation("DOJOG without a started jog record");
    const JogRecord r = host_.Jog(started);
    const std::int32_t max = ReadField<std::int32_t>(
        host_.planner(), offsets::kAxisVelocity + 4 * static_cast<std::size_t>(started));
    const std::int32_t second = ReadField<std::int32_t>(
        host_.planner(), offsets::kAxisSecondParam + 4 * static_cast<std::size_t>(started));
    if (started != selected) Violation("DOJOG on an axis that is not selected");
    if (r.stop != 0 || r.maxVelocity != max || r.secondParam != second ||
        (r.direction != 0 && r.direction != 1) || r.velocity == kPoisonWord)
        Violation("DOJOG with a jog record not fully written");
    if (!MotionAllowedByLeds(host_)) Violation("DOJOG with the motion gate closed");
    if (!host_.Led(83)) Violation("DOJOG with jogging switched off");
    if (ReadField<std::uint8_t>(host_.engine(), offsets::kEngineInhibit) != 0)
        Violation("DOJOG with the engine inhibited");
    const int mode = plugin_->state().logic.wheelMode;
    if (mode != WheelMode::Velocity && mode != WheelMode::Continuous)
        Violation("DOJOG outside the engine-jog modes");
    jogRunning_[static_cast<std::size_t>(started)] = true;
    PoisonRecord(started);
}

void PluginHarness::CheckEndJog() {
    int stoppedAxis = -1;
    for (int axis = 0; axis < offsets::kEngineAxes; ++axis) {
        if (host_.Jog(axis).stop != 1) continue;
        if (stoppedAxis >= 0) return Violation("ENDJOG with two jog records stopped");
        stoppedAxis = axis;
    }
    if (stoppedAxis < 0) return Violation("ENDJOG without a stop flag in any jog record");
    jogRunning_[static_cast<std::size_t>(stoppedAxis)] = false;
    PoisonRecord(stoppedAxis);
}

void PluginHarness::PoisonRecord(int axis) {
    const std::size_t at =
        offsets::kEngineAxisJog + offsets::kEngineAxisJogStride * std::size_t(axis);
    WriteField(host_.engine(), at + offsets::kJogVelocity, kPoisonWord);
    WriteField(host_.engine(), at + offsets::kJogMaxVelocity, kPoisonWord);
    WriteField(host_.engine(), at + offsets::kJogSecondParam, kPoisonWord);
    WriteField(host_.engine(), at + offsets::kJogStop, kPoisonByte);
    WriteField(host_.engine(), at + offsets::kJogStart, kPoisonByte);
    WriteField(host_.engine(), at + offsets::kJogDirection, kPoisonWord);
}

std::intptr_t PluginHarness::ReadHandle() {
    PendantWindow* window = stopped_ ? nullptr : plugin_->window();
    return window != nullptr ? window->link().readHandle() : kInvalidHandle;
}

void PluginHarness::NoteOpen(std::intptr_t readBefore) {
    const std::intptr_t now = ReadHandle();
    if (now == kInvalidHandle || now == readBefore) return;
    released_ = false;
    awaitingFirstReport_ = true;
    motionSinceOpen_ = 0;
}

// The link may have been open on another device with the pendant's ids.
void PluginHarness::NoteRemoval() {
    if (ReadHandle() == kInvalidHandle) released_ = true;
    CheckAfterRemoval();
}

void PluginHarness::CheckAfterRemoval() {
    PendantWindow* window = plugin_->window();
    if (window == nullptr || window->link().connected()) return;
    for (bool running : jogRunning_)
        if (running) Violation("an engine jog left running after the pendant's removal");
    if (bracketOpen_) Violation("the jog-start bracket left open after the pendant's removal");
    if (window->jog().feedSaved) Violation("the step feed DROs left forced after the removal");
    if (window->jog().stepBacklog != 0) Violation("a step backlog kept after the removal");
}

void PluginHarness::CheckStopped() {
    if (windows_.windowAlive()) Violation("the window outlived StopPlug");
    for (bool running : jogRunning_)
        if (running) Violation("an engine jog left running after StopPlug");
    if (hid_.OpenHandles() != 0) Violation("a device handle left open after StopPlug");
    if (bracketOpen_) Violation("the jog-start bracket left open after StopPlug");
}

void PluginHarness::CheckState() {
    if (hid_.misuse() != 0) Violation("the HID system was misused");
    if (hid_.OpenHandles() > 3) Violation("more device handles open than one pendant needs");
    const ModuleState& state = plugin_->state();
    const LogicState& logic = state.logic;
    const auto* latches = reinterpret_cast<const std::uint8_t*>(&logic.latches);
    for (std::size_t i = 0; i < sizeof logic.latches; ++i)
        if (latches[i] > 1) Violation("a key latch that is neither 0 nor 1");
    if (Byte(&logic.justStarted) > 1 || Byte(&logic.jogHold) > 1)
        Violation("a flag that is neither 0 nor 1");
    if (logic.wheelMode < 1 || logic.wheelMode > 6) Violation("wheelMode out of range");
    const CycleCounters& c = state.counters;
    if (c.settleCountdown < 0 || c.settleCountdown > 2 || c.jogCountdown < 0 ||
        c.jogCountdown > 3 || c.stepCountdown < 0 || c.stepCountdown > 3)
        Violation("a countdown out of range");
    if (c.reportSequence < 1 || c.reportSequence > 255) Violation("reportSequence out of range");
    for (const std::int32_t counter : {c.pressCycles, c.holdCycles, c.jogCycles})
        if (counter < 0 || counter > 1001) Violation("a cycle counter out of range");

    if (stopped_) return;
    PendantWindow* window = plugin_->window();
    if (window == nullptr) return;
    const PendantState& p = window->pendant();
    if (p.selectedAxis < 0 || p.selectedAxis > 2 || p.lastAxis < 0 || p.lastAxis > 2)
        Violation("an axis index out of range");
    if (p.screenSlot < 1 || p.screenSlot > 3 || p.stepSlot < 1 || p.stepSlot > 3)
        Violation("a slot index out of range");
    if (p.lastWheelMode < 1 || p.lastWheelMode > 6) Violation("lastWheelMode out of range");
    if (p.modeKeys < 0 || p.modeKeys > 7 || p.fnHeld > 1) Violation("key state out of range");
    const JogState& j = window->jog();
    if (j.countRingIndex < 0 || j.countRingIndex > 1) Violation("countRingIndex out of range");
    if (j.lastWheelByte < 0 || j.lastWheelByte > 255 || j.wheelCount < 0 || j.wheelCount > 127)
        Violation("the wheel's decoding out of range");
    if (j.wheelDirection < 0 || j.wheelDirection > 1 || j.rawWheelDirection > 1 ||
        j.lastJogDirection < 0 || j.lastJogDirection > 1)
        Violation("a direction that is neither 0 nor 1");
    if (j.wheelSpeed < 0 || j.wheelSpeed > 255) Violation("wheelSpeed out of range");
    if (Byte(&j.feedSaved) > 1 || Byte(&j.jogStarted) > 1 || Byte(&j.bracketPressed) > 1 ||
        Byte(&j.engineJogRunning) > 1)
        Violation("a jog flag that is neither 0 nor 1");
    // A jog still running belongs to the axis and mode the wheel drives now.
    for (int axis = 0; axis < 3; ++axis) {
        if (!jogRunning_[static_cast<std::size_t>(axis)]) continue;
        if (axis != p.selectedAxis)
            Violation("an engine jog left running on an axis no longer selected");
        if (logic.wheelMode != WheelMode::Velocity && logic.wheelMode != WheelMode::Continuous)
            Violation("an engine jog left running in a mode that does not jog");
    }
}

void PluginHarness::Violation(const std::string& what) {
    if (!violation_.empty()) return;
    violation_ = what + " (step " + std::to_string(counts_.steps) + ", tick " +
                 std::to_string(counts_.ticks) + ")";
}

}  // namespace k7::test
