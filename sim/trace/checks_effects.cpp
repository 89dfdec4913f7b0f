// Checks of effects, output reports and host state: expect button / dro / code /
// message / msgbox / none / out / written / hostdro / jog / opened / name, and
// skip.
#include <cmath>
#include <cstdio>

#include "plugin/pendant_window.h"
#include "sim/trace/commands.h"

namespace k7::sim::trace {
namespace {

Action ExpectEffect(const NamedEffect& expected) {
    return [expected](Session& s) {
        const Effect* next = s.NextEffect();
        if (next == nullptr) throw CheckFailed{expected.described, "nothing"};
        if (!EffectMatches(*next, expected.effect))
            throw CheckFailed{expected.described, DescribeEffect(*next)};
        ++s.checkedEffects;
    };
}

NamedEffect NameText(const Args& args, Effect::Kind kind) {
    args.Expect(1);
    const Effect effect{kind, 0, 0.0, args.at(0).text};
    return {effect, effect.Describe()};
}

Action ExpectButton(const Args& a) {
    return ExpectEffect(NameEffect("button", a));
}
Action ExpectDro(const Args& a) {
    return ExpectEffect(NameEffect("dro", a));
}
Action ExpectCode(const Args& a) {
    return ExpectEffect(NameEffect("code", a));
}
Action ExpectMessage(const Args& a) {
    return ExpectEffect(NameEffect("message", a));
}
Action ExpectMsgBox(const Args& a) {
    return ExpectEffect(NameEffect("msgbox", a));
}

Action ExpectNone(const Args& args) {
    args.Expect(0);
    return [](Session& s) {
        if (const Effect* next = s.NextEffect()) throw CheckFailed{"none", DescribeEffect(*next)};
    };
}

std::string DescribeBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out = "out";
    for (std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", b);
        out += hex;
    }
    return out;
}

Action ExpectOut(const Args& args) {
    args.Expect(5);
    std::vector<std::uint8_t> expected;
    for (std::size_t i = 0; i < 5; ++i) expected.push_back(args.Byte(i));
    return [expected](Session& s) {
        if (s.hid.writtenCount() == 0) throw CheckFailed{DescribeBytes(expected), "nothing"};
        const std::vector<std::uint8_t> last = s.hid.lastWritten();
        if (last != expected) throw CheckFailed{DescribeBytes(expected), DescribeBytes(last)};
    };
}

Action ExpectWritten(const Args& args) {
    args.Expect(1);
    const auto expected = static_cast<std::size_t>(args.Integer(0, 0, 1000000000));
    return [expected](Session& s) {
        const std::size_t total = s.hid.writtenCount();
        const std::size_t count = total - s.writtenMark;
        s.writtenMark = total;
        if (count != expected)
            throw CheckFailed{"written " + std::to_string(expected),
                              "written " + std::to_string(count)};
    };
}

Action ExpectHostDro(const Args& args) {
    args.Expect(2);
    const int code = args.Code(0);
    const double value = args.Number(1);
    const std::string described = "hostdro " + std::to_string(code) + " ";
    return [code, value, described, written = args.at(1).text](Session& s) {
        const double actual = s.host.Dro(code);
        if (!NearlyEqual(actual, value))
            throw CheckFailed{described + written, described + TraceNumber(actual)};
    };
}

// The fields of an engine jog record, by the names `expect jog` uses.
struct JogField {
    std::string_view name;
    std::int64_t min, max;
    std::int64_t (*read)(const JogRecord&);
};

const JogField kJogFields[] = {
    {"velocity", INT32_MIN, INT32_MAX,
     [](const JogRecord& r) -> std::int64_t { return r.velocity; }},
    {"max", INT32_MIN, INT32_MAX, [](const JogRecord& r) -> std::int64_t { return r.maxVelocity; }},
    {"second", INT32_MIN, INT32_MAX,
     [](const JogRecord& r) -> std::int64_t { return r.secondParam; }},
    {"stop", 0, 255, [](const JogRecord& r) -> std::int64_t { return r.stop; }},
    {"start", 0, 255, [](const JogRecord& r) -> std::int64_t { return r.start; }},
    {"direction", INT32_MIN, INT32_MAX,
     [](const JogRecord& r) -> std::int64_t { return r.direction; }},
};

struct JogExpectation {
    const JogField* field;
    std::int64_t value;
};

JogExpectation ParseJogField(const Args& args, std::size_t i) {
    const std::string& word = args.at(i).text;
    const std::size_t equals = word.find('=');
    if (args.at(i).quoted || equals == std::string::npos)
        args.Fail("bad field " + TraceWord(word) + " (FIELD=VALUE)");
    const std::string_view name = std::string_view(word).substr(0, equals);
    for (const JogField& field : kJogFields) {
        if (field.name != name) continue;
        const Args value(args.name() + " " + std::string(name), {Token{word.substr(equals + 1)}});
        return JogExpectation{&field, value.Integer(0, field.min, field.max)};
    }
    args.Fail("unknown field " + TraceWord(name) +
              " (velocity, max, second, stop, start, direction)");
}

Action ExpectJog(const Args& args) {
    if (args.size() < 2) args.Fail("takes an axis and at least one FIELD=VALUE");
    const int axis = args.Axis(0);
    std::vector<JogExpectation> expected;
    for (std::size_t i = 1; i < args.size(); ++i) expected.push_back(ParseJogField(args, i));
    return [axis, expected](Session& s) {
        const JogRecord record = s.host.Jog(axis);
        std::string want = "jog " + std::to_string(axis), got = want;
        bool holds = true;
        for (const JogExpectation& e : expected) {
            const std::int64_t actual = e.field->read(record);
            holds = holds && actual == e.value;
            want += " " + std::string(e.field->name) + "=" + std::to_string(e.value);
            got += " " + std::string(e.field->name) + "=" + std::to_string(actual);
        }
        if (!holds) throw CheckFailed{want, got};
    };
}

std::string DescribeOpened(const std::string& read, const std::string& write) {
    if (read == write) return "opened " + (read.empty() ? std::string("none") : TraceWord(read));
    return "opened read=" + (read.empty() ? std::string("none") : TraceWord(read)) +
           " write=" + (write.empty() ? std::string("none") : TraceWord(write));
}

Action ExpectOpened(const Args& args) {
    args.Expect(1);
    const std::string path = args.at(0).Is("none") ? std::string() : args.at(0).text;
    if (!args.at(0).Is("none") && path.empty()) args.Fail("empty path");
    return [path](Session& s) {
        std::string read, write;
        if (PendantWindow* window = s.plugin.window()) {
            read = s.hid.PathOf(window->link().readHandle());
            write = s.hid.PathOf(window->link().writeHandle());
        }
        if (read != path || write != path)
            throw CheckFailed{DescribeOpened(path, path), DescribeOpened(read, write)};
    };
}

Action ExpectName(const Args& args) {
    args.Expect(1);
    const std::string name = args.at(0).text;
    return [name](Session& s) {
        const std::string want = "name " + TraceWord(name);
        if (!s.pluginName) throw CheckFailed{want, "nothing"};
        if (*s.pluginName != name) throw CheckFailed{want, "name " + TraceWord(*s.pluginName)};
    };
}

const std::vector<CommandEntry> kChecks = {
    {"button", &ExpectButton},
    {"dro", &ExpectDro},
    {"code", &ExpectCode},
    {"message", &ExpectMessage},
    {"msgbox", &ExpectMsgBox},
    {"none", &ExpectNone},
    {"out", &ExpectOut},
    {"written", &ExpectWritten},
    {"hostdro", &ExpectHostDro},
    {"jog", &ExpectJog},
    {"opened", &ExpectOpened},
    {"name", &ExpectName},
    {"profile", &ParseProfileCheck},
    {"profile-keys", &ParseProfileKeysCheck},
    {"profile-element", &ParseProfileElementCheck},
    {"profile-bytes-unchanged", &ParseProfileBytesCheck},
    {"setting", &ParseSettingCheck},
};

}  // namespace

bool NearlyEqual(double a, double b) {
    return a == b || std::fabs(a - b) <= 1e-9 * std::fmax(std::fabs(a), std::fabs(b));
}

bool EffectMatches(const Effect& actual, const Effect& expected) {
    if (actual.kind != expected.kind) return false;
    switch (expected.kind) {
        case Effect::Kind::Button:
            return static_cast<std::uint16_t>(actual.code) ==
                   static_cast<std::uint16_t>(expected.code);
        case Effect::Kind::Dro:
            return static_cast<std::uint16_t>(actual.code) ==
                       static_cast<std::uint16_t>(expected.code) &&
                   NearlyEqual(actual.value, expected.value);
        default:
            return actual.text == expected.text;
    }
}

NamedEffect NameEffect(std::string_view kind, const Args& args) {
    if (kind == "button") {
        args.Expect(1);
        const int code = args.Code(0);
        return {Effect{Effect::Kind::Button, code, 0.0, {}}, "button " + std::to_string(code)};
    }
    if (kind == "dro") {
        args.Expect(2);
        const int code = args.Code(0);
        return {Effect{Effect::Kind::Dro, code, args.Number(1), {}},
                "dro " + std::to_string(code) + " " + args.at(1).text};
    }
    if (kind == "code") return NameText(args, Effect::Kind::Code);
    if (kind == "message") return NameText(args, Effect::Kind::Message);
    if (kind == "msgbox") return NameText(args, Effect::Kind::MsgBox);
    args.Fail("names no host call " + TraceWord(kind) + " (button, dro, code, message, msgbox)");
}

CommandParser FindCheck(std::string_view name) {
    return FindParser(kChecks, name);
}

Action ParseSkip(const Args& args) {
    args.Expect(0);
    return [](Session& s) { s.checkedEffects = s.host.effects().size(); };
}

Action ParseExpect(const Args& args) {
    if (args.size() == 0) args.Fail("names no check");
    const CommandParser parse = args.at(0).quoted ? nullptr : FindCheck(args.at(0).text);
    if (parse == nullptr) args.Fail("unknown check " + TraceWord(args.at(0).text));
    return parse(SubArgs(args));
}

}  // namespace k7::sim::trace
