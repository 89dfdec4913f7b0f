// The pendant keys over a simulated host: the state of one device window and
// a tick that dispatches a report with the named keys held, so each case reads
// as a short scenario ("Fn+X held, two Updates, X let go").
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pendant/axis_keys.h"
#include "pendant/dispatch.h"
#include "pendant/mode_keys.h"
#include "pendant/output_report.h"
#include "pendant/reset_run_keys.h"
#include "protocol/pendant_protocol.h"
#include "tests/support/tick_fixture.h"

namespace k7::test {

// Key names as a trace writes them: "Fn+X", "M1+M2", "" for none.
inline std::uint8_t KeyBits(std::string_view keys, int byte) {
    std::uint8_t bits = 0;
    while (!keys.empty()) {
        const auto plus = keys.find('+');
        const std::string_view name = keys.substr(0, plus);
        const PendantKey* key = FindPendantKey(name);
        EXPECT_NE(key, nullptr) << "unknown key " << name;
        if (key != nullptr && key->byte == byte) bits |= key->bit;
        keys = plus == std::string_view::npos ? std::string_view{} : keys.substr(plus + 1);
    }
    return bits;
}

class PendantFixture : public TickFixture {
  protected:
    // One tick whose report holds these keys (the wheel stands still).
    void Tick(std::string_view keys = "") {
        std::uint8_t report[kInputReportSize] = {};
        report[kKeyByte] = KeyBits(keys, kKeyByte);
        report[kModeKeyByte] = KeyBits(keys, kModeKeyByte);
        TickContext tick = Context(true);
        DispatchInputReport(tick, report);
        BuildOutputReport(tick, output);
    }
    // The same report through the four key handlers only: the wheel, which
    // works off stepBacklog, does not run.
    void KeysOnlyTick(std::string_view keys) {
        pendant.currentReport[0] = std::uint32_t{KeyBits(keys, kKeyByte)} << 24;
        pendant.currentReport[1] = KeyBits(keys, kModeKeyByte);
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
