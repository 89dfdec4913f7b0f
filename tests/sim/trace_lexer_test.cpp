#include "sim/trace/lexer.h"

#include <gtest/gtest.h>

namespace k7::test {
using namespace sim::trace;
namespace {

std::vector<std::string> Texts(std::string_view line) {
    const TokenizeResult result = Tokenize(line);
    EXPECT_EQ(result.error, "") << line;
    std::vector<std::string> texts;
    for (const Token& token : result.tokens) texts.push_back(token.text);
    return texts;
}

using Words = std::vector<std::string>;

TEST(TraceLexer, SplitsOnBlanksAndStopsAtComments) {
    EXPECT_EQ(Texts("  led\t83   1  "), (Words{"led", "83", "1"}));
    EXPECT_EQ(Texts("# a whole-line comment"), Words{});
    EXPECT_EQ(Texts("   "), Words{});
    EXPECT_EQ(Texts("tick 2 # two ticks"), (Words{"tick", "2"}));
    EXPECT_EQ(Texts("remove abc#def"), (Words{"remove", "abc"}));
    EXPECT_EQ(Texts("tick\r"), Words{"tick"});
}

TEST(TraceLexer, QuotedTokensKeepBlanksHashesAndEscapes) {
    const TokenizeResult result = Tokenize(R"(expect code " G91 #1 " "" "a\"b\\c\td\ne")");
    ASSERT_EQ(result.error, "");
    ASSERT_EQ(result.tokens.size(), 5u);
    EXPECT_EQ(result.tokens[2].text, " G91 #1 ");
    EXPECT_TRUE(result.tokens[2].quoted);
    EXPECT_EQ(result.tokens[3].text, "");
    EXPECT_TRUE(result.tokens[3].quoted);
    EXPECT_EQ(result.tokens[4].text, "a\"b\\c\td\ne");
    EXPECT_FALSE(result.tokens[0].quoted);
    // A quoted word is text, never the keyword it spells.
    EXPECT_FALSE(Tokenize(R"("none")").tokens[0].Is("none"));
    EXPECT_TRUE(Tokenize("none").tokens[0].Is("none"));
}

TEST(TraceLexer, RefusesBrokenQuoting) {
    EXPECT_EQ(Tokenize(R"(code "G90)").error, "unterminated quote");
    EXPECT_EQ(Tokenize(R"(code "G90\)").error, "unterminated quote");
    EXPECT_EQ(Tokenize(R"(code "a\qb")").error, "unknown escape \\q in quotes");
    EXPECT_EQ(Tokenize(R"(code ab"c")").error, "a quote inside a word");
    EXPECT_EQ(Tokenize(R"(code "ab"c)").error, "text right after a closing quote");
    EXPECT_EQ(Tokenize(R"(code "ab"# fine)").error, "");
}

TEST(TraceLexer, IntegersTakeOneOptionalSign) {
    EXPECT_EQ(ParseInteger(Token{"5"}), 5);
    EXPECT_EQ(ParseInteger(Token{"-5"}), -5);
    EXPECT_EQ(ParseInteger(Token{"+5"}), 5);
    EXPECT_EQ(ParseInteger(Token{"007"}), 7);
    for (const char* bad :
         {"", "-", "+", "+-5", "-+5", "--5", "5.0", "1e3", "0x10", "5a", "99999999999999999999"})
        EXPECT_EQ(ParseInteger(Token{bad}), std::nullopt) << bad;
    EXPECT_EQ(ParseInteger(Token{"5", true}), std::nullopt);
}

TEST(TraceLexer, NumbersTakeFractionAndExponent) {
    EXPECT_EQ(ParseNumber(Token{"-0.5"}), -0.5);
    EXPECT_EQ(ParseNumber(Token{"1e3"}), 1000.0);
    EXPECT_EQ(ParseNumber(Token{"+2.5E-1"}), 0.25);
    EXPECT_EQ(ParseNumber(Token{".5"}), 0.5);
    EXPECT_EQ(ParseNumber(Token{"7"}), 7.0);
    for (const char* bad :
         {"", "e3", "1e", "1e+", "nan", "inf", "1.2.3", "0x1p3", "--1", ".", "-.e1", "1,5"})
        EXPECT_EQ(ParseNumber(Token{bad}), std::nullopt) << bad;
}

TEST(TraceLexer, BytesAreTwoHexDigitsAndIdsUpToFour) {
    EXPECT_EQ(ParseByte(Token{"0a"}), 0x0a);
    EXPECT_EQ(ParseByte(Token{"FF"}), 0xff);
    for (const char* bad : {"0", "100", "g0", "-1", ""})
        EXPECT_EQ(ParseByte(Token{bad}), std::nullopt) << bad;
    EXPECT_EQ(ParseHexId(Token{"04d8"}), 0x04d8);
    EXPECT_EQ(ParseHexId(Token{"B3C5"}), 0xb3c5);
    EXPECT_EQ(ParseHexId(Token{"1"}), 1);
    for (const char* bad : {"", "12345", "xyz", "-1"})
        EXPECT_EQ(ParseHexId(Token{bad}), std::nullopt) << bad;
}

TEST(TraceLexer, TraceWordReadsBackAsTheSameText) {
    EXPECT_EQ(TraceWord("G90"), "G90");
    EXPECT_EQ(TraceWord("G91G1 F100"), "\"G91G1 F100\"");
    EXPECT_EQ(TraceWord(""), "\"\"");
    for (const char* text :
         {"plain", " lead", "a\"b", "back\\slash", "tab\there", "x#y", "", "line\nbreak"}) {
        const TokenizeResult result = Tokenize(TraceWord(text));
        ASSERT_EQ(result.tokens.size(), 1u) << text;
        EXPECT_EQ(result.tokens[0].text, text);
    }
}

TEST(TraceLexer, NumbersPrintInTheirShortestForm) {
    EXPECT_EQ(TraceNumber(100.0), "100");
    EXPECT_EQ(TraceNumber(0.03), "0.03");
    EXPECT_EQ(TraceNumber(-0.5), "-0.5");
}

}  // namespace
}  // namespace k7::test
