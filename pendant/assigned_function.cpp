#include "pendant/assigned_function.h"

#include <cstdio>

#include "settings/option_lists.h"

namespace k7 {
namespace {

// ButtonList numbers from 800 to 899 are the plug-in's own: 813..820 the OEM
// buttons and macros below, 899 the separator lines. Every other number is a
// host button code.
constexpr std::int32_t kOwnFirst = 800;
constexpr std::int32_t kOwnLast = 899;
constexpr std::int32_t kAssignableFirst = 813;

struct Assignable {
    bool macro;   // Code("M<setting>") rather than DoButton(setting)
    int setting;  // index into OEM[] or Macro[]
    const char* message;
};

constexpr Assignable kAssignables[] = {
    {false, 0, " OEM Function #1 executed. "}, {false, 1, "OEM Function #2 executed."},
    {false, 2, "OEM Function #3 executed. "},  {false, 3, "OEM Function #4 executed."},
    {true, 0, " Custom Macro #1 executed. "},  {true, 1, " Custom Macro #2 executed. "},
    {true, 2, " Custom Macro #3 executed. "},  {true, 3, " Custom Macro #4 executed. "},
};
constexpr std::int32_t kAssignableCount = sizeof kAssignables / sizeof kAssignables[0];

void RunAssignable(TickContext& tick, const Assignable& entry) {
    const PendantSettings& settings = tick.settings;
    if (entry.macro) {
        char line[16];  // "M-32768" at most
        std::snprintf(line, sizeof line, "M%d", static_cast<int>(settings.Macro[entry.setting]));
        tick.host.Code(line);
    } else {
        tick.host.DoButton(settings.OEM[entry.setting]);
    }
    tick.host.SetHostMessage(entry.message);
}

}  // namespace

void AssignedFunction(TickContext& tick, int position) {
    const auto entry = ListEntry(ButtonList, position);
    if (!entry) return;
    const std::int32_t number = LeadingNumber(*entry);
    if (number < kOwnFirst || number > kOwnLast) {
        tick.host.DoButton(number);
        return;
    }
    const std::int32_t index = number - kAssignableFirst;
    if (index >= 0 && index < kAssignableCount) RunAssignable(tick, kAssignables[index]);
}

}  // namespace k7
