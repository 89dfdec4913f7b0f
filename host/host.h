// The host as the pendant logic sees it: the six callbacks, the four data blocks
// and typed access to the fields the plug-in reads and writes. Every call goes
// through here, so the logic runs unchanged against a real host, the simulator
// or a test fake.
#pragma once

#include <cstdint>

#include "host/host_abi.h"
#include "host/host_observer.h"

namespace k7 {

struct HostCallbacks {
    DoButtonFn doButton = nullptr;
    SetDroFn setDro = nullptr;
    GetDroFn getDro = nullptr;
    GetLedFn getLed = nullptr;
    SetLedFn setLed = nullptr;
    CodeFn code = nullptr;
    // Not part of the host's interface: lets a simulated host observe each
    // SetHostMessage, which a real host only sees as a changed string.
    void (*messageHook)(const char* text) = nullptr;
    // Not the host's either: a session recorder, told of every answer and call
    // that reaches the host (held with the callbacks, so a muted plug-in tells
    // it nothing).
    HostObserver* observer = nullptr;
};

struct HostBlocks {
    void* engine = nullptr;
    void* setup = nullptr;
    void* planner = nullptr;
    void* view = nullptr;
};

// One axis's jog request in the host engine's record.
struct JogRecord {
    std::int32_t velocity = 0;
    std::int32_t maxVelocity = 0;
    std::int32_t secondParam = 0;
    std::uint8_t stop = 0;
    std::uint8_t start = 0;
    std::int32_t direction = 0;
};

// Unset callbacks and blocks are tolerated: calls are skipped and reads give 0,
// so a host that calls out of order cannot make the plug-in crash.
class Host {
  public:
    Host(const HostCallbacks& callbacks, const HostBlocks& blocks)
        : callbacks_(callbacks), blocks_(blocks) {}

    void DoButton(int code) const;
    void SetDRO(int code, double value) const;
    double GetDRO(int code) const;
    bool GetLED(int code) const;
    void Code(const char* line) const;
    // Replaces the text of the host's message line.
    void SetHostMessage(const char* text) const;

    // HostEngine
    bool EngineQueueIdle() const;  // the two engine queue indexes are equal
    std::uint8_t EngineInhibit() const;
    JogRecord ReadJogRecord(int axis) const;
    void SetJogVelocity(int axis, std::int32_t v) const;
    void SetJogMaxVelocity(int axis, std::int32_t v) const;
    void SetJogSecondParam(int axis, std::int32_t v) const;
    void SetJogStop(int axis, std::uint8_t v) const;
    void SetJogStart(int axis, std::uint8_t v) const;
    void SetJogDirection(int axis, std::int32_t v) const;

    // HostSetup
    std::int32_t DistanceMode() const;
    double RotationDegrees() const;

    // HostPlanner
    bool PlannerQueueIdle() const;  // the two planner queue indexes are equal
    std::int32_t PlannerBusy() const;
    std::int32_t AxisVelocity(int axis) const;
    std::int32_t AxisSecondParam(int axis) const;
    double JogIncrement() const;
    const char* HostMessage() const;

    const HostBlocks& blocks() const { return blocks_; }

  private:
    template <typename T>
    T Observed(HostField field, int index, const void* block, std::size_t offset) const;
    HostObserver* Call(HostCall call, int code, double value, const char* text) const;
    template <typename T>
    void WriteJog(int axis, std::size_t field, T value) const;

    const HostCallbacks& callbacks_;
    const HostBlocks& blocks_;
};

}  // namespace k7
