// How a trace writes words and numbers, so that the trace reader reads back
// exactly what was written.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace k7 {

// Always in double quotes, with \" \\ \t \n escaped.
std::string Quoted(std::string_view text);
// Bare when that reads back the same, quoted otherwise.
std::string TraceWord(std::string_view text);
// The shortest decimal text that reads back as the same double.
std::string TraceNumber(double value);
// Each byte as two hex digits, blank-separated.
std::string TraceBytes(std::span<const std::uint8_t> bytes);

}  // namespace k7
