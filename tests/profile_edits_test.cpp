// The store's edits written into the host's bytes: only the edited elements
// change, whatever markup, encoding or layout surrounds them.
#include "settings/profile_edits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace k7::test {
namespace {

constexpr const char* kSection = "Ravlen_K7_Pendant";

KeyEdit Set(const char* key, const char* text, unsigned order, const char* section = kSection) {
    KeyEdit edit;
    edit.section = section;
    edit.key = key;
    edit.text = text;
    edit.writeOrder = order;
    return edit;
}

KeyEdit Removed(const char* key, int count = 1) {
    KeyEdit edit;
    edit.section = kSection;
    edit.key = key;
    edit.removed = count;
    return edit;
}

std::string Edited(const std::string& base, const std::vector<KeyEdit>& edits) {
    return WriteEdits(base, edits).value_or("(refused)");
}

// ASCII text as UTF-16 or UTF-32 code units, with a byte order mark.
std::string Wide(const std::string& ascii, int width, bool bigEndian) {
    std::string out;
    const auto unit = [&](unsigned value) {
        for (int k = 0; k < width; ++k) {
            const int shift = 8 * (bigEndian ? width - 1 - k : k);
            out += static_cast<char>((value >> shift) & 0xFF);
        }
    };
    unit(0xFEFF);
    for (const char c : ascii) unit(static_cast<unsigned char>(c));
    return out;
}

// Markup that holds what looks like tags and names, around the section.
const std::string kTrickyHost =
    "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n"
    "<!DOCTYPE profile [\r\n"
    "  <!ENTITY shop \"Shop > floor ]\">\r\n"
    "  <!-- <Ravlen_K7_Pendant> ] > -->\r\n"
    "  <!ATTLIST Motor unit CDATA 'mm'>\r\n"
    "]>\r\n"
    "<!-- <profile/> -->\r\n"
    "<profile note='a > b / c'>\r\n"
    "\t<Ravlen_K7_PendantX><Vel>9</Vel></Ravlen_K7_PendantX>\r\n"
    "\t<Name>&shop; &amp; &#169; &#xA9; &lt;Vel&gt;</Name>\r\n"
    "\t<Code><![CDATA[</Ravlen_K7_Pendant><Vel>8</Vel>]]></Code>\r\n"
    "\t<?host <Vel>7</Vel>?>\r\n"
    "\t<Empty></Empty><Nested><Ravlen_K7_Pendant><Vel>6</Vel></Ravlen_K7_Pendant></Nested>\r\n"
    "\t<Ravlen_K7_Pendant >\r\n"
    "\t\t<Vel  a=\"/>\">1</Vel >\r\n"
    "\t\t<DelaySteps> </DelaySteps>\r\n"
    "\t\t<!-- keep --><Macro1/>\r\n"
    "\t</Ravlen_K7_Pendant >\r\n"
    "</profile >\r\n"
    "<!-- after -->\r\n";

TEST(WriteEdits, ChangesOnlyTheEditedElementsAmidAnyMarkup) {
    const std::string edited = Edited(kTrickyHost, {Set("Vel", "2", 1), Removed("DelaySteps"),
                                                    Set("Macro1", "-3", 2), Set("OEM1", "5", 3)});
    std::string expected = kTrickyHost;
    const auto replace = [&expected](const std::string& from, const std::string& to) {
        const auto at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    replace("\"/>\">1</Vel >", "\"/>\">2</Vel >");
    replace("<DelaySteps> </DelaySteps>", "");
    replace("<Macro1/>", "<Macro1>-3</Macro1>");
    replace("\t</Ravlen_K7_Pendant >", "\t<OEM1>5</OEM1></Ravlen_K7_Pendant >");
    EXPECT_EQ(edited, expected);
}

TEST(WriteEdits, AppendsMissingKeysAndSectionsInWriteOrder) {
    const std::string host = "<Mach3>\n  <Tail/>\n</Mach3>\n";
    EXPECT_EQ(Edited(host, {Set("B", "1", 2, "New"), Set("Vel", "3", 3), Set("A", "2", 1, "New")}),
              "<Mach3>\n  <Tail/>\n<New><A>2</A><B>1</B></New>"
              "<Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></Mach3>\n");
    // Into empty-element tags, their attributes and blanks kept.
    EXPECT_EQ(Edited("<p a='1' />", {Set("Vel", "3", 1)}),
              "<p a='1' ><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></p>");
    EXPECT_EQ(Edited("<p><Ravlen_K7_Pendant x=\"1\"/></p>", {Set("Vel", "3", 1)}),
              "<p><Ravlen_K7_Pendant x=\"1\"><Vel>3</Vel></Ravlen_K7_Pendant></p>");
    // No file: a new profile with what was written.
    EXPECT_EQ(Edited("", {Set("Vel", "3", 1)}),
              "<profile><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>");
    EXPECT_EQ(Edited("", {Removed("Vel")}), "");
}

TEST(WriteEdits, RemovedElementsAreTheFirstOfTheirNameAndAWriteGoesToTheNextOne) {
    const std::string host =
        "<p><Ravlen_K7_Pendant><Vel/><Vel></Vel><Vel>4</Vel></Ravlen_K7_Pendant></p>";
    KeyEdit vel = Removed("Vel", 2);
    vel.text = "5";
    EXPECT_EQ(Edited(host, {vel}), "<p><Ravlen_K7_Pendant><Vel>5</Vel></Ravlen_K7_Pendant></p>");
    // Removed and written again with no element left: created at the end.
    vel = Removed("Vel", 1);
    vel.text = "6";
    EXPECT_EQ(Edited("<p><Ravlen_K7_Pendant><Vel/><OEM1>1</OEM1></Ravlen_K7_Pendant></p>", {vel}),
              "<p><Ravlen_K7_Pendant><OEM1>1</OEM1><Vel>6</Vel></Ravlen_K7_Pendant></p>");
}

TEST(WriteEdits, KeepsTheEncodingOfTheBytes) {
    const std::string host =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<p><Ravlen_K7_Pendant><Vel>1</Vel>"
        "</Ravlen_K7_Pendant></p>\r\n";
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<p><Ravlen_K7_Pendant><Vel>2</Vel>"
        "<OEM1>3</OEM1></Ravlen_K7_Pendant></p>\r\n";
    const std::vector<KeyEdit> edits = {Set("Vel", "2", 1), Set("OEM1", "3", 2)};
    for (const int width : {2, 4}) {
        for (const bool bigEndian : {false, true}) {
            EXPECT_EQ(Edited(Wide(host, width, bigEndian), edits), Wide(expected, width, bigEndian))
                << width << (bigEndian ? " BE" : " LE");
            // Without a byte order mark, told by the first '<'.
            EXPECT_EQ(Edited(Wide(host, width, bigEndian).substr(width), edits),
                      Wide(expected, width, bigEndian).substr(width));
        }
    }
    const std::string latin1 =
        "<p n=\"\xE9\xE8\"><Ravlen_K7_Pendant><Vel>1</Vel></Ravlen_K7_Pendant></p>";
    EXPECT_EQ(Edited(latin1, {Set("Vel", "2", 1)}),
              "<p n=\"\xE9\xE8\"><Ravlen_K7_Pendant><Vel>2</Vel></Ravlen_K7_Pendant></p>");
}

TEST(WriteEdits, RefusesWhatItCannotEditSafely) {
    const std::string host = "<p><Ravlen_K7_Pendant><Vel>1</Vel></Ravlen_K7_Pendant></p>";
    for (const std::string& broken :
         {std::string("no markup"), std::string("<p><Ravlen_K7_Pendant><Vel>1</Vel>"),
          std::string("<p><!-- open"), std::string("<p a='1>"),
          std::string("<!DOCTYPE p [ <!ENTITY e 'x'> <p/>"), std::string("<p></q>"),
          std::string("\xFF\xFE<\0p\0/\0>", 9)}) {
        EXPECT_EQ(WriteEdits(broken, std::vector<KeyEdit>{Set("Vel", "2", 1)}), std::nullopt)
            << broken;
    }
    EXPECT_EQ(WriteEdits(host, std::vector<KeyEdit>{Set("Vel", "<2>", 1)}), std::nullopt);
    EXPECT_EQ(WriteEdits(host, std::vector<KeyEdit>{Set("V l", "2", 1)}), std::nullopt);
    EXPECT_EQ(WriteEdits(host, std::vector<KeyEdit>{Set("Vel", "2", 1, "1st")}), std::nullopt);
}

TEST(WriteEdits, WritingTheTextAlreadyThereGivesTheSameBytes) {
    const std::string host = "<p><Ravlen_K7_Pendant><Vel>1</Vel></Ravlen_K7_Pendant></p>";
    EXPECT_EQ(Edited(host, {Set("Vel", "1", 1)}), host);
}

}  // namespace
}  // namespace k7::test
