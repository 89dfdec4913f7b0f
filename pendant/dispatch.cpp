#include "pendant/dispatch.h"

#include "jog/jog_engine.h"

namespace k7 {
namespace {

std::uint32_t LittleEndianWord(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

}  // namespace

void DispatchInputReport(TickContext& tick, const std::uint8_t (&inputReport)[kInputReportSize]) {
    tick.pendant.currentReport[0] = LittleEndianWord(inputReport);
    tick.pendant.currentReport[1] = LittleEndianWord(inputReport + 4);
    HandleResetKey(tick);
    HandleRunKeys(tick);
    HandleModeKeys(tick);
    HandleAxisKeys(tick);
    HandleWheel(tick);
}

}  // namespace k7
