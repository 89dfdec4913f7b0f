#include "sim/trace/args.h"

namespace k7::sim::trace {

void Args::Fail(const std::string& reason) const {
    throw Malformed{name_ + ": " + reason};
}

void Args::Expect(std::size_t min, std::size_t max) const {
    if (words_.size() >= min && words_.size() <= max) return;
    if (min == max)
        Fail("takes " + std::to_string(min) + " argument" + (min == 1 ? "" : "s") + ", got " +
             std::to_string(words_.size()));
    Fail("takes " + std::to_string(min) + " to " + std::to_string(max) + " arguments, got " +
         std::to_string(words_.size()));
}

std::int64_t Args::Integer(std::size_t i, std::int64_t min, std::int64_t max) const {
    const auto value = ParseInteger(at(i));
    if (!value) Fail("bad integer " + TraceWord(at(i).text));
    if (*value < min || *value > max)
        Fail(at(i).text + " is outside " + std::to_string(min) + ".." + std::to_string(max));
    return *value;
}

double Args::Number(std::size_t i) const {
    const auto value = ParseNumber(at(i));
    if (!value) Fail("bad number " + TraceWord(at(i).text));
    return *value;
}

std::uint8_t Args::Byte(std::size_t i) const {
    const auto value = ParseByte(at(i));
    if (!value) Fail("bad byte " + TraceWord(at(i).text) + " (two hex digits)");
    return *value;
}

std::uint16_t Args::HexId(std::size_t i) const {
    const auto value = ParseHexId(at(i));
    if (!value) Fail("bad id " + TraceWord(at(i).text) + " (one to four hex digits)");
    return *value;
}

int Args::Code(std::size_t i) const {
    return static_cast<int>(Integer(i, -32768, 65535));
}

int Args::Axis(std::size_t i) const {
    static constexpr std::string_view kLetters = "XYZABC";
    const Token& token = at(i);
    if (!token.quoted && token.text.size() == 1) {
        const std::size_t letter = kLetters.find(token.text[0]);
        if (letter != std::string_view::npos) return static_cast<int>(letter);
    }
    if (!ParseInteger(token)) Fail("bad axis " + TraceWord(token.text) + " (0..5 or X Y Z A B C)");
    return static_cast<int>(Integer(i, 0, 5));
}

int Args::Count(std::size_t i, int fallback) const {
    return i < size() ? static_cast<int>(Integer(i, 0, 1000000)) : fallback;
}

}  // namespace k7::sim::trace
