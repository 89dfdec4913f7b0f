#include "sim/live/trace_recorder.h"

#include <sstream>

namespace k7::sim::live {

void TraceRecorder::Pass(Pending kind) {
    if (pending_ != kind) WriteTime();
    pending_ = kind;
    ++count_;
}

void TraceRecorder::WriteTime() {
    if (pending_ != Pending::None) {
        out_ << std::string(indent_, ' ') << (pending_ == Pending::Tick ? "tick" : "update");
        if (count_ > 1) out_ << ' ' << count_;
        out_ << '\n';
    }
    pending_ = Pending::None;
    count_ = 0;
}

void TraceRecorder::Line(const std::string& text) {
    WriteTime();
    out_ << std::string(indent_, ' ') << text << '\n';
}

void TraceRecorder::Profile(const std::string& text) {
    // A tag that no line of the file is equal to ends the block.
    std::string tag = "END_OF_PROFILE";
    while (("\n" + text + "\n").find("\n" + tag + "\n") != std::string::npos) tag += "_";
    Line("profile <<" + tag);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out_ << line << '\n';
    }
    out_ << tag << '\n';
}

void TraceRecorder::BeginConfig() {
    Line("config");
    indent_ = 2;
}

void TraceRecorder::EndConfig() {
    WriteTime();
    indent_ = 0;
    Line("end");
}

void TraceRecorder::Finish() {
    WriteTime();
    out_.flush();
}

}  // namespace k7::sim::live
