// What a recorder sees of the host: every answer the host gave the plug-in and
// every call the plug-in made to it, told as it happens on the host's thread.
// An observer must return at once: it runs inside the tick.
#pragma once

#include <cstdint>

namespace k7 {

// The host data fields the plug-in reads, as a trace names them.
enum class HostField : std::uint8_t {
    PlannerBusy,
    DistanceMode,
    RotationDegrees,
    JogIncrement,
    EngineInhibit,
    EngineQueue,   // two indexes
    PlannerQueue,  // two indexes
    AxisVelocity,  // per axis
    AxisSecondParam,
};

enum class HostCall : std::uint8_t { Button, SetDro, Code, Message };

class HostObserver {
  public:
    virtual void ReadDro(int code, double value) = 0;
    virtual void ReadLed(int code, bool lit) = 0;
    // index: the axis of a per-axis field, 0 otherwise; second: the second
    // queue index of a queue, 0 otherwise.
    virtual void ReadField(HostField field, int index, double value, double second) = 0;
    // Before the host runs the call; Returned once it has. text: the line or
    // message of Code and Message, null otherwise.
    virtual void Calling(HostCall call, int code, double value, const char* text) = 0;
    virtual void Returned() = 0;

  protected:
    ~HostObserver() = default;
};

}  // namespace k7
