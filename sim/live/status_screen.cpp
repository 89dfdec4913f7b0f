#include "sim/live/status_screen.h"

#include <algorithm>
#include <cstdio>

#include "host/host_codes.h"
#include "plugin/pendant_window.h"
#include "sim/live/key_map.h"

namespace k7::sim::live {
namespace {

constexpr char kAxisLetters[] = "XYZABC";
constexpr std::size_t kActionRows = 8;
constexpr std::size_t kCodeRows = 6;

// The wheel modes by the indicator byte of the output report.
const char* ModeName(int indicator) {
    static const char* const kNames[] = {"Step",     "Continuous",      "DRO 821 adjust",
                                         "Velocity", "Jog rate adjust", "DRO 74 adjust"};
    return indicator >= 0 && indicator < 6 ? kNames[indicator] : "?";
}

std::string Format(const char* format, double a, double b = 0.0, double c = 0.0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

std::string Lamp(bool lit) {
    return lit ? "(*)" : "( )";
}

std::string Bold(const std::string& text, bool styled) {
    return styled ? "\x1b[1m" + text + "\x1b[0m" : text;
}

std::string PendantLine(LiveSession& session) {
    PendantWindow* window = session.plugin().window();
    if (window == nullptr) return "pendant shows  nothing: the plug-in has stopped";
    const auto& out = window->outputReport();
    const int axis = out[kIndicatorByte] >> 4;
    std::string text = "pendant shows  axis ";
    text += axis < 6 ? kAxisLetters[axis] : '?';
    text += std::string("   mode ") + ModeName(out[kModeByte]);
    text += "   reset " + Lamp((out[kIndicatorByte] & 0x01) != 0);
    text += "  jog " + Lamp((out[kIndicatorByte] & 0x02) != 0);
    text += "  run state " + std::to_string((out[kIndicatorByte] >> 2) & 0x03);
    char bytes[32];
    std::snprintf(bytes, sizeof bytes, "   [%02x %02x %02x %02x %02x]", out[0], out[1], out[2],
                  out[3], out[4]);
    text += bytes;
    if (!window->link().connected()) text += "  (not sent: no pendant)";
    return text;
}

std::string JogLine(LiveSession& session) {
    std::string text = "engine jog     ";
    bool any = false;
    for (int axis = 0; axis < 3; ++axis) {
        const double velocity = session.machine().JogVelocity(axis);
        if (velocity == 0.0) continue;
        const JogRecord record = session.host().Jog(axis);
        text += std::string(1, kAxisLetters[axis]) +
                Format(" %+.0f per minute (jog record %.0f of %.0f)   ", velocity, record.velocity,
                       record.maxVelocity);
        any = true;
    }
    return any ? text : text + "none running";
}

std::string HostLine(LiveSession& session) {
    SimHost& host = session.host();
    return "host LEDs      83 jog " + Lamp(host.Led(codes::kLedJogEnabled)) + "   800 reset " +
           Lamp(host.Led(codes::kLedReset)) + "   804 " + Lamp(host.Led(codes::kLedRunState1)) +
           "  805 " + Lamp(host.Led(codes::kLedRunState2)) + "  806 " +
           Lamp(host.Led(codes::kLedRunState3)) + "   15 " + Lamp(host.Led(15));
}

std::string VirtualPendantLine(const VirtualPendant& pendant) {
    std::string held;
    for (const PendantKey& key : kPendantKeys)
        if (pendant.Held(key)) held += " " + std::string(key.name);
    return "virtual pendant  wheel " + std::to_string(pendant.wheel) + "   speed " +
           std::to_string(pendant.speed) + "   held:" + (held.empty() ? " none" : held) +
           (pendant.plugged ? "   plugged in" : "   UNPLUGGED");
}

}  // namespace

std::vector<std::string> RenderStatus(LiveSession& session, const ScreenContext& context,
                                      bool styled) {
    std::vector<std::string> lines;
    lines.push_back(Bold("k7sim live: " + session.pluginName(), styled) +
                    Format("   %.1f s   %.0f ticks   %.0f updates", context.seconds,
                           static_cast<double>(session.ticks()),
                           static_cast<double>(session.updates())));
    lines.push_back("pendant: " + session.LinkState() +
                    (session.keyboard() ? "  (the keyboard's virtual pendant)" : "") +
                    Format("   %.0f reports/s", session.reportRate()));
    for (const std::string& note : context.notes) lines.push_back("  " + note);
    lines.push_back("profile: " + session.profilePath() +
                    (context.recordPath.empty() ? "" : "   recording: " + context.recordPath));
    lines.push_back("");
    const DemoMachine& machine = session.machine();
    lines.push_back(Bold(Format("machine        X %10.4f    Y %10.4f    Z %10.4f",
                                machine.Position(0), machine.Position(1), machine.Position(2)),
                         styled));
    lines.push_back(JogLine(session));
    lines.push_back(PendantLine(session));
    lines.push_back(HostLine(session));
    lines.push_back("host message   \"" + session.host().Message() + "\"");
    if (session.keyboard()) lines.push_back(VirtualPendantLine(session.pendant()));
    lines.push_back("");
    const std::vector<std::string> keyMap =
        KeyMapLines(session.keyboard(), context.scripted, context.width);
    // The lists give up rows first, so the key map stays on a small terminal.
    std::size_t actionRows = kActionRows, codeRows = kCodeRows;
    if (context.height > 0) {
        const std::size_t fixed = lines.size() + 3 + keyMap.size();
        std::size_t spare = context.height > fixed ? context.height - fixed : 0;
        codeRows = std::min(codeRows, spare / 2);
        actionRows = std::min(actionRows, spare - codeRows);
    }
    lines.push_back(Bold("last host actions", styled));
    const auto& actions = session.actions();
    for (std::size_t i = 0; i < actionRows; ++i) {
        const std::size_t shown = actions.size() > actionRows ? actions.size() - actionRows : 0;
        lines.push_back(shown + i < actions.size() ? "  " + actions[shown + i] : "");
    }
    lines.push_back(Bold("last G-code lines", styled));
    const auto& codes = session.codes();
    for (std::size_t i = 0; i < codeRows; ++i) {
        const std::size_t shown = codes.size() > codeRows ? codes.size() - codeRows : 0;
        lines.push_back(shown + i < codes.size() ? "  " + codes[shown + i] : "");
    }
    lines.push_back("");
    lines.insert(lines.end(), keyMap.begin(), keyMap.end());
    return lines;
}

}  // namespace k7::sim::live
