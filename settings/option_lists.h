// The four fixed option lists. Each entry is "number, label"; a setting stores
// the entry's 0-based position, and each consumer turns the position into what
// it stands for. Positions come from the profile and may lie outside a list:
// every lookup here is bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace k7 {

extern const std::span<const char* const> ButtonList;    // 70 entries
extern const std::span<const char* const> VelocityList;  // 10 entries
extern const std::span<const char* const> ScreenList;    // 7 entries
extern const std::span<const char* const> StepSizeList;  // 5 entries

// The entry at a position, or nullopt when the position is outside the list.
std::optional<std::string_view> ListEntry(std::span<const char* const> list, int position);

// The label: everything after the entry's first comma, blanks kept.
std::string_view EntryLabel(std::string_view entry);

// The leading-number rule: white space skipped, an optional sign, decimal digits
// up to the first other character, accumulated in 32 bits with wrap-around;
// no digits give 0 (so "abc" reads 0 and "12x" reads 12).
std::int32_t LeadingNumber(std::string_view text);

// As LeadingNumber, but tells whether any digit was found.
struct ScannedNumber {
    std::int32_t value = 0;
    bool found = false;
};
ScannedNumber ScanLeadingNumber(std::string_view text);

}  // namespace k7
