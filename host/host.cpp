#include "host/host.h"

#include "host/host_string.h"

namespace k7 {

void Host::DoButton(int code) const {
    if (callbacks_.doButton != nullptr) callbacks_.doButton(static_cast<short>(code));
}

void Host::SetDRO(int code, double value) const {
    if (callbacks_.setDro != nullptr) callbacks_.setDro(static_cast<short>(code), value);
}

double Host::GetDRO(int code) const {
    return callbacks_.getDro != nullptr ? callbacks_.getDro(static_cast<short>(code)) : 0.0;
}

bool Host::GetLED(int code) const {
    return callbacks_.getLed != nullptr && callbacks_.getLed(static_cast<short>(code));
}

void Host::Code(const char* line) const {
    if (callbacks_.code != nullptr) callbacks_.code(line);
}

void Host::SetHostMessage(const char* text) const {
    if (blocks_.planner != nullptr)
        HostStringAssignAt(blocks_.planner, offsets::kHostMessage, text);
    if (callbacks_.messageHook != nullptr) callbacks_.messageHook(text);
}

template <typename T>
T Host::Read(const void* block, std::size_t offset) const {
    return block != nullptr ? ReadField<T>(block, offset) : T{};
}

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
    return Read<std::int32_t>(blocks_.engine, offsets::kEngineQueueIndexes) ==
           Read<std::int32_t>(blocks_.engine, offsets::kEngineQueueIndexes + 4);
}

std::uint8_t Host::EngineInhibit() const {
    return Read<std::uint8_t>(blocks_.engine, offsets::kEngineInhibit);
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
    return Read<std::int32_t>(blocks_.setup, offsets::kDistanceMode);
}

double Host::RotationDegrees() const {
    return Read<double>(blocks_.setup, offsets::kRotationDegrees);
}

bool Host::PlannerQueueIdle() const {
    return Read<std::int32_t>(blocks_.planner, offsets::kPlannerQueueIndexes) ==
           Read<std::int32_t>(blocks_.planner, offsets::kPlannerQueueIndexes + 4);
}

std::int32_t Host::PlannerBusy() const {
    return Read<std::int32_t>(blocks_.planner, offsets::kPlannerBusy);
}

std::int32_t Host::AxisVelocity(int axis) const {
    if (!ValidAxis(axis)) return 0;
    return Read<std::int32_t>(blocks_.planner, offsets::kAxisVelocity + 4 * std::size_t(axis));
}

std::int32_t Host::AxisSecondParam(int axis) const {
    if (!ValidAxis(axis)) return 0;
    return Read<std::int32_t>(blocks_.planner, offsets::kAxisSecondParam + 4 * std::size_t(axis));
}

double Host::JogIncrement() const {
    return Read<double>(blocks_.planner, offsets::kJogIncrement);
}

const char* Host::HostMessage() const {
    return blocks_.planner != nullptr ? HostStringTextAt(blocks_.planner, offsets::kHostMessage)
                                      : "";
}

}  // namespace k7
