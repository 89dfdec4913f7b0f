// A jog engine over a simulated host: the state of one device window, and a
// tick that dispatches only the wheel, so each case reads as a short scenario.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jog/wheel_decoder.h"
#include "tests/support/tick_fixture.h"

namespace k7::test {

class JogFixture : public TickFixture {
  protected:
    JogFixture() {
        simHost.SetLed(83, true);  // jogging enabled
        module.counters.jogCycles = 100;
    }

    // One tick whose report carries this wheel counter and speed byte.
    void Tick(int wheelByte, int speedByte = 0) {
        pendant.currentReport[0] = static_cast<std::uint32_t>(wheelByte & 0xff) << 8 |
                                   static_cast<std::uint32_t>(speedByte & 0xff) << 16;
        TickContext tick = Context(hostWasAbsolute);
        HandleWheel(tick);
    }
    // Turns the wheel by `counts` (signed) from where it is now.
    void Turn(int counts, int speedByte = 0) {
        wheel_ = (wheel_ + counts) & 0xff;
        Tick(wheel_, speedByte);
    }
    void Rest(int speedByte = 0) { Tick(wheel_, speedByte); }
    std::vector<std::string> Codes() {
        std::vector<std::string> out;
        for (const sim::Effect& e : simHost.effects())
            if (e.kind == sim::Effect::Kind::Code) out.push_back(e.text);
        simHost.effects().clear();
        return out;
    }

    bool hostWasAbsolute = false;
    int wheel_ = 0;
};

}  // namespace k7::test
