#include "pendant/slot_cycles.h"

#include <array>
#include <optional>

#include "host/host_codes.h"
#include "settings/option_lists.h"

namespace k7 {
namespace {

// Host screen buttons by ScreenList position; 0 is the NONE entry.
constexpr std::array<int, 7> kScreenButtons = {0, 1, 2, 3, 7, 6, 5};
// Jog step sizes by StepSizeList position; 0.0 is the NONE entry.
constexpr std::array<double, 5> kStepSizes = {0.0, 0.0001, 0.001, 0.01, 0.1};

// The table's value for a list position; nothing for a position that names no
// entry of the list (a hand-edited profile), which leaves its slot as it was.
template <typename T, std::size_t N>
std::optional<T> ValueAt(std::span<const char* const> list, const std::array<T, N>& table,
                         int position) {
    if (!ListEntry(list, position) || position >= static_cast<int>(N)) return std::nullopt;
    return table[static_cast<std::size_t>(position)];
}

template <typename T, std::size_t N>
void RefreshSlots(std::span<const char* const> list, const std::array<T, N>& table,
                  const std::int16_t (&settings)[3], T (&slots)[3]) {
    for (int i = 0; i < 3; ++i) {
        if (const auto value = ValueAt(list, table, settings[i])) slots[i] = *value;
    }
}

}  // namespace

int NextSlot(int slot, const std::int16_t (&settings)[3]) {
    if (slot < 1 || slot > 3) slot = 3;  // not reached; the cycle then starts at slot 1
    const int first = slot % 3 + 1;      // 1 -> 2, 2 -> 3, 3 -> 1
    const int second = first % 3 + 1;    // 1 -> 3, 2 -> 1, 3 -> 2
    if (settings[first - 1] != 0) return first;
    if (settings[second - 1] != 0) return second;
    return 0;
}

void ScreenCycle(TickContext& tick) {
    PendantState& pendant = tick.pendant;
    const auto& settings = tick.settings.ScreenSel;
    RefreshSlots(ScreenList, kScreenButtons, settings, pendant.screenCodes);
    const int next = NextSlot(pendant.screenSlot, settings);
    if (next == 0) return;
    pendant.screenSlot = next;
    // A slot whose setting never named a screen has no button: pressing host
    // button 0 would ask the host for something nobody chose.
    const int button = pendant.screenCodes[next - 1];
    if (button != 0) tick.host.DoButton(button);
}

void StepSizeCycle(TickContext& tick) {
    PendantState& pendant = tick.pendant;
    const auto& settings = tick.settings.StepSize;
    RefreshSlots(StepSizeList, kStepSizes, settings, pendant.stepSizes);
    const int next = NextSlot(pendant.stepSlot, settings);
    if (next == 0) return;
    pendant.stepSlot = next;
    tick.host.SetDRO(codes::kDroStepSize, pendant.stepSizes[next - 1]);
}

}  // namespace k7
