#include "sim/trace/parser.h"

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

Action ParseInsideCommand(const Args& args) {
    return ParseInside(args, kInsideCommands);
}

const std::vector<CommandEntry> kCommands = {
    {"led", &ParseLed},         {"dro", &ParseDro},           {"host", &ParseHost},
    {"device", &ParseDevice},   {"nodevice", &ParseNoDevice}, {"start", &ParseStart},
    {"stop", &ParseStop},       {"remove", &ParseRemove},     {"arrive", &ParseArrive},
    {"unplug", &ParseUnplug},   {"plug", &ParsePlug},         {"report", &ParseReport},
    {"pendant", &ParsePendant}, {"turn", &ParseTurn},         {"late", &ParseLate},
    {"tick", &ParseTick},       {"update", &ParseUpdate},     {"expect", &ParseExpect},
    {"skip", &ParseSkip},       {"together", &ParseTogether}, {"inside", &ParseInsideCommand},
};

bool ChecksEffects(const Token& name, const Args& args) {
    if (name.Is("config")) return true;
    if (!name.Is("expect") || args.size() == 0) return false;
    for (const char* check : {"button", "dro", "code", "message", "msgbox", "none"})
        if (args.at(0).Is(check)) return true;
    return false;
}

int LineNumber(std::size_t index) {
    return static_cast<int>(index) + 1;
}

// `profile <<TAG`: the lines up to one that is exactly TAG, taken verbatim.
Action ParseProfileBlock(const Args& args, const std::vector<std::string>& lines,
                         std::size_t& next) {
    args.Expect(1);
    const Token& marker = args.at(0);
    if (marker.quoted || marker.text.size() < 3 || marker.text.compare(0, 2, "<<") != 0)
        args.Fail("takes <<TAG");
    const std::string tag = marker.text.substr(2);
    std::vector<std::string> body;
    for (; next < lines.size(); ++next) {
        if (lines[next] == tag) {
            ++next;
            return ParseProfile(args, std::move(body));
        }
        body.push_back(lines[next]);
    }
    args.Fail("no line " + tag + " ends the block");
}

}  // namespace

std::vector<Token> TokensOf(const std::vector<std::string>& lines, std::size_t index) {
    TokenizeResult result = Tokenize(lines[index]);
    if (!result.error.empty()) throw LineError{LineNumber(index), result.error};
    return std::move(result.tokens);
}

std::vector<Step> ParseTrace(const std::vector<std::string>& lines) {
    std::vector<Step> steps;
    for (std::size_t next = 0; next < lines.size();) {
        const std::size_t index = next++;
        std::vector<Token> tokens = TokensOf(lines, index);
        if (tokens.empty()) continue;
        const Token name = tokens.front();
        const Args args(name.text, std::vector<Token>(tokens.begin() + 1, tokens.end()));
        try {
            if (name.Is("profile")) {
                steps.push_back({LineNumber(index), ParseProfileBlock(args, lines, next)});
            } else if (name.Is("config")) {
                steps.push_back({LineNumber(index), ParseConfigBlock(args, lines, next), true});
            } else {
                const CommandParser parse =
                    name.quoted ? nullptr : FindParser(kCommands, name.text);
                if (parse == nullptr) throw Malformed{"unknown command " + TraceWord(name.text)};
                steps.push_back({LineNumber(index), parse(args), ChecksEffects(name, args)});
            }
        } catch (const Malformed& malformed) {
            throw LineError{LineNumber(index), malformed.reason};
        }
    }
    return steps;
}

}  // namespace k7::sim::trace
