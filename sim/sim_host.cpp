#include "sim/sim_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "host/host_string.h"
#include "plugin/plugin.h"

namespace k7::sim {
namespace {

// The host callbacks are plain functions; they reach the one host installed last.
SimHost* current = nullptr;

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\t') {
            out += "\\t";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string Effect::Describe() const {
    switch (kind) {
        case Kind::Button:
            return "button " + std::to_string(code);
        case Kind::Dro: {
            char number[64];
            std::snprintf(number, sizeof number, "%.17g", value);
            return "dro " + std::to_string(code) + " " + number;
        }
        case Kind::Code:
            return "code " + Quote(text);
        case Kind::Message:
            return "message " + Quote(text);
        case Kind::MsgBox:
            return "msgbox " + Quote(text);
    }
    return "?";
}

SimHost::ZeroedBlock::ZeroedBlock(std::size_t bytes)
    : bytes_(static_cast<unsigned char*>(std::calloc(bytes, 1))) {
    if (bytes_ == nullptr) throw std::bad_alloc();
}

SimHost::ZeroedBlock::~ZeroedBlock() {
    std::free(bytes_);
}

SimHost::SimHost()
    : leds_(65536, false),
      droBlock_(65536 * sizeof(double)),
      dros_(reinterpret_cast<double*>(droBlock_.get())),
      droWritten_(65536, false),
      engine_(kEngineBlockSize),
      setup_(kSetupBlockSize),
      planner_(kPlannerBlockSize),
      view_(kViewBlockSize) {
    effects_.reserve(256);
    writtenDros_.reserve(256);
    current = this;
}

void SimHost::Reset() {
    leds_.assign(leds_.size(), false);
    if (manyDrosWritten_) {
        std::memset(dros_, 0, 65536 * sizeof(double));
        droWritten_.assign(droWritten_.size(), false);
        manyDrosWritten_ = false;
    }
    for (const std::uint16_t code : writtenDros_) {
        dros_[code] = 0.0;
        droWritten_[code] = false;
    }
    writtenDros_.clear();
    HostStringReleaseAt(planner(), offsets::kHostMessage);
    // Every field of the blocks that a setter or the plug-in writes.
    const auto zero = [](void* block, std::size_t offset, std::size_t bytes) {
        std::memset(static_cast<unsigned char*>(block) + offset, 0, bytes);
    };
    zero(engine(), offsets::kEngineQueueIndexes, 8);
    zero(engine(), offsets::kEngineAxisJog, offsets::kEngineAxisJogStride * offsets::kEngineAxes);
    zero(engine(), offsets::kEngineInhibit, 1);
    zero(setup(), offsets::kDistanceMode, 4);
    zero(setup(), offsets::kRotationDegrees, 8);
    zero(planner(), offsets::kPlannerQueueIndexes, 8);
    zero(planner(), offsets::kAxisVelocity, 4 * offsets::kEngineAxes);
    zero(planner(), offsets::kAxisSecondParam, 4 * offsets::kEngineAxes);
    zero(planner(), offsets::kJogIncrement, 8);
    zero(planner(), offsets::kPlannerBusy, 4);
    effects_.clear();
    recording_ = true;
    onCode = nullptr;
    user = nullptr;
    onEffect = nullptr;
    effectContext = nullptr;
    onCall = nullptr;
    callContext = nullptr;
    current = this;
}

SimHost::~SimHost() {
    HostStringReleaseAt(planner(), offsets::kHostMessage);
    if (current == this) current = nullptr;
}

HostCallbacks SimHost::Callbacks() {
    current = this;
    HostCallbacks c;
    c.doButton = &DoButton;
    c.setDro = &SetDRO;
    c.getDro = &GetDRO;
    c.getLed = &GetLED;
    c.setLed = &SetLED;
    c.code = &Code;
    c.messageHook = &MessageHook;
    return c;
}

HostBlocks SimHost::Blocks() {
    return HostBlocks{engine(), setup(), planner(), view()};
}

void SimHost::Install(Plugin& plugin) {
    const HostCallbacks c = Callbacks();
    plugin.SetDoButton(c.doButton);
    plugin.SetSetDRO(c.setDro);
    plugin.SetGetDRO(c.getDro);
    plugin.SetGetLED(c.getLed);
    plugin.SetSetLED(c.setLed);
    plugin.SetCode(c.code);
    plugin.state().callbacks.messageHook = c.messageHook;
}

void SimHost::SetPlannerBusy(std::int32_t v) {
    WriteField(planner(), offsets::kPlannerBusy, v);
}
void SimHost::SetDistanceMode(std::int32_t v) {
    WriteField(setup(), offsets::kDistanceMode, v);
}
void SimHost::SetRotationDegrees(double v) {
    WriteField(setup(), offsets::kRotationDegrees, v);
}
void SimHost::SetJogIncrement(double v) {
    WriteField(planner(), offsets::kJogIncrement, v);
}
void SimHost::SetEngineInhibit(std::uint8_t v) {
    WriteField(engine(), offsets::kEngineInhibit, v);
}

void SimHost::SetEngineQueue(std::int32_t a, std::int32_t b) {
    WriteField(engine(), offsets::kEngineQueueIndexes, a);
    WriteField(engine(), offsets::kEngineQueueIndexes + 4, b);
}

void SimHost::SetPlannerQueue(std::int32_t a, std::int32_t b) {
    WriteField(planner(), offsets::kPlannerQueueIndexes, a);
    WriteField(planner(), offsets::kPlannerQueueIndexes + 4, b);
}

void SimHost::SetAxisVelocity(int axis, std::int32_t v) {
    WriteField(planner(), offsets::kAxisVelocity + 4 * std::size_t(axis), v);
}

void SimHost::SetAxisSecondParam(int axis, std::int32_t v) {
    WriteField(planner(), offsets::kAxisSecondParam + 4 * std::size_t(axis), v);
}

JogRecord SimHost::Jog(int axis) const {
    HostCallbacks none;
    HostBlocks blocks{engine_.get(), nullptr, nullptr, nullptr};
    return Host(none, blocks).ReadJogRecord(axis);
}

std::string SimHost::Message() const {
    return HostStringTextAt(planner_.get(), offsets::kHostMessage);
}

void SimHost::RecordMsgBox(const std::string& text) {
    Record(Effect{Effect::Kind::MsgBox, 0, 0.0, text});
}

void SimHost::Record(Effect effect) {
    if (!recording_) {
        if (onEffect != nullptr) onEffect(effect, effectContext);
        return;
    }
    effects_.push_back(std::move(effect));
    if (onEffect != nullptr) onEffect(effects_.back(), effectContext);
}

// A call is recorded as it comes in; the host's own doings inside it (onCall)
// come after, so they show after it in the record, as they happen in a host.
void SimHost::DoButton(short code) {
    if (current == nullptr) return;
    if (current->Observed()) current->Record(Effect{Effect::Kind::Button, code, 0.0, {}});
    current->Called();
}

void SimHost::SetDRO(short code, double value) {
    if (current == nullptr) return;
    current->WriteDro(code, value);
    if (current->Observed()) current->Record(Effect{Effect::Kind::Dro, code, value, {}});
    current->Called();
}

double SimHost::GetDRO(short code) {
    if (current == nullptr) return 0.0;
    current->Called();
    return current->dros_[Index(code)];
}

bool SimHost::GetLED(short code) {
    if (current == nullptr) return false;
    current->Called();
    return current->leds_[Index(code)];
}

void SimHost::SetLED(short code, bool lit) {
    if (current != nullptr) current->leds_[Index(code)] = lit;
}

void SimHost::Code(const char* line) {
    if (current == nullptr) return;
    if (current->Observed())
        current->Record(Effect{Effect::Kind::Code, 0, 0.0, line != nullptr ? line : ""});
    if (current->onCode != nullptr) current->onCode(*current, line != nullptr ? line : "");
    current->Called();
}

void SimHost::MessageHook(const char* text) {
    if (current != nullptr && current->Observed())
        current->Record(Effect{Effect::Kind::Message, 0, 0.0, text != nullptr ? text : ""});
}

}  // namespace k7::sim
