#include "record/trace_text.h"

#include <charconv>

namespace k7 {

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out + '"';
}

std::string TraceWord(std::string_view text) {
    bool bare = !text.empty();
    for (char c : text)
        if (c == ' ' || c == '\t' || c == '\r' || c == '"' || c == '#' || c == '\n') bare = false;
    return bare ? std::string(text) : Quoted(text);
}

std::string TraceNumber(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string TraceBytes(std::span<const std::uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

}  // namespace k7
