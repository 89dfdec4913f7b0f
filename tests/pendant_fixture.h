// The pendant keys over a simulated host: the state of one device window and
// a tick that dispatches a report with the named keys held, so each case reads
// as a short scenario ("Fn+X held, two Updates, X let go").
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pendant/dispatch.h"
#include "tests/support/tick_fixture.h"

namespace k7::test {

// Key names as a trace writes them: "Fn+X", "M1+M2", "" for none.
inline std::uint8_t KeyBits(std::string_view keys, int byte) {
    static constexpr struct {
        std::string_view name;
        int byte;
        std::uint8_t bit;
    } kKeys[] = {{"Fn", 3, 0x01}, {"Reset", 3, 0x02},  {"X", 3, 0x04},     {"Y", 3, 0x08},
                 {"Z", 3, 0x10},  {"Screen", 3, 0x20}, {"Start", 3, 0x40}, {"M1", 4, 0x01},
                 {"M2", 4, 0x02}, {"M3", 4, 0x04}};
    std::uint8_t bits = 0;
    while (!keys.empty()) {
        const auto plus = keys.find('+');
        const std::string_view name = keys.substr(0, plus);
        bool known = false;
        for (const auto& key : kKeys) {
            if (key.name != name) continue;
            known = true;
            if (key.byte == byte) bits |= key.bit;
        }
        EXPECT_TRUE(known) << "unknown key " << name;
        keys = plus == std::string_view::npos ? std::string_view{} : keys.substr(plus + 1);
    }
    return bits;
}

class PendantFixture : public TickFixture {
  protected:
    // One tick whose report holds these keys (the wheel stands still).
    void Tick(std::string_view keys = "") {
        std::uint8_t report[kInputReportSize] = {};
        report[3] = KeyBits(keys, 3);
        report[4] = KeyBits(keys, 4);
        TickContext tick = Context(true);
        DispatchInputReport(tick, report);
        BuildOutputReport(tick, output);
    }
    // The same report through the four key handlers only: the wheel, which
    // works off stepBacklog, does not run.
    void KeysOnlyTick(std::string_view keys) {
        pendant.currentReport[0] = std::uint32_t{KeyBits(keys, 3)} << 24;
        pendant.currentReport[1] = KeyBits(keys, 4);
        TickContext tick = Context(true);
        HandleResetKey(tick);
        HandleRunKeys(tick);
        HandleModeKeys(tick);
        HandleAxisKeys(tick);
    }
    // A complete short press: held for one tick, settled, let go.
    void Tap(std::string_view keys, int heldUpdates = 2, std::string_view after = "") {
        Tick(keys);
        Updates(heldUpdates);
        Tick(after);
    }

    std::uint8_t output[kOutputReportSize] = {};
};

using Strings = std::vector<std::string>;

}  // namespace k7::test
