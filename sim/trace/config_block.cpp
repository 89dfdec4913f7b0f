// The `config ... end` block. It is read and checked in full; running it needs
// the configuration dialog, which this build does not have yet, so it stops the
// trace as malformed rather than let its checks pass unexamined.
#include "sim/trace/parser.h"
#include "sim/trace/setting_keys.h"

namespace k7::sim::trace {
namespace {

const SettingKey& Field(const Args& args, std::size_t i) {
    const SettingKey* key = args.at(i).quoted ? nullptr : FindSettingKey(args.at(i).text);
    if (key == nullptr) args.Fail("unknown dialog field " + TraceWord(args.at(i).text));
    return *key;
}

// VALUE for a control: an edit takes any text; a combo box a position (-1 for
// none) or, where labels are allowed, a quoted label; a check box 0 or 1.
void CheckValue(const Args& args, const SettingKey& key, std::size_t i, bool labelAllowed) {
    switch (key.control) {
        case SettingKey::Control::Edit:
            return;
        case SettingKey::Control::Check:
            args.Integer(i, 0, 1);
            return;
        case SettingKey::Control::Combo:
            if (labelAllowed && args.at(i).quoted) return;
            args.Integer(i, -1, static_cast<std::int64_t>(key.list->size()) - 1);
            return;
    }
}

void NoAction(Session&) {}

Action DialogExpect(const Args& args) {
    if (args.size() == 0) args.Fail("names no check");
    if (args.at(0).Is("focus")) {
        args.Expect(2);
        if (!args.at(1).Is("OK") && Field(args, 1).control != SettingKey::Control::Edit)
            args.Fail(args.at(1).text + " is not an edit");
        return &NoAction;
    }
    if (!args.at(0).quoted) {
        if (const CommandParser check = FindCheck(args.at(0).text)) return check(SubArgs(args));
    }
    args.Expect(2);
    CheckValue(args, Field(args, 0), 1, true);
    return &NoAction;
}

Action DialogSet(const Args& args) {
    args.Expect(2);
    CheckValue(args, Field(args, 0), 1, false);
    return &NoAction;
}

Action DialogButton(const Args& args) {
    args.Expect(0);
    return &NoAction;
}

const std::vector<CommandEntry> kBlockCommands = {
    {"expect", &DialogExpect}, {"set", &DialogSet},   {"tick", &ParseTick},
    {"update", &ParseUpdate},  {"ok", &DialogButton}, {"escape", &DialogButton},
    {"skip", &ParseSkip},
};

}  // namespace

Action ParseConfigBlock(const Args& args, const std::vector<std::string>& lines,
                        std::size_t& next) {
    args.Expect(0);
    const int configLine = static_cast<int>(next);
    bool closed = false;  // by `escape`; nothing may follow it
    for (; next < lines.size(); ++next) {
        const std::vector<Token> tokens = TokensOf(lines, next);
        if (tokens.empty()) continue;
        const int line = static_cast<int>(next) + 1;
        if (tokens.front().Is("end") && tokens.size() == 1) {
            ++next;
            return [](Session&) {
                throw Malformed{"config: the configuration dialog is not available in this build"};
            };
        }
        try {
            const Args command(tokens.front().text,
                               std::vector<Token>(tokens.begin() + 1, tokens.end()));
            const CommandParser parse =
                tokens.front().quoted ? nullptr : FindParser(kBlockCommands, command.name());
            if (parse == nullptr)
                throw Malformed{TraceWord(command.name()) +
                                " is not allowed inside a config block"};
            if (closed) throw Malformed{command.name() + ": the dialog has already closed"};
            parse(command);
            closed = command.name() == "escape";
        } catch (const Malformed& malformed) {
            throw LineError{line, malformed.reason};
        }
    }
    throw LineError{configLine, "config: no `end` closes the block"};
}

}  // namespace k7::sim::trace
