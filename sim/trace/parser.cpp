#include "sim/trace/parser.h"

#include <istream>
#include <sstream>

namespace k7::sim::trace {
namespace {

const std::vector<CommandEntry> kCommands = {
    {"led", &ParseLed},         {"dro", &ParseDro},           {"host", &ParseHost},
    {"device", &ParseDevice},   {"nodevice", &ParseNoDevice}, {"start", &ParseStart},
    {"stop", &ParseStop},       {"remove", &ParseRemove},     {"arrive", &ParseArrive},
    {"unplug", &ParseUnplug},   {"plug", &ParsePlug},         {"report", &ParseReport},
    {"pendant", &ParsePendant}, {"turn", &ParseTurn},         {"late", &ParseLate},
    {"tick", &ParseTick},       {"update", &ParseUpdate},     {"expect", &ParseExpect},
    {"skip", &ParseSkip},       {"together", &ParseTogether}, {"inside", &ParseInside},
};

bool ChecksEffects(const Token& name, const Args& args) {
    if (name.Is("config")) return true;
    if (!name.Is("expect") || args.size() == 0) return false;
    for (const char* check : {"button", "dro", "code", "message", "msgbox", "none"})
        if (args.at(0).Is(check)) return true;
    return false;
}

// `profile <<TAG` and `profile-now <<TAG`: the lines up to one that is
// exactly TAG, taken verbatim.
Action ParseProfileBlock(const Args& args, TraceReader& reader, bool now) {
    args.Expect(1);
    const Token& marker = args.at(0);
    if (marker.quoted || marker.text.size() < 3 || marker.text.compare(0, 2, "<<") != 0)
        args.Fail("takes <<TAG");
    const std::string tag = marker.text.substr(2);
    std::vector<std::string> body;
    for (std::string line; reader.NextLine(line);) {
        if (line == tag) return ParseProfile(args, std::move(body), now);
        body.push_back(line);
    }
    args.Fail("no line " + tag + " ends the block");
}

Action ParseCommand(const Token& name, const Args& args, TraceReader& reader) {
    if (name.Is("profile")) return ParseProfileBlock(args, reader, false);
    if (name.Is("profile-now")) return ParseProfileBlock(args, reader, true);
    if (name.Is("config")) return ParseConfigBlock(args, reader);
    const CommandParser parse = name.quoted ? nullptr : FindParser(kCommands, name.text);
    if (parse == nullptr) throw Malformed{"unknown command " + TraceWord(name.text)};
    return parse(args);
}

}  // namespace

std::vector<Token> TokensOf(const std::string& text, int line) {
    TokenizeResult result = Tokenize(text);
    if (!result.error.empty()) throw LineError{line, result.error};
    return std::move(result.tokens);
}

bool TraceReader::NextLine(std::string& line) {
    if (!std::getline(in_, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++line_;
    return true;
}

bool TraceReader::failed() const {
    return in_.bad();
}

std::optional<Step> TraceReader::Next() {
    while (NextLine(text_)) {
        const int line = line_;
        std::vector<Token> tokens = TokensOf(text_, line);
        if (tokens.empty()) continue;
        const Token name = tokens.front();
        tokens.erase(tokens.begin());
        const Args args(name.text, std::move(tokens));
        try {
            Action action = ParseCommand(name, args, *this);
            return Step{line, std::move(action), ChecksEffects(name, args)};
        } catch (const Malformed& malformed) {
            throw LineError{line, malformed.reason};
        }
    }
    return std::nullopt;
}

std::vector<Step> ParseTrace(const std::vector<std::string>& lines) {
    std::stringstream text;
    for (const std::string& line : lines) text << line << '\n';
    TraceReader reader(text);
    std::vector<Step> steps;
    while (std::optional<Step> step = reader.Next()) steps.push_back(std::move(*step));
    return steps;
}

}  // namespace k7::sim::trace
