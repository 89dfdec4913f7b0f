#include "record/trace_writer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <variant>

#include "host/host_observer.h"
#include "record/trace_text.h"
#include "settings/setting_table.h"

namespace k7 {
namespace {

constexpr std::uint32_t kArrival = 0x8000;
constexpr std::uint32_t kRemoval = 0x8004;
constexpr const char* kPendantIds = " 04d8 b3c5";

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string Number(double v) {
    return TraceNumber(v);
}

const char* FieldName(int field) {
    static constexpr const char* kNames[] = {"plannerBusy",  "distanceMode",  "rotationDegrees",
                                             "jogIncrement", "engineInhibit", "engineQueue",
                                             "plannerQueue", "axisVelocity",  "axisSecondParam"};
    return field >= 0 && field < 9 ? kNames[field] : nullptr;
}

std::string AnswerLine(const Record& r) {
    switch (r.kind) {
        case RecordKind::Dro:
            return "dro " + std::to_string(r.code) + " " + Number(r.value(0));
        case RecordKind::Led:
            return "led " + std::to_string(r.code) + (r.value(0) != 0 ? " 1" : " 0");
        default:
            break;
    }
    const char* name = FieldName(r.code);
    if (name == nullptr) return "";
    std::string line = std::string("host ") + name + " ";
    const auto field = static_cast<HostField>(r.code);
    if (field == HostField::AxisVelocity || field == HostField::AxisSecondParam)
        line += std::to_string(r.size) + " ";
    line += Number(r.value(0));
    if (field == HostField::EngineQueue || field == HostField::PlannerQueue)
        line += " " + Number(r.value(1));
    return line;
}

std::string CallText(const Record& r, const std::string& text) {
    switch (r.kind) {
        case RecordKind::Button:
            return "button " + std::to_string(r.code);
        case RecordKind::SetDro:
            return "dro " + std::to_string(r.code) + " " + Number(r.value(0));
        case RecordKind::Code:
            return "code " + Quoted(text);
        default:
            return "message " + Quoted(text);
    }
}

bool IsEvent(RecordKind k) {
    return k == RecordKind::Start || k == RecordKind::Tick || k == RecordKind::Update ||
           k == RecordKind::Notice || k == RecordKind::Stop;
}

bool IsEventEnd(RecordKind k) {
    return k == RecordKind::Started || k == RecordKind::TickEnd || k == RecordKind::Update ||
           k == RecordKind::NoticeEnd || k == RecordKind::Stopped;
}

}  // namespace

TraceWriter::TraceWriter(const std::vector<std::string>& header)
    : settings_(kSettingKeys.size(), 0),
      shown_(kSettingKeys.size(), 0),
      applied_(kSettingKeys.size(), 0) {
    for (const std::string& line : header) out_ += "# " + line + "\n";
}

void TraceWriter::Take(const Record& r) {
    if (r.kind == RecordKind::Text) {
        if (!collecting_) return;  // a text whose head was lost
        pendingText_.append(reinterpret_cast<const char*>(r.data),
                            std::min<std::size_t>(r.size, Record::kDataSize));
        if (r.flags & record_flags::kMore) return;
        collecting_ = false;
        Dispatch(pendingHead_, pendingText_);
        return;
    }
    if (r.flags & record_flags::kMore) {
        pendingHead_ = r;
        pendingText_.clear();
        collecting_ = true;
        return;
    }
    Dispatch(r, std::string());
}

void TraceWriter::Dispatch(const Record& r, const std::string& text) {
    if (stopped_) return;
    if (r.kind == RecordKind::Update && blocks_.empty()) return Time("update");
    if (IsEvent(r.kind)) return BeginEvent(r, text);
    if (IsEventEnd(r.kind)) return EndEvent();
    switch (r.kind) {
        case RecordKind::Dro:
        case RecordKind::Led:
        case RecordKind::Field:
            return Answer(r);
        case RecordKind::Button:
        case RecordKind::SetDro:
        case RecordKind::Code:
        case RecordKind::Message:
            return Call(r, text);
        case RecordKind::Opened:
            pendants_.insert(Lower(text));
            connected_ = true;
            connectedPath_ = text;
            if (!blocks_.empty()) blocks_.front().opened = text;
            return;
        case RecordKind::Report:
            if (!blocks_.empty()) {
                std::array<std::uint8_t, 9> report{};
                std::copy(r.data, r.data + 8, report.begin());
                report[8] = r.flags;
                blocks_.front().reports.push_back(report);
            }
            return;
        case RecordKind::ReadFailed:
            if (!blocks_.empty()) blocks_.front().after += "# a read of the pendant failed here\n";
            return;
        case RecordKind::Output: {
            const std::string line =
                "expect out " + TraceBytes(std::span(r.data, std::min<std::size_t>(r.size, 5)));
            if (blocks_.empty()) return Line(line);
            blocks_.front().after += line + "\n";
            return;
        }
        default:
            return ConfigRecord(r);
    }
}

void TraceWriter::BeginEvent(const Record& r, const std::string& text) {
    Block b;
    b.kind = r.kind;
    b.code = r.code;
    b.named = (r.flags & record_flags::kInterface) != 0;
    b.path = text;
    b.depth = r.depth;
    if (r.kind == RecordKind::Tick) ++ticks_;
    if (blocks_.empty()) {
        b.setup = std::move(carry_);
        carry_.clear();
        calls_.clear();
        callIds_.clear();
    }
    blocks_.push_back(std::move(b));
    if (r.kind == RecordKind::Update) EndEvent();  // an update has no end of its own
}

void TraceWriter::EndEvent() {
    if (blocks_.empty()) return;
    Block b = std::move(blocks_.back());
    blocks_.pop_back();
    if (!blocks_.empty()) return Nested(b);
    if (b.kind == RecordKind::Start) return Started(std::move(b));
    Render(b);
}

// An event the host delivered from inside a call it was running for the
// plug-in: an `inside` line before the outer event's command.
void TraceWriter::Nested(const Block& nested) {
    Block& outer = blocks_.front();
    outer.after += nested.after;
    outer.setup += nested.setup;
    // The call it came inside is the last one made one level up, which is
    // still running.
    const std::size_t depth = nested.depth;
    const bool known = depth > 0 && depth <= calls_.size();
    const std::string call = known ? calls_[depth - 1] : std::string();
    const std::uint64_t id = known ? callIds_[depth - 1] : 0;
    if (call.empty()) {
        outer.after += "# here the host did something of its own that a trace cannot place\n";
        return;
    }
    if (nested.kind == RecordKind::Tick && outer.insideCall == id && outer.insideTicks > 0) {
        ++outer.insideTicks;
        outer.inside = "inside " + call + " tick " + std::to_string(outer.insideTicks);
        return;
    }
    if (!outer.inside.empty()) {
        outer.after += "# here the host also did something inside its " + call +
                       ", which a trace cannot say twice for one event\n";
        return;
    }
    outer.insideCall = id;
    outer.insideTicks = nested.kind == RecordKind::Tick ? 1 : 0;
    outer.inside = "inside " + call + " " + Command(nested, nested.opened);
}

std::string TraceWriter::Command(const Block& b, const std::string& opened) {
    switch (b.kind) {
        case RecordKind::Start:
            return "start";
        case RecordKind::Tick:
            return "tick";
        case RecordKind::Update:
            return "update";
        case RecordKind::Stop:
            return "stop";
        case RecordKind::Notice:
            return NoticeCommand(b, opened);
        default:
            return "";
    }
}

// Only the pendant's own path is written: any other device becomes an
// anonymous interface that is no pendant.
std::string TraceWriter::NoticeCommand(const Block& b, const std::string& opened) {
    if (!b.named) return "";
    const auto code = static_cast<std::uint32_t>(b.code);
    const std::string word = IsPendant(b.path) ? TraceWord(b.path) : Alias(b.path);
    if (code == kArrival) {
        if (!opened.empty()) return "arrive " + TraceWord(opened) + kPendantIds;
        // Searched for and not opened: whatever arrived is no pendant the
        // plug-in could open; with the pendant open, nothing was searched.
        if (connected_ && IsPendant(b.path)) return "arrive " + word + kPendantIds;
        return "arrive " + word + " 0000 0000";
    }
    if (code != kRemoval) return "";
    if (PathsMatch(b.path, connectedPath_)) connected_ = false;
    return "remove " + word;
}

bool TraceWriter::PathsMatch(const std::string& a, const std::string& b) {
    return Lower(a) == Lower(b);
}

bool TraceWriter::IsPendant(const std::string& path) const {
    return pendants_.count(Lower(path)) != 0;
}

std::string TraceWriter::Alias(const std::string& path) {
    auto [it, added] = aliases_.emplace(Lower(path), "");
    if (added) it->second = "other-" + std::to_string(aliases_.size());
    return it->second;
}

void TraceWriter::Render(const Block& b) {
    std::string command = Command(b, b.opened);
    if (b.kind == RecordKind::Notice && command.empty())
        return Note("a device notice the trace cannot deliver (code " + std::to_string(b.code) +
                    ")" + (b.after.empty() ? "" : "; what followed it:\n" + b.after));
    const bool plain = b.setup.empty() && b.reports.empty() && b.inside.empty() && b.after.empty();
    if (plain && (b.kind == RecordKind::Tick || b.kind == RecordKind::Update))
        return Time(command.c_str());
    FlushTime();
    auto lines = [&](const std::string& text) {
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find('\n', at);
            AppendLine(std::string_view(text).substr(at, end - at));
            at = end + 1;
        }
    };
    lines(b.setup);
    if (b.reports.size() > 1) Line("together " + std::to_string(b.reports.size()));
    for (const auto& report : b.reports) {
        std::string line = "report " + TraceBytes(std::span(report.data(), 8));
        if (report[8] & record_flags::kInWait) line += "  # in the wait";
        if (report[8] & record_flags::kLate) line += "  # late";
        Line(line);
    }
    if (!b.inside.empty()) Line(b.inside);
    Line(command);
    lines(b.after);
}

void TraceWriter::Answer(const Record& r) {
    const std::string line = AnswerLine(r);
    if (line.empty()) return;
    if (!std::isfinite(r.value(0)) || !std::isfinite(r.value(1))) {
        const std::string note = "# here the host answered " + line +
                                 ", no number a trace can give it: the replay goes on without\n";
        if (blocks_.empty()) return Note(note.substr(2, note.size() - 3));
        blocks_.front().after += note;
        return;
    }
    if (blocks_.empty()) {
        carry_ += line + "\n";
        return;
    }
    Block& outer = blocks_.front();
    // Changed since the event's first answer: the host changed it inside the
    // last call the plug-in made to it, as far as anyone can tell.
    const bool twice = (r.flags & record_flags::kReadTwice) && !(r.flags & record_flags::kNotHeld);
    if (twice && outer.inside.empty() && !calls_.empty() && !calls_[0].empty()) {
        outer.inside = "inside " + calls_[0] + " " + line;
        return;
    }
    if (r.flags & (record_flags::kReadTwice | record_flags::kNotHeld)) {
        // The next event starts from what the host answered last.
        outer.after +=
            std::string("# here the host answered ") + line +
            ((r.flags & record_flags::kNotHeld) ? ", not what the plug-in had just written"
                                                : ", unlike its answer earlier in this event") +
            "; a trace cannot say that\n";
        carry_ += line + "\n";
        return;
    }
    outer.setup += line + "\n";
}

void TraceWriter::Call(const Record& r, const std::string& text) {
    std::string call = CallText(r, text);
    if (r.kind == RecordKind::SetDro && !std::isfinite(r.value(0))) {
        // No check can name the value: the call is checked off unnamed.
        const std::string lines = "# here the plug-in set DRO " + std::to_string(r.code) + " to " +
                                  call.substr(call.rfind(' ') + 1) + "\nskip\n";
        if (blocks_.empty())
            out_ += lines;
        else
            blocks_.front().after += lines;
        call.clear();
    }
    const std::size_t depth = r.depth;
    if (calls_.size() <= depth) {
        calls_.resize(depth + 1);
        callIds_.resize(depth + 1);
    }
    calls_[depth] = call;
    callIds_[depth] = ++nextCall_;
    if (call.empty()) return;
    if (blocks_.empty()) return Line("expect " + call);
    blocks_.front().after += "expect " + call + "\n";
}

void TraceWriter::Started(Block b) {
    started_ = true;
    WriteProfile("profile", settings_);
    out_ += b.opened.empty() ? "nodevice\n" : "device " + TraceWord(b.opened) + kPendantIds + "\n";
    // The replay loads what the plug-in loaded.
    std::string loaded;
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i)
        loaded += "expect setting " + std::string(kSettingKeys[i].key) + " " +
                  std::to_string(settings_[i]) + "\n";
    b.after = loaded + b.after;
    Render(b);
}

void TraceWriter::Line(const std::string& line) {
    if (line.empty()) return;
    FlushTime();
    AppendLine(line);
}

// Appended in place: the file's text is made without temporaries.
void TraceWriter::AppendLine(std::string_view line) {
    out_.append(static_cast<std::size_t>(indent_), ' ');
    out_.append(line);
    out_ += '\n';
}

void TraceWriter::Note(const std::string& text) {
    Line("# " + text);
}

void TraceWriter::Time(const char* word) {
    if (timeWord_ != word) FlushTime();
    timeWord_ = word;
    ++timeCount_;
}

void TraceWriter::FlushTime() {
    if (timeCount_ == 0) return;
    std::string line = timeWord_;
    if (timeCount_ > 1) {
        line += ' ';
        line += std::to_string(timeCount_);
    }
    timeCount_ = 0;
    AppendLine(line);
}

void TraceWriter::Finish(std::string_view why) {
    if (stopped_) return;
    // A stop asked for inside an event ends the session inside it: the event
    // is written as far as it went. Cut short, the event is left out.
    if (why.empty())
        while (!blocks_.empty()) EndEvent();
    stopped_ = true;
    blocks_.clear();
    FlushTime();
    if (configOpen_) out_ += "end\n";
    if (!why.empty()) {
        out_ += "# " + std::string(why) + "\n";
        return;
    }
    if (started_) out_ += "expect none\n";
}

}  // namespace k7
