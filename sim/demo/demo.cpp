// The narrated demo: a machinist's session with the pendant, played through the
// same plug-in code the host loads, against a simulated machine.
#include "sim/demo/demo.h"
#include "protocol/pendant_protocol.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "host/host_codes.h"
#include "plugin/plugin.h"
#include "sim/demo/demo_machine.h"
#include "sim/sim_host.h"
#include "sim/sim_window.h"
#include "sim/virtual_hid.h"

namespace k7::sim {
namespace {

constexpr double kTickSeconds = 0.025;

// Pendant key bits: byte 3 and byte 4 of the input report.
constexpr std::uint8_t kFn = 0x01, kY = 0x08, kStart = 0x40;
constexpr std::uint8_t kMode1 = 0x01, kMode2 = 0x02;

struct CodeName {
    int code;
    const char* name;
};

constexpr CodeName kButtonNames[] = {
    {1000, "Cycle Start"},          {204, "jog bracket opens"},     {205, "jog bracket closes"},
    {334, "wheel mode changed, X"}, {335, "wheel mode changed, Y"}, {336, "wheel mode changed, Z"},
};

constexpr CodeName kDroNames[] = {
    {818, "feed rate"},
    {821, "feed override: 100 while stepping, then put back"},
    {828, "jog step size"},
    {3, "jog speed %"},
};

template <std::size_t N>
const char* NameOf(const CodeName (&table)[N], int code) {
    for (const CodeName& entry : table)
        if (entry.code == code) return entry.name;
    return nullptr;
}

const char* ModeName(int indicator) {
    static const char* const kNames[] = {"Step",     "Continuous",      "DRO 821 adjust",
                                         "Velocity", "Jog rate adjust", "DRO 74 adjust"};
    return indicator >= 0 && indicator < 6 ? kNames[indicator] : "?";
}

std::string Describe(const Effect& e) {
    if (e.kind != Effect::Kind::Dro) return e.Describe();
    char text[64];
    std::snprintf(text, sizeof text, "DRO %d = %g", e.code, e.value);
    return text;
}

class DemoSession {
  public:
    DemoSession() : plugin_(platform_), machine_(host_) {
        hid_.AddDevice("k7", kPendantVendorId, kPendantProductId);
    }
    int Run();

  private:
    void Start();
    void Section(const char* title, const char* story);
    void Pendant(int wheelStep, int speed, std::uint8_t keys3 = 0, std::uint8_t keys4 = 0);
    void Tick(bool queueReport);
    void Idle(int ticks) {
        for (int i = 0; i < ticks; ++i) Tick(false);
    }
    void Tap(std::uint8_t keys3, std::uint8_t keys4, std::uint8_t releaseTo3 = 0);
    void PrintEffects();
    void PrintIndicators();
    void PrintPositions(const char* label);
    void Line(const std::string& text) { std::printf("  [%6.3f s] %s\n", time_, text.c_str()); }

    SimHost host_;
    VirtualHid hid_;
    SimWindowSystem windows_{&hid_};
    Platform platform_{&hid_, &windows_, nullptr, nullptr, "K7"};
    Plugin plugin_;
    DemoMachine machine_;
    double time_ = 0.0;
    std::size_t printed_ = 0;
    std::string lastCode_;
    int repeats_ = 0;
    std::uint8_t shown_[2] = {0xff, 0xff};
    std::uint8_t report_[8] = {};
};

void DemoSession::Start() {
    host_.SetLed(83, true);  // jogging enabled in the host
    host_.SetJogIncrement(0.01);
    host_.SetDro(codes::kDroStepSize, 0.01);
    host_.SetDro(818, 600.0);
    host_.SetDro(821, 90.0);
    host_.SetDro(3, 50.0);
    for (int axis = 0; axis < 3; ++axis) host_.SetAxisVelocity(axis, 1200);
    host_.Install(plugin_);
    std::printf("%s loaded.\n", plugin_.SetProName(HostStringCreate("k7-demo.xml")));
    plugin_.InitControl(host_.engine(), host_.setup(), host_.planner(), host_.view());
    plugin_.PostInitControl();
    // The step sizes a machinist would set in the configuration dialog.
    plugin_.state().settings.StepSize[0] = 3;  // 0.01
    plugin_.state().settings.StepSize[1] = 4;  // 0.1
    plugin_.state().settings.StepSize[2] = 2;  // 0.001
    std::printf(
        "Machine: X, Y, Z at 0; jog step 0.01 mm; feed 600 mm/min; axis jog speed 1200 "
        "mm/min; jog speed DRO 50 %%.\nPendant settings: step rate %d mm/min, C-mode delay %d "
        "counts, step sizes 0.01 / 0.1 / 0.001.\n",
        plugin_.state().settings.StepJogRate, plugin_.state().settings.DelaySteps);
    Pendant(0, 0);
    Tick(true);
}

void DemoSession::Section(const char* title, const char* story) {
    std::printf("\n== %s ==\n%s\n", title, story);
}

void DemoSession::Pendant(int wheelStep, int speed, std::uint8_t keys3, std::uint8_t keys4) {
    report_[1] = static_cast<std::uint8_t>(report_[1] + wheelStep);
    report_[2] = static_cast<std::uint8_t>(speed);
    report_[3] = keys3;
    report_[4] = keys4;
}

// One 25 ms tick of the pendant window and one host cycle; the machine moves meanwhile.
void DemoSession::Tick(bool queueReport) {
    if (queueReport) {
        InputReport report;
        std::memcpy(report.bytes, report_, sizeof report.bytes);
        hid_.QueueReport(report);
    }
    windows_.Tick();
    PrintEffects();
    PrintIndicators();
    plugin_.Update();
    host_.SetJogIncrement(host_.Dro(codes::kDroStepSize));
    machine_.Advance(kTickSeconds);
    time_ += kTickSeconds;
}

// A key pressed, held a moment, and let go (to `releaseTo3`, e.g. Fn still held).
void DemoSession::Tap(std::uint8_t keys3, std::uint8_t keys4, std::uint8_t releaseTo3) {
    Pendant(0, 0, keys3, keys4);
    Tick(true);
    Idle(2);
    Pendant(0, 0, releaseTo3, 0);
    Tick(true);
    if (releaseTo3 != 0) {
        Pendant(0, 0);
        Tick(true);
    }
    Idle(2);
}

void DemoSession::PrintEffects() {
    auto& effects = host_.effects();
    for (; printed_ < effects.size(); ++printed_) {
        const Effect& e = effects[printed_];
        if (e.kind == Effect::Kind::Code) {
            const std::string note = machine_.TakeNote();
            const std::string text =
                "host <- G-code \"" + e.text + "\"" + (note.empty() ? "" : "   (" + note + ")");
            if (text == lastCode_) {
                ++repeats_;
                continue;
            }
            if (repeats_ > 0) Line("   ... and " + std::to_string(repeats_) + " more alike");
            repeats_ = 0;
            lastCode_ = text;
            Line(text);
            continue;
        }
        lastCode_.clear();
        const char* name = e.kind == Effect::Kind::Button ? NameOf(kButtonNames, e.code)
                           : e.kind == Effect::Kind::Dro  ? NameOf(kDroNames, e.code)
                                                          : nullptr;
        Line("host <- " + Describe(e) + (name != nullptr ? std::string("   (") + name + ")" : ""));
    }
}

void DemoSession::PrintIndicators() {
    if (hid_.writtenCount() == 0) return;
    const std::vector<std::uint8_t> out = hid_.lastWritten();
    if (out[1] == shown_[0] && out[2] == shown_[1]) return;
    shown_[0] = out[1];
    shown_[1] = out[2];
    char text[160];
    std::snprintf(
        text, sizeof text,
        "pendant shows: axis %c, wheel mode %s, jog %s   [output %02x %02x %02x %02x %02x]",
        "XYZ?"[std::min(out[1] >> 4, 3)], ModeName(out[2]), (out[1] & 0x02) != 0 ? "on" : "off",
        out[0], out[1], out[2], out[3], out[4]);
    Line(text);
}

void DemoSession::PrintPositions(const char* label) {
    std::printf("  %s X %.4f   Y %.4f   Z %.4f\n", label, machine_.Position(0),
                machine_.Position(1), machine_.Position(2));
}

int DemoSession::Run() {
    std::printf("K7 pendant demo: a simulated machine driven through the plug-in.\n");
    Start();

    Section("1. Step mode, axis X: three detents",
            "The wheel turns three detents. One relative move goes to the host; the feed\n"
            "values are saved and put back a few host cycles after the last step.");
    Pendant(3, 0);
    Tick(true);
    Idle(6);
    PrintPositions("machine at");

    Section("2. Step size change: Fn + Y",
            "The step size moves on to the next configured size, 0.1 mm. Two detents.");
    Tap(kFn | kY, 0, kFn);
    Pendant(2, 0);
    Tick(true);
    Idle(8);
    PrintPositions("machine at");

    Section("3. Axis change: Y", "Y is selected; four detents back.");
    Tap(kY, 0);
    Pendant(-4, 0);
    Tick(true);
    Idle(20);
    PrintPositions("machine at");

    Section("4. Velocity mode: a jog that speeds up, then stops",
            "Mode key 1 switches to velocity mode. The wheel is spun faster and faster;\n"
            "the jog speed follows the wheel speed, then the hand lets go.");
    Tap(0, kMode1);
    const int speeds[] = {20, 40, 70, 100, 140, 180, 200, 200, 200, 200};
    for (int speed : speeds) {
        Pendant(2, speed);
        Tick(true);
    }
    Pendant(0, 0);
    Tick(true);
    Idle(4);
    PrintPositions("machine at");

    Section("5. Continuous mode: the start waits for 25 counts",
            "Mode key 2 switches to continuous mode. The wheel turns 5 counts a tick; the\n"
            "jog starts once 25 counts are in, at 50 % of the axis jog speed.");
    Tap(0, kMode2);
    for (int i = 0; i < 12; ++i) {
        Pendant(5, 40);
        Tick(true);
    }
    Pendant(0, 0);
    Tick(true);
    Idle(4);
    PrintPositions("machine at");

    Section("6. Cycle start: Fn + Start", "The program is started from the pendant.");
    Tap(kFn | kStart, 0, kFn);

    std::printf("\n== End of the session ==\n");
    plugin_.StopPlug();
    PrintEffects();
    PrintPositions("the axes end at");
    return 0;
}

}  // namespace

int RunDemo() {
    DemoSession session;
    return session.Run();
}

}  // namespace k7::sim
