// The machine behind the demo's host: it carries out what the plug-in asks.
// Relative step lines ("G91G1 ...") move their axes by their distance at their
// feed; "DOJOG" sets an axis moving at its jog record's velocity until
// "ENDJOG". Time passes only through Advance, so the demo is deterministic.
#pragma once

#include <deque>
#include <string>

#include "sim/sim_host.h"

namespace k7::sim {

inline constexpr int kMachineAxes = 6;

class DemoMachine {
  public:
    // Attaches to the host's G-code observer; one machine per host.
    explicit DemoMachine(SimHost& host);
    ~DemoMachine();
    DemoMachine(const DemoMachine&) = delete;
    DemoMachine& operator=(const DemoMachine&) = delete;

    // Moves the axes for `seconds` of machine time.
    void Advance(double seconds);

    double Position(int axis) const { return position_[axis]; }
    bool Moving() const;
    // The speed an engine jog moves the axis at now, negative when it runs
    // backwards; 0 when the axis is not jogging.
    double JogVelocity(int axis) const;
    // A machinist's note on each G-code line received, oldest first.
    std::string TakeNote();

  private:
    struct StepMove {
        double remaining[kMachineAxes] = {};
        double feed = 0.0;  // units per minute
    };
    struct Jog {
        bool running = false;
        double velocity = 0.0;  // units per minute
        int direction = 0;      // 0 = positive
    };

    static void OnCode(SimHost& host, const char* line);
    void Receive(const char* line);
    std::string QueueStep(const std::string& line);
    std::string StartJogs();
    std::string StopJogs();
    void AdvanceStep(double seconds);

    SimHost& host_;
    double position_[kMachineAxes] = {};
    std::deque<StepMove> steps_;
    Jog jogs_[kMachineAxes];
    std::deque<std::string> notes_;
};

}  // namespace k7::sim
