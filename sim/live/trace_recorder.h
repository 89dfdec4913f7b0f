// Writes a live session as a trace that `k7sim run` replays: commands in the
// order they happened, runs of ticks and of updates folded into `tick N` and
// `update N`, and the lines of a `config` block indented under it.
#pragma once

#include <ostream>
#include <string>

namespace k7::sim::live {

class TraceRecorder {
  public:
    explicit TraceRecorder(std::ostream& out) : out_(out) {}
    ~TraceRecorder() { Finish(); }
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    // A command or check, written after the time that passed before it.
    void Line(const std::string& text);
    // A `profile <<TAG` block with the file's lines verbatim.
    void Profile(const std::string& text);
    // Time: counted, and written only when something else follows.
    void Tick() { Pass(Pending::Tick); }
    void Update() { Pass(Pending::Update); }

    void BeginConfig();
    void EndConfig();
    bool inConfig() const { return indent_ > 0; }

    // Writes the time still counted and flushes the file.
    void Finish();

  private:
    enum class Pending { None, Tick, Update };
    void Pass(Pending kind);
    void WriteTime();

    std::ostream& out_;
    Pending pending_ = Pending::None;
    int count_ = 0;
    int indent_ = 0;
};

}  // namespace k7::sim::live
