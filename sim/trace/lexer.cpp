#include "sim/trace/lexer.h"

#include <charconv>
#include <limits>

namespace k7::sim::trace {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::size_t SkipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i;
}

// One sign at most: "+5" and "-5" but never "+-5".
std::size_t SignLength(std::string_view s) {
    return !s.empty() && s[0] == '-' ? 1 : 0;
}

// from_chars takes no '+'; a '+' followed by '-' stays and is refused.
std::string_view WithoutPlus(std::string_view s) {
    if (s.size() > 1 && s[0] == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
    return s;
}

// Reads a quoted token starting at the opening quote; returns the index after
// the closing quote, or npos with an error.
std::size_t ReadQuoted(std::string_view line, std::size_t i, std::string& text,
                       std::string& error) {
    for (++i; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') return i + 1;
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++i == line.size()) break;
        switch (line[i]) {
            case '"':
                text += '"';
                break;
            case '\\':
                text += '\\';
                break;
            case 't':
                text += '\t';
                break;
            case 'n':
                text += '\n';
                break;
            default:
                error = std::string("unknown escape \\") + line[i] + " in quotes";
                return std::string_view::npos;
        }
    }
    error = "unterminated quote";
    return std::string_view::npos;
}

}  // namespace

TokenizeResult Tokenize(std::string_view line) {
    TokenizeResult result;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') return result;
        Token token;
        if (line[i] == '"') {
            token.quoted = true;
            i = ReadQuoted(line, i, token.text, result.error);
            if (i == std::string_view::npos) return result;
            if (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
                result.error = "text right after a closing quote";
                return result;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
                if (line[i] == '"') {
                    result.error = "a quote inside a word";
                    return result;
                }
                token.text += line[i++];
            }
        }
        result.tokens.push_back(std::move(token));
    }
}

std::optional<std::int64_t> ParseInteger(const Token& token) {
    if (token.quoted) return std::nullopt;
    std::string_view s = WithoutPlus(token.text);
    const std::size_t start = SignLength(s);
    if (s.size() == start || SkipDigits(s, start) != s.size()) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<double> ParseNumber(const Token& token) {
    if (token.quoted) return std::nullopt;
    std::string_view s = WithoutPlus(token.text);
    std::size_t i = SignLength(s);
    const std::size_t whole = SkipDigits(s, i);
    std::size_t digits = whole - i;
    i = whole;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fraction = SkipDigits(s, i + 1);
        digits += fraction - i - 1;
        i = fraction;
    }
    if (digits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
        const std::size_t end = SkipDigits(s, e);
        if (end == e) return std::nullopt;
        i = end;
    }
    if (i != s.size()) return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<std::uint8_t> ParseByte(const Token& token) {
    if (token.quoted || token.text.size() != 2) return std::nullopt;
    const int high = HexValue(token.text[0]);
    const int low = HexValue(token.text[1]);
    if (high < 0 || low < 0) return std::nullopt;
    return static_cast<std::uint8_t>(high << 4 | low);
}

std::optional<std::uint16_t> ParseHexId(const Token& token) {
    if (token.quoted || token.text.empty() || token.text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : token.text) {
        const int digit = HexValue(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | unsigned(digit);
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace k7::sim::trace
