#include "record/session_tap.h"

#include <algorithm>
#include <cstring>

#include "protocol/pendant_protocol.h"

namespace k7 {
namespace {

// Texts of up to 1,152 bytes: the longest G-code line the plug-in makes (about
// 660 characters, of two numbers near the double's range) and any device path.
constexpr std::size_t kMaxTextRecords = 48;

std::uint32_t Key(RecordKind kind, int index, int code) {
    return (static_cast<std::uint32_t>(kind) << 24) | (static_cast<std::uint32_t>(index) << 16) |
           static_cast<std::uint16_t>(code);
}

bool Same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

void SessionTap::Attach(RecordRing* ring) {
    ring_ = ring;
    lost_ = false;
    ticks_ = 0;
    callDepth_ = 0;
    outputSeen_ = false;
    for (Slot& slot : slots_) slot = Slot{};
    for (Slot& slot : dros_) slot = Slot{};
    for (Slot& slot : leds_) slot = Slot{};
    for (auto& field : fields_)
        for (Slot& slot : field) slot = Slot{};
}

Record SessionTap::Make(RecordKind kind, std::int32_t code, std::uint8_t flags) const {
    Record r;
    r.kind = kind;
    r.code = code;
    r.flags = flags;
    r.depth = static_cast<std::uint8_t>(std::min(callDepth_, 255));
    return r;
}

// The head record and its text in the Text records after it, all in the
// ring or none, written in place; a ring found full ends the recording.
void SessionTap::Append(const Record& head, std::string_view text) {
    if (ring_ == nullptr || lost_) return;
    const std::size_t chunks =
        std::min((text.size() + Record::kDataSize - 1) / Record::kDataSize, kMaxTextRecords);
    if (!ring_->Reserve(1 + chunks)) {
        lost_ = true;
        ring_->MarkLost(ticks_ + 1);
        return;
    }
    Record& first = ring_->Slot(0);
    first = head;
    if (chunks > 0) first.flags |= record_flags::kMore;
    for (std::size_t i = 0; i < chunks; ++i) {
        const std::size_t at = i * Record::kDataSize;
        Record& chunk = ring_->Slot(1 + i);
        chunk.kind = RecordKind::Text;
        chunk.flags = i + 1 < chunks ? record_flags::kMore : 0;
        chunk.depth = head.depth;
        chunk.code = 0;
        chunk.size = static_cast<std::uint8_t>(std::min(Record::kDataSize, text.size() - at));
        std::memcpy(chunk.data, text.data() + at, chunk.size);
    }
    ring_->Commit(1 + chunks);
}

void SessionTap::Begin(RecordKind kind, std::int32_t code, std::uint8_t flags,
                       std::string_view text) {
    if (ring_ == nullptr) return;
    ++event_;
    if (kind == RecordKind::Tick) {
        ++ticks_;
        reportInTick_ = false;
    }
    Append(Make(kind, code, flags), text);
}

void SessionTap::End(RecordKind kind, std::uint8_t flags) {
    if (ring_ == nullptr) return;
    if (kind == RecordKind::TickEnd) {
        if (waitTimedOut_) flags |= record_flags::kWaitTimedOut;
        lastTickTimedOut_ = waitTimedOut_;
        waitTimedOut_ = false;
    }
    Append(Make(kind, 0, flags));
}

void SessionTap::Value(RecordKind kind, int index, double value) {
    if (ring_ == nullptr) return;
    Record r = Make(kind, index);
    r.setValue(0, value);
    Append(r);
}

void SessionTap::Opened(std::string_view path) {
    if (ring_ != nullptr) Append(Make(RecordKind::Opened), path);
}

void SessionTap::Report(std::span<const std::uint8_t> bytes, bool inWait) {
    if (ring_ == nullptr) return;
    std::uint8_t flags = inWait ? record_flags::kInWait : 0;
    // Came in the moment between the last tick's wait and this tick's look.
    if (!inWait && !reportInTick_ && lastTickTimedOut_) flags |= record_flags::kLate;
    reportInTick_ = true;
    Record r = Make(RecordKind::Report, 0, flags);
    r.size = static_cast<std::uint8_t>(std::min(bytes.size(), Record::kDataSize));
    std::memcpy(r.data, bytes.data(), r.size);
    Append(r);
}

void SessionTap::ReadFailed() {
    if (ring_ != nullptr) Append(Make(RecordKind::ReadFailed));
}

void SessionTap::Output(std::span<const std::uint8_t> bytes) {
    if (ring_ == nullptr) return;
    const std::size_t n = std::min(bytes.size(), sizeof output_);
    // The sequence byte moves with every host cycle: a report whose
    // indicators did not change is not worth a line of its own.
    if (outputSeen_ && n > kSequenceByte && bytes[kSequenceByte] != output_[kSequenceByte]) {
        std::uint8_t same[sizeof output_];
        std::memcpy(same, bytes.data(), n);
        same[kSequenceByte] = output_[kSequenceByte];
        if (std::memcmp(output_, same, n) == 0) return;
    }
    if (outputSeen_ && std::memcmp(output_, bytes.data(), n) == 0) return;
    std::memcpy(output_, bytes.data(), n);
    outputSeen_ = true;
    Record r = Make(RecordKind::Output);
    r.size = static_cast<std::uint8_t>(n);
    std::memcpy(r.data, bytes.data(), n);
    Append(r);
}

// Open addressing over a table that only the plug-in's own few codes fill; a
// full table (never met) leaves the answer unrecorded-as-known, so it is
// appended every time.
SessionTap::Slot* SessionTap::Find(std::uint32_t key) {
    for (std::size_t i = 0, at = (key * 2654435761u) % kSlots; i < kSlots;
         ++i, at = (at + 1) % kSlots) {
        if (slots_[at].key == key) return &slots_[at];
        if (slots_[at].key == 0) {
            slots_[at].key = key;  // the replayed host starts with every value 0
            return &slots_[at];
        }
    }
    return nullptr;
}

SessionTap::Slot* SessionTap::Direct(RecordKind kind, int index, int code) {
    if (kind == RecordKind::Field)
        return code >= 0 && code < kFields && index >= 0 && index < kAxes ? &fields_[code][index]
                                                                          : nullptr;
    if (code < 0 || code >= kDirectCodes) return nullptr;
    return kind == RecordKind::Dro ? &dros_[code] : &leds_[code];
}

void SessionTap::Answer(RecordKind kind, std::uint32_t key, int code, double value, double second,
                        std::uint8_t axis) {
    Slot* slot = Direct(kind, axis, code);
    if (slot == nullptr) slot = Find(key);
    if (slot != nullptr && Same(slot->value, value) && Same(slot->second, second)) {
        slot->readIn = event_;
        return;
    }
    std::uint8_t flags = 0;
    if (slot != nullptr && slot->readIn == event_) flags |= record_flags::kReadTwice;
    if (slot != nullptr && slot->writtenIn == event_) flags |= record_flags::kNotHeld;
    Record r = Make(kind, code, flags);
    r.setValue(0, value);
    r.setValue(1, second);
    r.size = axis;
    Append(r);
    if (slot == nullptr) return;
    slot->value = value;
    slot->second = second;
    slot->readIn = event_;
}

void SessionTap::ReadDro(int code, double value) {
    if (ring_ != nullptr) Answer(RecordKind::Dro, Key(RecordKind::Dro, 0, code), code, value, 0, 0);
}

void SessionTap::ReadLed(int code, bool lit) {
    if (ring_ != nullptr)
        Answer(RecordKind::Led, Key(RecordKind::Led, 0, code), code, lit ? 1 : 0, 0, 0);
}

void SessionTap::ReadField(HostField field, int index, double value, double second) {
    if (ring_ == nullptr) return;
    const int f = static_cast<int>(field);
    Answer(RecordKind::Field, Key(RecordKind::Field, index & 0xFF, f), f, value, second,
           static_cast<std::uint8_t>(index));
}

void SessionTap::Calling(HostCall call, int code, double value, const char* text) {
    if (ring_ == nullptr) return;
    switch (call) {
        case HostCall::Button:
            Append(Make(RecordKind::Button, code));
            break;
        case HostCall::SetDro: {
            Record r = Make(RecordKind::SetDro, code);
            r.setValue(0, value);
            // The replayed host holds what the plug-in wrote.
            Slot* slot = Direct(RecordKind::Dro, 0, code);
            if (slot == nullptr) slot = Find(Key(RecordKind::Dro, 0, code));
            if (slot != nullptr) {
                slot->value = value;
                slot->writtenIn = event_;
            }
            Append(r);
            break;
        }
        case HostCall::Code:
            Append(Make(RecordKind::Code), text != nullptr ? text : "");
            break;
        case HostCall::Message:
            Append(Make(RecordKind::Message), text != nullptr ? text : "");
            break;
    }
    ++callDepth_;  // what the host does before it returns is inside this call
}

void SessionTap::Returned() {
    if (ring_ != nullptr && callDepth_ > 0) --callDepth_;
}

}  // namespace k7
