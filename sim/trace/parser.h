// Reads a whole trace into steps before any of it runs, so that a malformed
// line is reported before the plug-in has done anything.
#pragma once

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

// lines[i] is line i + 1. Throws LineError at the first malformed line.
std::vector<Step> ParseTrace(const std::vector<std::string>& lines);

// The block after `config` (from lines[next]) up to its `end`; next moves past
// the `end`. Throws LineError for a malformed line inside the block.
Action ParseConfigBlock(const Args& args, const std::vector<std::string>& lines, std::size_t& next);

// One line's tokens, or LineError.
std::vector<Token> TokensOf(const std::vector<std::string>& lines, std::size_t index);

}  // namespace k7::sim::trace
