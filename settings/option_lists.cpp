#include "settings/option_lists.h"

#include <array>

namespace k7 {
namespace {

constexpr const char* kSeparator = "899  , ------------------------------ ";

constexpr std::array<const char*, 70> kButtonList = {
    "0, NONE",
    kSeparator,
    "813, OEM Button #1",
    "814, OEM Button #2",
    "815, OEM Button #3",
    "816, OEM Button #4",
    "817, Custom Macro #1",
    "818, Custom Macro #2",
    "819, Custom Macro #3",
    "820, Custom Macro #4",
    kSeparator,
    "1    , Screen 1 (Program Run screen)",
    "2    , Screen 2 (MDI screen)",
    "3    , screen 3 (Toolpath screen) ",
    "4    , screen 4 (Positioning screen)",
    "5    , screen 5 (Diagnostics screen) ",
    "6    , screen 6 ( Corrections screen) ",
    "7    , screen 7 (Tables screen)",
    "323  , Toggle visibility of TAB screen ",
    "160  , Regen toolpath display ",
    "1020,  Verify",
    kSeparator,
    "110  , Spindle on/off ",
    "113  , Flood toggle ",
    "114  , Mist toggle ",
    kSeparator,
    "178  , Offline toggle  ",
    "103  , Jog ON and OFF toggle           ",
    "1029 , Softlimits Toggle               ",
    "172  , Clear error label               ",
    "167  , Z inhibit toggle                ",
    kSeparator,
    "106  , mm/inch",
    "256  , Machine Coordinates toggle      ",
    "333  , Toggle Dist to Go               ",
    kSeparator,
    "171  , Jog increment cycle             ",
    "191  , Select Jog Increment 1          ",
    "192  , Select Jog Increment 2          ",
    "245  , Jog mode STEP CONT MPG toggle   ",
    kSeparator,
    "250  , Disable movement on axis X      ",
    "251  , Disable movement on axis Y      ",
    "252  , Disable movement on axis Z      ",
    "253  , Disable movement on axis A      ",
    kSeparator,
    "139  , Part X Offset Touch             ",
    "140  , Part Y Offset Touch             ",
    "141  , Part Z Offset Touch             ",
    "142  , Part A Offset Touch             ",
    kSeparator,
    "145  , Tool X Offset Touch             ",
    "146  , Tool Z Offset Touch             ",
    kSeparator,
    "1007 , ZeroAll\t\t\t       ",
    "1008 , Zero X                          ",
    "1009 , Zero Y                          ",
    "1010 , Zero Z                          ",
    "1011 , Zero A                          ",
    "120  , Touch Tool",
    "1016 , Run From Here",
    kSeparator,
    "1022 , Ref X                           ",
    "1023 , Ref Y                           ",
    "1024 , Ref Z                           ",
    "1025 , Ref A                           ",
    kSeparator,
    "1017 , GotoZs                          ",
    "138  , Go Home                         ",
    "104  , Goto Safe Z                     ",
};

constexpr std::array<const char*, 10> kVelocityList = {
    "3,1", "4,2", "5,3", "6,4", "7,5", "9,6", "11,7", "15,8", "20,9", "25,10",
};

constexpr std::array<const char*, 7> kScreenList = {
    "0, NONE",
    "1, Screen 1 (Program Run screen) ",
    "2, Screen 2 (MDI screen)         ",
    "3, screen 4 (Toolpath screen)    ",
    "4, screen 5 (Offsets screen) ",
    "5, screen 6 (Setting screen) ",
    "6, screen 7 (Diagnostics screen) ",
};

constexpr std::array<const char*, 5> kStepSizeList = {
    "1,NONE", "2,0.0001", "3,0.001", "4,0.01", "5,0.1",
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

const std::span<const char* const> ButtonList{kButtonList};
const std::span<const char* const> VelocityList{kVelocityList};
const std::span<const char* const> ScreenList{kScreenList};
const std::span<const char* const> StepSizeList{kStepSizeList};

std::optional<std::string_view> ListEntry(std::span<const char* const> list, int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= list.size()) return std::nullopt;
    return std::string_view(list[static_cast<std::size_t>(position)]);
}

std::string_view EntryLabel(std::string_view entry) {
    const auto comma = entry.find(',');
    return comma == std::string_view::npos ? std::string_view() : entry.substr(comma + 1);
}

ScannedNumber ScanLeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    ScannedNumber result;
    std::uint32_t value = 0;  // unsigned: wraps in 32 bits without undefined behaviour
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
        result.found = true;
    }
    if (negative) value = 0u - value;
    result.value = static_cast<std::int32_t>(value);
    return result;
}

std::int32_t LeadingNumber(std::string_view text) {
    return ScanLeadingNumber(text).value;
}

}  // namespace k7
