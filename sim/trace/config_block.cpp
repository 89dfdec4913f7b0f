// The `config ... end` block: the host's Config call with a scripted dialog
// that plays the block's commands as the user, on the dialog model over
// in-memory controls. The block is read and checked in full before anything
// runs; a failure inside it names its own line. Between the dialog's own
// commands, the host's values may change and the pendant report and come and
// go, as outside the block.
#include <exception>
#include <memory>

#include "settings/setting_table.h"
#include "sim/memory_dialog.h"
#include "sim/trace/parser.h"
#include "ui/dialog_template.h"

namespace k7::sim::trace {
namespace {

using k7::SettingKey;

ControlKind KindOf(const SettingKey& key) {
    return SettingControlKind(key.key);
}

const SettingKey& Field(const Args& args, std::size_t i) {
    const SettingKey* key = args.at(i).quoted ? nullptr : FindSettingKey(args.at(i).text);
    if (key == nullptr) args.Fail("unknown dialog field " + TraceWord(args.at(i).text));
    return *key;
}

// VALUE for a control: an edit takes any text; a combo box a position (-1 for
// none) or, in a check, a quoted label; a check box 0 or 1. Only `set` is held
// to the combo box's list: a check of a position the list lacks simply fails.
void CheckValue(const Args& args, const SettingKey& key, std::size_t i, bool isCheck) {
    switch (KindOf(key)) {
        case ControlKind::Edit:
            return;
        case ControlKind::CheckBox:
            args.Integer(i, 0, 1);
            return;
        default:  // a combo box, the one other kind a setting is shown in
            if (isCheck) {
                if (!args.at(i).quoted) args.Integer(i, INT32_MIN, INT32_MAX);
                return;
            }
            args.Integer(i, -1, static_cast<std::int64_t>(key.list->size()) - 1);
            return;
    }
}

// The dialog the block's own commands act on; they exist only inside a block,
// which sets it for as long as the dialog runs.
MemoryDialog& OpenDialog(Session& s) {
    return *s.dialog;
}

// The setting key of the control, or OK for the OK button.
std::string ControlName(int control) {
    if (control == kOkId) return "OK";
    for (const SettingKey& key : kSettingKeys) {
        if (SettingControl(key.key) == control) return key.key;
    }
    return std::to_string(control);
}

// What a control shows, written as VALUE is: an edit's text, a combo box's
// position (its quoted label when the check names one), a check box 0 or 1.
std::string Shown(MemoryControls& controls, const SettingKey& key, int control, bool label) {
    switch (KindOf(key)) {
        case ControlKind::Edit:
            return TraceWord(controls.Text(control));
        case ControlKind::CheckBox:
            return controls.Checked(control) ? "1" : "0";
        default:  // a combo box, the one other kind a setting is shown in
            break;
    }
    if (!label) return std::to_string(controls.Selection(control));
    const std::string* selected = controls.SelectedLabel(control);
    return selected == nullptr ? "no selection" : Quoted(*selected);
}

Action ExpectShown(const Args& args) {
    args.Expect(2);
    const SettingKey& key = Field(args, 0);
    CheckValue(args, key, 1, true);
    const Token value = args.at(1);
    const bool label = KindOf(key) == ControlKind::ComboBox && value.quoted;
    std::string expected;
    if (KindOf(key) == ControlKind::Edit) {
        expected = TraceWord(value.text);
    } else if (label) {
        expected = Quoted(value.text);
    } else {
        expected = std::to_string(*ParseInteger(value));
    }
    return [key = &key, expected, label, name = std::string(key.key)](Session& s) {
        const int control = SettingControl(name);
        const std::string shown = Shown(OpenDialog(s).controls(), *key, control, label);
        if (shown != expected) throw CheckFailed{name + " " + expected, name + " " + shown};
    };
}

Action ExpectFocus(const Args& args) {
    args.Expect(2);
    const bool ok = args.at(1).Is("OK");
    if (!ok && KindOf(Field(args, 1)) != ControlKind::Edit)
        args.Fail(args.at(1).text + " is not an edit");
    const int control = ok ? kOkId : SettingControl(args.at(1).text);
    return [control](Session& s) {
        const int focus = OpenDialog(s).controls().focus();
        if (focus != control)
            throw CheckFailed{"focus " + ControlName(control), "focus " + ControlName(focus)};
    };
}

Action DialogExpect(const Args& args) {
    if (args.size() == 0) args.Fail("names no check");
    if (args.at(0).Is("focus")) return ExpectFocus(args);
    if (!args.at(0).quoted) {
        if (const CommandParser check = FindCheck(args.at(0).text)) return check(SubArgs(args));
    }
    return ExpectShown(args);
}

Action DialogSet(const Args& args) {
    args.Expect(2);
    const SettingKey& key = Field(args, 0);
    CheckValue(args, key, 1, false);
    const int control = SettingControl(key.key);
    const std::string text = args.at(1).text;
    switch (KindOf(key)) {
        case ControlKind::Edit:
            return [control, text](Session& s) { OpenDialog(s).controls().SetText(control, text); };
        case ControlKind::CheckBox: {
            const bool checked = args.Integer(1, 0, 1) == 1;
            return [control, checked](Session& s) {
                OpenDialog(s).controls().SetChecked(control, checked);
            };
        }
        default:  // a combo box, the one other kind a setting is shown in
            break;
    }
    const int position = static_cast<int>(*ParseInteger(args.at(1)));
    return [control, position](Session& s) { OpenDialog(s).controls().Select(control, position); };
}

Action DialogOk(const Args& args) {
    args.Expect(0);
    return [](Session& s) { OpenDialog(s).PressOk(); };
}

Action DialogEscape(const Args& args) {
    args.Expect(0);
    return [](Session& s) { OpenDialog(s).PressEscape(); };
}

// The dialog's own commands, and what the host and the pendant may do while
// the dialog is open, as they do outside it.
const std::vector<CommandEntry> kBlockCommands = {
    {"expect", &DialogExpect}, {"set", &DialogSet},      {"tick", &ParseTick},
    {"update", &ParseUpdate},  {"ok", &DialogOk},        {"escape", &DialogEscape},
    {"skip", &ParseSkip},      {"led", &ParseLed},       {"dro", &ParseDro},
    {"host", &ParseHost},      {"report", &ParseReport}, {"pendant", &ParsePendant},
    {"turn", &ParseTurn},      {"late", &ParseLate},     {"together", &ParseTogether},
    {"remove", &ParseRemove},  {"arrive", &ParseArrive}, {"unplug", &ParseUnplug},
    {"plug", &ParsePlug},      {"inside", &ParseInside},
};

struct BlockStep {
    int line;
    std::string name;
    Action action;
};

// Plays the block as the user while the dialog is open. A failure stops the
// block and is kept until Config has returned, so the plug-in finishes its call
// (the dialog closes as by Escape and the profile is written) before the trace
// stops.
class BlockScript {
  public:
    BlockScript(const std::vector<BlockStep>& steps, Session& s) : steps_(steps), s_(s) {}

    void operator()(MemoryDialog& dialog) {
        for (const BlockStep& step : steps_) {
            s_.line = step.line;
            try {
                if (!dialog.open()) throw Malformed{step.name + ": the dialog has already closed"};
                step.action(s_);
                s_.ThrowInsideFailure();
            } catch (...) {
                failure_ = std::current_exception();
                failedLine_ = s_.line;  // an `inside`'s failure names its own line
                return;
            }
        }
    }

    void RethrowFailure() const {
        if (!failure_) return;
        s_.line = failedLine_;
        std::rethrow_exception(failure_);
    }

  private:
    const std::vector<BlockStep>& steps_;
    Session& s_;
    std::exception_ptr failure_;
    int failedLine_ = 0;
};

void RunBlock(const Args& args, const std::vector<BlockStep>& steps, Session& s) {
    s.RequireStarted(args);
    BlockScript script(steps, s);
    MemoryDialog dialog([&script](MemoryDialog& d) { script(d); });
    dialog.onMessage = [&s](const char* text) { s.host.RecordMsgBox(text); };
    SettingsDialog* const previous = s.platform.dialog;
    s.platform.dialog = &dialog;
    s.dialog = &dialog;
    struct Restore {
        Session& s;
        SettingsDialog* previous;
        ~Restore() {
            s.platform.dialog = previous;
            s.dialog = nullptr;
        }
    } restore{s, previous};
    s.plugin.Config();
    script.RethrowFailure();
}

}  // namespace

Action ParseConfigBlock(const Args& args, TraceReader& reader) {
    args.Expect(0);
    const int configLine = reader.line();
    auto steps = std::make_shared<std::vector<BlockStep>>();
    bool closed = false;  // by `escape`; nothing may follow it
    for (std::string text; reader.NextLine(text);) {
        const int line = reader.line();
        const std::vector<Token> tokens = TokensOf(text, line);
        if (tokens.empty()) continue;
        if (tokens.front().Is("end") && tokens.size() == 1)
            return [args, steps](Session& s) { RunBlock(args, *steps, s); };
        try {
            const Args command(tokens.front().text,
                               std::vector<Token>(tokens.begin() + 1, tokens.end()));
            const CommandParser parse =
                tokens.front().quoted ? nullptr : FindParser(kBlockCommands, command.name());
            if (parse == nullptr)
                throw Malformed{TraceWord(command.name()) +
                                " is not allowed inside a config block"};
            if (closed) throw Malformed{command.name() + ": the dialog has already closed"};
            steps->push_back({line, command.name(), parse(command)});
            closed = command.name() == "escape";
        } catch (const Malformed& malformed) {
            throw LineError{line, malformed.reason};
        }
    }
    throw LineError{configLine, "config: no `end` closes the block"};
}

}  // namespace k7::sim::trace
