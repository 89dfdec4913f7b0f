// Reads a trace one command at a time. A run reads each file twice: once to
// check every line before any of it runs (so that a malformed line is reported
// before the plug-in has done anything), once to run it; however long the
// file, only the command being read is held in memory.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "sim/trace/commands.h"

namespace k7::sim::trace {

struct Step {
    int line = 0;
    Action action;
    // The step may check effects (an `expect` of an effect or `none`, or a
    // `config` block): the host must keep effects until it has run.
    bool checksEffects = false;
};

class TraceReader {
  public:
    explicit TraceReader(std::istream& in) : in_(in) {}

    // The next command, with the block it opens read whole; nullopt at the end
    // of the input. Throws LineError at a malformed line.
    std::optional<Step> Next();
    // The next line without its line end (a CR before the LF included); false
    // at the end of the input.
    bool NextLine(std::string& line);
    // The number of the line read last (the first line is 1).
    int line() const { return line_; }
    // Reading stopped on an error of the input, not at its end.
    bool failed() const;

  private:
    std::istream& in_;
    std::string text_;  // the line being read, its buffer kept from line to line
    int line_ = 0;
};

// A whole trace at once: lines[i] is line i + 1. Throws LineError at the first
// malformed line.
std::vector<Step> ParseTrace(const std::vector<std::string>& lines);

// The block after `config` up to its `end`, read from the reader. Throws
// LineError for a malformed line inside the block.
Action ParseConfigBlock(const Args& args, TraceReader& reader);

// One line's tokens, or LineError naming line number `line`.
std::vector<Token> TokensOf(const std::string& text, int line);

}  // namespace k7::sim::trace
