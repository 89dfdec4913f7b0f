// `inside CALL COMMAND`: a host that does something of its own from inside a
// call the plug-in makes to it, as hosts do that pump messages in their button
// handlers: the pendant pulled, the timer ticking, the plug-in stopped.
#include "sim/trace/commands.h"

namespace k7::sim::trace {
namespace {

// What a host may do from inside a call the plug-in makes to it.
const std::vector<CommandEntry> kInsideCommands = {
    {"led", &ParseLed},         {"dro", &ParseDro},       {"host", &ParseHost},
    {"stop", &ParseStop},       {"remove", &ParseRemove}, {"arrive", &ParseArrive},
    {"unplug", &ParseUnplug},   {"plug", &ParsePlug},     {"report", &ParseReport},
    {"pendant", &ParsePendant}, {"turn", &ParseTurn},     {"tick", &ParseTick},
    {"update", &ParseUpdate},
};

// The words of each host call: KIND and its arguments.
std::size_t CallWords(std::string_view kind) {
    return kind == "dro" ? 3 : 2;
}

}  // namespace

Action ParseInside(const Args& args) {
    const char* usage =
        "takes a host call (button CODE, dro CODE VALUE, code \"TEXT\", ...) "
        "and a command";
    if (args.size() == 0 || args.at(0).quoted) args.Fail(usage);
    const std::string& kind = args.at(0).text;
    const std::size_t words = CallWords(kind);
    const std::vector<Token>& tokens = args.words();
    const Args callArgs(
        args.name() + " " + kind,
        std::vector<Token>(tokens.begin() + 1, tokens.begin() + std::min(words, tokens.size())));
    const NamedEffect call = NameEffect(kind, callArgs);
    if (tokens.size() <= words || tokens[words].quoted) args.Fail(usage);
    const std::string& name = tokens[words].text;
    const CommandParser parse = FindParser(kInsideCommands, name);
    if (parse == nullptr) args.Fail("cannot run " + TraceWord(name) + " inside a host call");
    const Action command = parse(Args(
        args.name() + " " + name,
        std::vector<Token>(tokens.begin() + static_cast<std::ptrdiff_t>(words) + 1, tokens.end())));
    return [args, call, command](Session& s) {
        s.RequireStarted(args);
        s.ArmInside(args, call.effect, call.described, command);
    };
}

}  // namespace k7::sim::trace
