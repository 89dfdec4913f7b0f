// The keys of live mode's main screen: one table that the key handler looks
// keys up in and that the screen and the usage text print as the key map.
#pragma once

#include <string>
#include <vector>

#include "sim/live/keys.h"

namespace k7::sim::live {

enum class KeyAction {
    Wheel,        // value: counts, signed
    Speed,        // value: change of the speed byte
    PendantKey,   // value: index in kPendantKeys; held until pressed again
    ReleaseKeys,  // every pendant key up
    Plug,         // unplug the virtual pendant, or plug it back in
    Led,          // value: the host LED toggled
    Configure,
    Quit,
    Time,  // value: ticks of time passing; only input from a script drives time
};

struct KeyBinding {
    char key;
    KeyAction action;
    int value;
    const char* help;
};

// The binding of a key, or null. The cursor keys turn the wheel as well.
const KeyBinding* FindBinding(const Key& key);

// The key map as lines of at most `width` columns: the virtual pendant's keys
// only with the keyboard pendant, the keys of time only for scripts.
std::vector<std::string> KeyMapLines(bool virtualPendant, bool scripted, std::size_t width);

}  // namespace k7::sim::live
