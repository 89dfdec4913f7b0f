// The virtual pendant's reports (report, pendant, turn, late, together) and
// time (tick, update).
#include "sim/trace/commands.h"

#include <cstdint>

#include "protocol/pendant_protocol.h"

namespace k7::sim::trace {
namespace {

constexpr std::uint8_t kKeys3Mask = kKeyByteMask;
constexpr std::uint8_t kKeys4Mask = kModeKeyByteMask;

// Builds a report from the pendant's state, which it updates.
using ReportMaker = std::function<InputReport(PendantModel&)>;

ReportMaker ParseBytes(const Args& args) {
    args.Expect(8);
    InputReport report;
    for (std::size_t i = 0; i < 8; ++i) report.bytes[i] = args.Byte(i);
    return [report](PendantModel& pendant) {
        pendant.wheel = report.bytes[1];
        pendant.speed = report.bytes[2];
        pendant.keys3 = report.bytes[3] & kKeys3Mask;
        pendant.keys4 = report.bytes[4] & kKeys4Mask;
        return report;
    };
}

void ParseKeys(const Args& args, std::string_view list, std::uint8_t& keys3, std::uint8_t& keys4) {
    keys3 = keys4 = 0;
    if (list == "none") return;
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        const PendantKey* key = FindPendantKey(name);
        if (key == nullptr) args.Fail("unknown key " + TraceWord(name));
        (key->byte == kKeyByte ? keys3 : keys4) |= key->bit;
        if (comma == std::string_view::npos) return;
        list.remove_prefix(comma + 1);
    }
}

// One `name=value` field of `pendant`: sets it and returns its name.
std::string_view ParseField(const Args& args, std::size_t i, PendantModel& fields,
                            unsigned& given) {
    const std::string& word = args.at(i).text;
    const std::size_t equals = word.find('=');
    if (args.at(i).quoted || equals == std::string::npos) args.Fail("bad field " + TraceWord(word));
    const std::string_view name = std::string_view(word).substr(0, equals);
    const Token value{word.substr(equals + 1), false};
    const Args one(args.name() + " " + std::string(name), {value});
    unsigned bit = 0;
    if (name == "wheel") {
        fields.wheel = static_cast<std::uint8_t>(one.Integer(0, 0, 255));
        bit = 1;
    } else if (name == "speed") {
        fields.speed = static_cast<std::uint8_t>(one.Integer(0, 0, 255));
        bit = 2;
    } else if (name == "keys") {
        ParseKeys(one, value.text, fields.keys3, fields.keys4);
        bit = 4;
    } else {
        args.Fail("unknown field " + TraceWord(name) + " (wheel, speed, keys)");
    }
    if (given & bit) args.Fail(std::string(name) + " given twice");
    given |= bit;
    return name;
}

ReportMaker ParseState(const Args& args) {
    PendantModel fields;
    unsigned given = 0;
    for (std::size_t i = 0; i < args.size(); ++i) ParseField(args, i, fields, given);
    return [fields, given](PendantModel& pendant) {
        if (given & 1) pendant.wheel = fields.wheel;
        if (given & 2) pendant.speed = fields.speed;
        if (given & 4) {
            pendant.keys3 = fields.keys3;
            pendant.keys4 = fields.keys4;
        }
        return pendant.Report();
    };
}

ReportMaker ParseTurnBy(const Args& args) {
    args.Expect(1);
    // Any signed count: only its remainder modulo 256 moves the counter.
    const auto n = static_cast<std::uint64_t>(args.Integer(0, INT64_MIN, INT64_MAX));
    return [n](PendantModel& pendant) {
        pendant.wheel = static_cast<std::uint8_t>(pendant.wheel + n);
        return pendant.Report();
    };
}

Action QueueAction(const Args& args, ReportMaker make, bool late) {
    return [args, make, late](Session& s) {
        PendantModel next = s.pendant;
        InputReport report = make(next);
        report.late = late;
        s.Queue(args, report);
        s.pendant = next;
    };
}

}  // namespace

Action ParseReport(const Args& args) {
    return QueueAction(args, ParseBytes(args), false);
}

Action ParsePendant(const Args& args) {
    return QueueAction(args, ParseState(args), false);
}

Action ParseTurn(const Args& args) {
    return QueueAction(args, ParseTurnBy(args), false);
}

Action ParseLate(const Args& args) {
    if (args.size() == 0 || args.at(0).quoted) args.Fail("takes report, pendant or turn");
    const Args sub = SubArgs(args);
    const std::string& what = args.at(0).text;
    if (what == "report") return QueueAction(sub, ParseBytes(sub), true);
    if (what == "pendant") return QueueAction(sub, ParseState(sub), true);
    if (what == "turn") return QueueAction(sub, ParseTurnBy(sub), true);
    args.Fail("takes report, pendant or turn, not " + TraceWord(what));
}

Action ParseTogether(const Args& args) {
    args.Expect(1);
    const std::int64_t n = args.Integer(0, 2, INT32_MAX);
    return [args, n](Session& s) { s.BeginGroup(args, n); };
}

Action ParseTick(const Args& args) {
    args.Expect(0, 1);
    const int n = args.Count(0, 1);
    return [args, n](Session& s) {
        s.RequireStarted(args);
        for (int i = 0; i < n; ++i) {
            s.windows.Tick();
            s.KeepPaceWithRecorder();
        }
    };
}

Action ParseUpdate(const Args& args) {
    args.Expect(0, 1);
    const int n = args.Count(0, 1);
    // The library is loaded from the first line on: the host may call Update
    // before start, which then only advances the counters.
    return [n](Session& s) {
        for (int i = 0; i < n; ++i) {
            s.plugin.Update();
            s.KeepPaceWithRecorder();
        }
    };
}

}  // namespace k7::sim::trace
