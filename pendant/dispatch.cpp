#include "pendant/dispatch.h"

#include "jog/wheel_decoder.h"
#include "pendant/axis_keys.h"
#include "pendant/input_report.h"
#include "pendant/mode_keys.h"
#include "pendant/reset_run_keys.h"

namespace k7 {

void DispatchInputReport(TickContext& tick, const std::uint8_t (&inputReport)[kInputReportSize]) {
    ReportToWords(inputReport, tick.pendant.currentReport);
    HandleResetKey(tick);
    HandleRunKeys(tick);
    HandleModeKeys(tick);
    HandleAxisKeys(tick);
    HandleWheel(tick);
}

}  // namespace k7
