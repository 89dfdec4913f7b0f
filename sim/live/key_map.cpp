#include "sim/live/key_map.h"

#include "host/host_codes.h"

namespace k7::sim::live {
namespace {

constexpr KeyBinding kBindings[] = {
    {'.', KeyAction::Wheel, 1, "wheel +1"},
    {',', KeyAction::Wheel, -1, "wheel -1"},
    {'>', KeyAction::Wheel, 10, "wheel +10"},
    {'<', KeyAction::Wheel, -10, "wheel -10"},
    {']', KeyAction::Speed, 10, "speed +10"},
    {'[', KeyAction::Speed, -10, "speed -10"},
    {'f', KeyAction::PendantKey, 0, "Fn"},
    {'r', KeyAction::PendantKey, 1, "Reset"},
    {'x', KeyAction::PendantKey, 2, "X"},
    {'y', KeyAction::PendantKey, 3, "Y"},
    {'z', KeyAction::PendantKey, 4, "Z"},
    {'s', KeyAction::PendantKey, 5, "Screen"},
    {'g', KeyAction::PendantKey, 6, "Start"},
    {'1', KeyAction::PendantKey, 7, "mode 1"},
    {'2', KeyAction::PendantKey, 8, "mode 2"},
    {'3', KeyAction::PendantKey, 9, "mode 3"},
    {'0', KeyAction::ReleaseKeys, 0, "all keys up"},
    {'u', KeyAction::Plug, 0, "unplug/plug"},
    {'j', KeyAction::Led, codes::kLedJogEnabled, "LED 83 jog on"},
    {'e', KeyAction::Led, codes::kLedReset, "LED 800 reset"},
    {'4', KeyAction::Led, codes::kLedRunState1, "LED 804"},
    {'5', KeyAction::Led, codes::kLedRunState2, "LED 805"},
    {'6', KeyAction::Led, codes::kLedRunState3, "LED 806"},
    {'b', KeyAction::Led, 15, "LED 15 (jog buttons 204/205)"},
    {'c', KeyAction::Configure, 0, "configuration"},
    {'q', KeyAction::Quit, 0, "quit"},
    {'t', KeyAction::Time, 1, "one tick (25 ms)"},
    {'T', KeyAction::Time, 40, "one second"},
};

const KeyBinding* ByChar(char c) {
    for (const KeyBinding& binding : kBindings)
        if (binding.key == c) return &binding;
    return nullptr;
}

bool PendantAction(KeyAction action) {
    return action == KeyAction::Wheel || action == KeyAction::Speed ||
           action == KeyAction::PendantKey || action == KeyAction::ReleaseKeys ||
           action == KeyAction::Plug;
}

void Wrap(std::vector<std::string>& lines, const char* title, const std::vector<std::string>& items,
          std::size_t width) {
    std::string line = title;
    const std::string indent(line.size(), ' ');
    for (const std::string& item : items) {
        if (line.size() + item.size() + 2 > width && line.size() > indent.size()) {
            lines.push_back(line);
            line = indent;
        }
        line += item + "  ";
    }
    lines.push_back(line);
}

}  // namespace

const KeyBinding* FindBinding(const Key& key) {
    switch (key.kind) {
        case KeyKind::Char:
            return ByChar(key.ch);
        case KeyKind::Right:
            return ByChar('.');
        case KeyKind::Left:
            return ByChar(',');
        case KeyKind::Up:
            return ByChar('>');
        case KeyKind::Down:
            return ByChar('<');
        case KeyKind::Tick:
            return ByChar('t');
        default:
            return nullptr;
    }
}

std::vector<std::string> KeyMapLines(bool virtualPendant, bool scripted, std::size_t width) {
    std::vector<std::string> pendant, keys, host, session;
    for (const KeyBinding& binding : kBindings) {
        const std::string item = std::string(1, binding.key) + " " + binding.help;
        if (binding.action == KeyAction::PendantKey)
            keys.push_back(item);
        else if (PendantAction(binding.action))
            pendant.push_back(item);
        else if (binding.action == KeyAction::Led)
            host.push_back(item);
        else if (binding.action != KeyAction::Time || scripted)
            session.push_back(item);
    }
    std::vector<std::string> lines;
    if (virtualPendant) {
        pendant.push_back("(arrows: Right/Left +1/-1, Up/Down +10/-10)");
        keys.push_back("(a key stays held until pressed again)");
        Wrap(lines, "pendant ", pendant, width);
        Wrap(lines, "keys    ", keys, width);
    }
    Wrap(lines, "host    ", host, width);
    Wrap(lines, "        ", session, width);
    return lines;
}

}  // namespace k7::sim::live
