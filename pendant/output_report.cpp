// The indicator report sent to the pendant after every tick, rebuilt from
// scratch each time from the host LEDs, the axis, the wheel mode and the
// Update count.
#include "pendant/output_report.h"

#include <cstddef>

#include "host/host_codes.h"

namespace k7 {
namespace {

struct IndicatorLed {
    int led;
    std::uint8_t bits;  // in the indicator byte
};

// The three run-state LEDs make the 2-bit run state 1, 2, 3; several lit are ORed.
constexpr IndicatorLed kIndicatorLeds[] = {
    {codes::kLedReset, 0x01},     {codes::kLedJogEnabled, 0x02}, {codes::kLedRunState1, 0x04},
    {codes::kLedRunState2, 0x08}, {codes::kLedRunState3, 0x0C},
};

// Byte 2 by wheelMode (index 0 unused): the number of the mode key that selects
// the mode, from 0, plus 3 for that key's second mode.
constexpr std::uint8_t kWheelModeIndicator[] = {0, 0, 3, 1, 4, 2, 5};

std::uint8_t WheelModeIndicator(int wheelMode) {
    constexpr int count = sizeof kWheelModeIndicator;
    if (wheelMode < 0 || wheelMode >= count) return 0;
    return kWheelModeIndicator[wheelMode];
}

}  // namespace

void BuildOutputReport(TickContext& tick, std::uint8_t (&outputReport)[kOutputReportSize]) {
    std::uint8_t indicators = 0;
    for (const IndicatorLed& entry : kIndicatorLeds) {
        if (tick.host.GetLED(entry.led)) indicators |= entry.bits;
    }
    indicators |= static_cast<std::uint8_t>((tick.pendant.selectedAxis & 0x0F) << 4);
    for (std::uint8_t& byte : outputReport) byte = 0;
    outputReport[kIndicatorByte] = indicators;
    outputReport[kModeByte] = WheelModeIndicator(tick.logic.wheelMode);
    outputReport[kSequenceByte] = static_cast<std::uint8_t>(tick.counters.reportSequence & 0xFF);
}

}  // namespace k7
