#include "sim/demo/demo_machine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "host/host_codes.h"

namespace k7::sim {
namespace {

constexpr char kAxisLetters[] = "XYZABC";

int AxisOf(char letter) {
    for (int axis = 0; axis < kMachineAxes; ++axis)
        if (kAxisLetters[axis] == letter) return axis;
    return -1;
}

std::string Format(const char* format, double a, double b = 0.0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

DemoMachine::DemoMachine(SimHost& host) : host_(host) {
    host_.user = this;
    host_.onCode = &DemoMachine::OnCode;
}

DemoMachine::~DemoMachine() {
    host_.onCode = nullptr;
    host_.user = nullptr;
}

void DemoMachine::OnCode(SimHost& host, const char* line) {
    static_cast<DemoMachine*>(host.user)->Receive(line);
}

void DemoMachine::Receive(const char* line) {
    const std::string text = line;
    if (text.rfind("G91G1", 0) == 0)
        notes_.push_back(QueueStep(text));
    else if (text == "G90")
        notes_.push_back("back to absolute distances");
    else if (text == "DOJOG")
        notes_.push_back(StartJogs());
    else if (text == "ENDJOG")
        notes_.push_back(StopJogs());
    else
        notes_.push_back("");
}

// "G91G1 F100 X 0.0300", "G91G1 X 0.0500" or "G91G1 X0.8660 Y-0.5000 ".
std::string DemoMachine::QueueStep(const std::string& line) {
    StepMove move;
    move.feed = host_.Dro(codes::kDroFeed);
    std::istringstream words(line.substr(5));
    std::string word;
    std::string note = "relative move";
    while (words >> word) {
        if (word[0] == 'F') {
            move.feed = std::atof(word.c_str() + 1);
            continue;
        }
        const int axis = AxisOf(word[0]);
        if (axis < 0) continue;
        std::string number = word.substr(1);
        if (number.empty()) words >> number;
        move.remaining[axis] = std::atof(number.c_str());
        note += std::string(" ") + word[0] + Format("%+.4f", move.remaining[axis]);
    }
    note += Format(" at %.0f per minute", move.feed);
    steps_.push_back(move);
    return note;
}

std::string DemoMachine::StartJogs() {
    std::string note;
    for (int axis = 0; axis < kMachineAxes; ++axis) {
        const JogRecord record = host_.Jog(axis);
        if (record.start != 1 || record.stop != 0) continue;
        Jog& jog = jogs_[axis];
        const bool update = jog.running;
        jog = Jog{true, static_cast<double>(record.velocity), record.direction};
        note += std::string(update ? "jog " : "jog starts: ") + kAxisLetters[axis] +
                (jog.direction == 0 ? "+" : "-") +
                Format(" at %.0f per minute (of %.0f)", jog.velocity, record.maxVelocity);
    }
    return note;
}

std::string DemoMachine::StopJogs() {
    std::string note;
    for (int axis = 0; axis < kMachineAxes; ++axis) {
        if (!jogs_[axis].running || host_.Jog(axis).stop != 1) continue;
        jogs_[axis].running = false;
        note +=
            std::string("jog stops: ") + kAxisLetters[axis] + Format(" at %.4f", position_[axis]);
    }
    return note.empty() ? "nothing jogging: the stop is repeated" : note;
}

void DemoMachine::Advance(double seconds) {
    for (int axis = 0; axis < kMachineAxes; ++axis) {
        const Jog& jog = jogs_[axis];
        if (!jog.running) continue;
        const double distance = jog.velocity / 60.0 * seconds;
        position_[axis] += jog.direction == 0 ? distance : -distance;
    }
    AdvanceStep(seconds);
}

// Step moves run one after another, each along its straight line at its feed.
void DemoMachine::AdvanceStep(double seconds) {
    while (seconds > 0.0 && !steps_.empty()) {
        StepMove& move = steps_.front();
        double length = 0.0;
        for (double d : move.remaining) length += d * d;
        length = std::sqrt(length);
        const double reach = move.feed > 0.0 ? move.feed / 60.0 * seconds : length;
        const double part = length > 0.0 ? std::min(1.0, reach / length) : 1.0;
        for (int axis = 0; axis < kMachineAxes; ++axis) {
            position_[axis] += move.remaining[axis] * part;
            move.remaining[axis] -= move.remaining[axis] * part;
        }
        if (part < 1.0) return;
        seconds -= move.feed > 0.0 ? length / (move.feed / 60.0) : 0.0;
        steps_.pop_front();
    }
}

bool DemoMachine::Moving() const {
    if (!steps_.empty()) return true;
    for (const Jog& jog : jogs_)
        if (jog.running) return true;
    return false;
}

double DemoMachine::JogVelocity(int axis) const {
    const Jog& jog = jogs_[axis];
    if (!jog.running) return 0.0;
    return jog.direction == 0 ? jog.velocity : -jog.velocity;
}

std::string DemoMachine::TakeNote() {
    if (notes_.empty()) return "";
    std::string note = notes_.front();
    notes_.pop_front();
    return note;
}

}  // namespace k7::sim
