// TEMPORARY: replaced by the key handlers and the output report.
#include "pendant/dispatch.h"
namespace k7 {
void HandleResetKey(TickContext&) {}
void HandleRunKeys(TickContext&) {}
void HandleModeKeys(TickContext&) {}
void HandleAxisKeys(TickContext&) {}
void BuildOutputReport(TickContext&, std::uint8_t (&out)[kOutputReportSize]) {
    for (auto& b : out) b = 0;
}
}  // namespace k7
