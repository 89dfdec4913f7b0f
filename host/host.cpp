#include "host/host.h"

#include "host/host_string.h"

namespace k7 {

// The observer told of a call is the one told of its return: the callbacks
// may be held (and the observer with them) while the host runs the call.
HostObserver* Host::Call(HostCall call, int code, double value, const char* text) const {
    HostObserver* observer = callbacks_.observer;
    if (observer != nullptr) observer->Calling(call, code, value, text);
    return observer;
}

void Host::DoButton(int code) const {
    if (callbacks_.doButton == nullptr) return;
    HostObserver* observer = Call(HostCall::Button, code, 0, nullptr);
    callbacks_.doButton(static_cast<short>(code));
    if (observer != nullptr) observer->Returned();
}

void Host::SetDRO(int code, double value) const {
    if (callbacks_.setDro == nullptr) return;
    HostObserver* observer = Call(HostCall::SetDro, code, value, nullptr);
    callbacks_.setDro(static_cast<short>(code), value);
    if (observer != nullptr) observer->Returned();
}

double Host::GetDRO(int code) const {
    if (callbacks_.getDro == nullptr) return 0.0;
    const double value = callbacks_.getDro(static_cast<short>(code));
    if (callbacks_.observer != nullptr) callbacks_.observer->ReadDro(code, value);
    return value;
}

bool Host::GetLED(int code) const {
    if (callbacks_.getLed == nullptr) return false;
    const bool lit = callbacks_.getLed(static_cast<short>(code));
    if (callbacks_.observer != nullptr) callbacks_.observer->ReadLed(code, lit);
    return lit;
}

void Host::Code(const char* line) const {
    if (callbacks_.code == nullptr) return;
    HostObserver* observer = Call(HostCall::Code, 0, 0, line);
    callbacks_.code(line);
    if (observer != nullptr) observer->Returned();
}

void Host::SetHostMessage(const char* text) const {
    if (blocks_.planner == nullptr && callbacks_.messageHook == nullptr) return;
    HostObserver* observer = Call(HostCall::Message, 0, 0, text);
    if (blocks_.planner != nullptr)
        HostStringAssignAt(blocks_.planner, offsets::kHostMessage, text);
    if (callbacks_.messageHook != nullptr) callbacks_.messageHook(text);
    if (observer != nullptr) observer->Returned();
}

// A field read that the observer is told of; a missing block answers 0 and is
// no answer of the host's.
template <typename T>
T Host::Observed(HostField field, int index, const void* block, std::size_t offset) const {
    if (block == nullptr) return T{};
    const T value = ReadField<T>(block, offset);
    if (callbacks_.observer != nullptr)
        callbacks_.observer->ReadField(field, index, static_cast<double>(value), 0);
    return value;
}

namespace {
// The two indexes of a queue, told to the observer as one answer.
bool QueueIdle(const HostCallbacks& callbacks, HostField field, const void* block,
               std::size_t offset) {
    if (block == nullptr) return true;
    const auto head = ReadField<std::int32_t>(block, offset);
    const auto tail = ReadField<std::int32_t>(block, offset + 4);
    if (callbacks.observer != nullptr) callbacks.observer->ReadField(field, 0, head, tail);
    return head == tail;
}
}  // namespace

namespace {
bool ValidAxis(int axis) {
    return axis >= 0 && axis < offsets::kEngineAxes;
}

std::size_t JogField(int axis, std::size_t field) {
    return offsets::kEngineAxisJog +
           offsets::kEngineAxisJogStride * static_cast<std::size_t>(axis) + field;
}
}  // namespace

template <typename T>
void Host::WriteJog(int axis, std::size_t field, T value) const {
    if (blocks_.engine != nullptr && ValidAxis(axis))
        WriteField(blocks_.engine, JogField(axis, field), value);
}

bool Host::EngineQueueIdle() const {
    return QueueIdle(callbacks_, HostField::EngineQueue, blocks_.engine,
                     offsets::kEngineQueueIndexes);
}

std::uint8_t Host::EngineInhibit() const {
    return Observed<std::uint8_t>(HostField::EngineInhibit, 0, blocks_.engine,
                                  offsets::kEngineInhibit);
}

JogRecord Host::ReadJogRecord(int axis) const {
    JogRecord r;
    if (blocks_.engine == nullptr || !ValidAxis(axis)) return r;
    r.velocity = ReadField<std::int32_t>(blocks_.engine, JogField(axis, offsets::kJogVelocity));
    r.maxVelocity =
        ReadField<std::int32_t>(blocks_.engine, JogField(axis, offsets::kJogMaxVelocity));
    r.secondParam =
        ReadField<std::int32_t>(blocks_.engine, JogField(axis, offsets::kJogSecondParam));
    r.stop = ReadField<std::uint8_t>(blocks_.engine, JogField(axis, offsets::kJogStop));
    r.start = ReadField<std::uint8_t>(blocks_.engine, JogField(axis, offsets::kJogStart));
    r.direction = ReadField<std::int32_t>(blocks_.engine, JogField(axis, offsets::kJogDirection));
    return r;
}

void Host::SetJogVelocity(int axis, std::int32_t v) const {
    WriteJog(axis, offsets::kJogVelocity, v);
}
void Host::SetJogMaxVelocity(int axis, std::int32_t v) const {
    WriteJog(axis, offsets::kJogMaxVelocity, v);
}
void Host::SetJogSecondParam(int axis, std::int32_t v) const {
    WriteJog(axis, offsets::kJogSecondParam, v);
}
void Host::SetJogStop(int axis, std::uint8_t v) const {
    WriteJog(axis, offsets::kJogStop, v);
}
void Host::SetJogStart(int axis, std::uint8_t v) const {
    WriteJog(axis, offsets::kJogStart, v);
}
void Host::SetJogDirection(int axis, std::int32_t v) const {
    WriteJog(axis, offsets::kJogDirection, v);
}

std::int32_t Host::DistanceMode() const {
    return Observed<std::int32_t>(HostField::DistanceMode, 0, blocks_.setup,
                                  offsets::kDistanceMode);
}

double Host::RotationDegrees() const {
    return Observed<double>(HostField::RotationDegrees, 0, blocks_.setup,
                            offsets::kRotationDegrees);
}

bool Host::PlannerQueueIdle() const {
    return QueueIdle(callbacks_, HostField::PlannerQueue, blocks_.planner,
                     offsets::kPlannerQueueIndexes);
}

std::int32_t Host::PlannerBusy() const {
    return Observed<std::int32_t>(HostField::PlannerBusy, 0, blocks_.planner,
                                  offsets::kPlannerBusy);
}

std::int32_t Host::AxisVelocity(int axis) const {
    if (!ValidAxis(axis)) return 0;
    return Observed<std::int32_t>(HostField::AxisVelocity, axis, blocks_.planner,
                                  offsets::kAxisVelocity + 4 * std::size_t(axis));
}

std::int32_t Host::AxisSecondParam(int axis) const {
    if (!ValidAxis(axis)) return 0;
    return Observed<std::int32_t>(HostField::AxisSecondParam, axis, blocks_.planner,
                                  offsets::kAxisSecondParam + 4 * std::size_t(axis));
}

double Host::JogIncrement() const {
    return Observed<double>(HostField::JogIncrement, 0, blocks_.planner, offsets::kJogIncrement);
}

const char* Host::HostMessage() const {
    return blocks_.planner != nullptr ? HostStringTextAt(blocks_.planner, offsets::kHostMessage)
                                      : "";
}

}  // namespace k7
