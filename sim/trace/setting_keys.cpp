#include "sim/trace/setting_keys.h"

#include "settings/option_lists.h"

namespace k7::sim::trace {
namespace {

using C = SettingKey::Control;
using S = PendantSettings;

const SettingKey kKeys[] = {
    {"BUTTON0", C::Combo, &ButtonList, [](const S& s) -> int { return s.BUTTON[0]; }},
    {"BUTTON1", C::Combo, &ButtonList, [](const S& s) -> int { return s.BUTTON[1]; }},
    {"BUTTON2", C::Combo, &ButtonList, [](const S& s) -> int { return s.BUTTON[2]; }},
    {"Vel", C::Combo, &VelocityList, [](const S& s) -> int { return s.Vel; }},
    {"Macro1", C::Edit, nullptr, [](const S& s) -> int { return s.Macro[0]; }},
    {"Macro2", C::Edit, nullptr, [](const S& s) -> int { return s.Macro[1]; }},
    {"Macro3", C::Edit, nullptr, [](const S& s) -> int { return s.Macro[2]; }},
    {"Macro4", C::Edit, nullptr, [](const S& s) -> int { return s.Macro[3]; }},
    {"OEM1", C::Edit, nullptr, [](const S& s) -> int { return s.OEM[0]; }},
    {"OEM2", C::Edit, nullptr, [](const S& s) -> int { return s.OEM[1]; }},
    {"OEM3", C::Edit, nullptr, [](const S& s) -> int { return s.OEM[2]; }},
    {"OEM4", C::Edit, nullptr, [](const S& s) -> int { return s.OEM[3]; }},
    {"StepJogRate", C::Edit, nullptr, [](const S& s) -> int { return s.StepJogRate; }},
    {"DelaySteps", C::Edit, nullptr, [](const S& s) -> int { return s.DelaySteps; }},
    {"ScreenSel1", C::Combo, &ScreenList, [](const S& s) -> int { return s.ScreenSel[0]; }},
    {"ScreenSel2", C::Combo, &ScreenList, [](const S& s) -> int { return s.ScreenSel[1]; }},
    {"ScreenSel3", C::Combo, &ScreenList, [](const S& s) -> int { return s.ScreenSel[2]; }},
    {"StepSize1", C::Combo, &StepSizeList, [](const S& s) -> int { return s.StepSize[0]; }},
    {"StepSize2", C::Combo, &StepSizeList, [](const S& s) -> int { return s.StepSize[1]; }},
    {"StepSize3", C::Combo, &StepSizeList, [](const S& s) -> int { return s.StepSize[2]; }},
    {"Xreverse", C::Check, nullptr, [](const S& s) -> int { return s.Xreverse ? 1 : 0; }},
    {"Yreverse", C::Check, nullptr, [](const S& s) -> int { return s.Yreverse ? 1 : 0; }},
    {"Zreverse", C::Check, nullptr, [](const S& s) -> int { return s.Zreverse ? 1 : 0; }},
};

}  // namespace

const SettingKey* FindSettingKey(std::string_view name) {
    for (const SettingKey& key : kKeys)
        if (key.name == name) return &key;
    return nullptr;
}

}  // namespace k7::sim::trace
