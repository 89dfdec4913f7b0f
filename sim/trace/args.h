// The words of one trace command, with typed access that reports a malformed
// word by throwing Malformed (caught by the runner, which adds file and line).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/trace/lexer.h"

namespace k7::sim::trace {

// The trace is malformed: exit status 2.
struct Malformed {
    std::string reason;
};

// A malformed line found while reading a trace, with its line number.
struct LineError {
    int line = 0;
    std::string reason;
};

// A check did not hold: exit status 1.
struct CheckFailed {
    std::string expected;
    std::string got;
};

class Args {
  public:
    // name: the command as the reason of an error names it ("host plannerBusy").
    Args(std::string name, std::vector<Token> words)
        : name_(std::move(name)), words_(std::move(words)) {}

    const std::string& name() const { return name_; }
    std::size_t size() const { return words_.size(); }
    const Token& at(std::size_t i) const { return words_.at(i); }
    const std::vector<Token>& words() const { return words_; }

    // Throws unless there are between min and max words.
    void Expect(std::size_t min, std::size_t max) const;
    void Expect(std::size_t count) const { Expect(count, count); }

    std::int64_t Integer(std::size_t i, std::int64_t min, std::int64_t max) const;
    double Number(std::size_t i) const;
    std::uint8_t Byte(std::size_t i) const;
    std::uint16_t HexId(std::size_t i) const;
    // A host code: a 16-bit number, signed or not.
    int Code(std::size_t i) const;
    // An engine axis: 0..5 or one of X Y Z A B C.
    int Axis(std::size_t i) const;
    // An optional count (tick, update): the default when absent.
    int Count(std::size_t i, int fallback) const;

    [[noreturn]] void Fail(const std::string& reason) const;

  private:
    std::string name_;
    std::vector<Token> words_;
};

}  // namespace k7::sim::trace
