// The trace's commands. Each parser checks its words when the file is read and
// returns the action that runs the command; state rules (before or after
// `start`, a report queued past a late one) are checked when the action runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/trace/args.h"
#include "sim/trace/session.h"

namespace k7::sim::trace {

using Action = std::function<void(Session&)>;
using CommandParser = Action (*)(const Args& args);

struct CommandEntry {
    std::string_view name;
    CommandParser parse;
};

// An effect as a check or an `inside` names it, and as a failure shows it.
struct NamedEffect {
    Effect effect;
    std::string described;
};
// KIND's words: button CODE, dro CODE VALUE, code / message / msgbox "TEXT".
NamedEffect NameEffect(std::string_view kind, const Args& args);
// DRO values compare as numbers, within 1e-9 relative.
bool NearlyEqual(double a, double b);
bool EffectMatches(const Effect& actual, const Effect& expected);

// The words after the first one, named "first second" for error reports.
Args SubArgs(const Args& args);
// The parser of `name` in a table, or null.
CommandParser FindParser(const std::vector<CommandEntry>& table, std::string_view name);

// The simulated host: led, dro, host FIELD ...
Action ParseLed(const Args& args);
Action ParseDro(const Args& args);
Action ParseHost(const Args& args);

// Devices, start and stop.
// now: `profile-now`, the file rewritten after the start, as the host or
// another program would, without telling the plug-in.
Action ParseProfile(const Args& args, std::vector<std::string> lines, bool now = false);
Action ParseDevice(const Args& args);
Action ParseNoDevice(const Args& args);
Action ParseStart(const Args& args);
Action ParseStop(const Args& args);
Action ParseRemove(const Args& args);
Action ParseArrive(const Args& args);
Action ParseUnplug(const Args& args);
Action ParsePlug(const Args& args);

// The virtual pendant and time.
Action ParseReport(const Args& args);
Action ParsePendant(const Args& args);
Action ParseTurn(const Args& args);
Action ParseLate(const Args& args);
Action ParseTogether(const Args& args);
Action ParseTick(const Args& args);
Action ParseUpdate(const Args& args);
// `inside CALL COMMAND`: the host runs COMMAND from inside the plug-in's next
// call that matches CALL.
Action ParseInside(const Args& args);

// Checks of the profile file on disk and of the settings in memory.
Action ParseProfileCheck(const Args& args);
Action ParseProfileKeysCheck(const Args& args);
Action ParseProfileElementCheck(const Args& args);
Action ParseProfileBytesCheck(const Args& args);
Action ParseSettingCheck(const Args& args);

// Checks.
Action ParseSkip(const Args& args);
Action ParseExpect(const Args& args);
// The checks of effects, output and state (all but the dialog's own), or null.
CommandParser FindCheck(std::string_view name);

}  // namespace k7::sim::trace
