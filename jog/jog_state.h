// State of the jog engine, owned by the device window; everything starts at 0.
#pragma once

#include <cstdint>

namespace k7 {

struct JogState {
    int lastWheelByte = 0;               // wheel counter seen on the previous tick
    int wheelCount = 0;                  // counts moved since the previous tick
    int wheelDirection = 0;              // after the reverse options: 0 = counter increasing
    std::uint8_t rawWheelDirection = 0;  // before the reverse options (modes 4-6)
    int stepBacklog = 0;                 // held-back step counts, positive = direction 0
    bool feedSaved = false;              // DRO 818 and 821 saved around step jogging
    // A step line has gone to the host and the "G90" that puts the host back
    // into absolute mode has not yet: the release sends it if a stop came between.
    bool g90Due = false;
    double savedFeed = 0.0;
    double savedDro821 = 0.0;
    int wheelSpeed = 0;  // speed byte of the current pass
    int delayCount = 0;  // C-mode counts since the activity began
    int lastJogDirection = 0;
    double countRing[2] = {0.0, 0.0};  // counts of the last two engine passes
    int countRingIndex = 0;
    double speedHistory[10] = {};  // V-mode speed bytes, oldest first
    bool jogStarted = false;       // jog-start bracket open
    bool bracketPressed = false;   // button 204 pressed at the bracket's start

    // The host engine jog in motion: from a "DOJOG" until the next "ENDJOG".
    // Kept so that it can be stopped on the axis it runs on when the wheel's
    // meaning changes or nobody can be at the wheel any more.
    bool engineJogRunning = false;
    // Inside the host's "DOJOG" call: a stop sent from inside it (a host
    // dispatching messages there) may reach the host before the jog starts.
    bool jogStartInCall = false;
    int engineJogAxis = 0;
    int engineJogMode = 0;  // wheelMode that started it
};

}  // namespace k7
