// The lexical rules of a trace line: blank-separated tokens, double-quoted
// tokens with escapes, comments, and the number forms the commands take.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record/trace_text.h"

namespace k7::sim::trace {

struct Token {
    std::string text;
    bool quoted = false;  // written in double quotes: never a number or a keyword

    bool Is(std::string_view word) const { return !quoted && text == word; }
};

struct TokenizeResult {
    std::vector<Token> tokens;
    std::string error;  // empty when the line is well formed
};

// Splits one line. A '#' outside quotes ends the line; inside quotes \" \\ \t
// and \n are the only escapes.
TokenizeResult Tokenize(std::string_view line);

// Decimal integer with an optional sign; nullopt when the token is anything else
// or does not fit in 64 bits.
std::optional<std::int64_t> ParseInteger(const Token& token);
// Decimal number with an optional sign, fraction and exponent (-0.5, 1e3, 7).
std::optional<double> ParseNumber(const Token& token);
// Exactly two hex digits.
std::optional<std::uint8_t> ParseByte(const Token& token);
// One to four hex digits (a vendor or product id).
std::optional<std::uint16_t> ParseHexId(const Token& token);

// Words and numbers as a trace writes them: one writer of the format.
using k7::Quoted;
using k7::TraceNumber;
using k7::TraceWord;

}  // namespace k7::sim::trace
