// Checks of the profile file on disk (read with pugixml, independently of the
// plug-in's store) and of the settings the plug-in holds in memory.
#include <fstream>
#include <iterator>
#include <pugixml.hpp>

#include "settings/setting_table.h"
#include "sim/trace/commands.h"

namespace k7::sim::trace {
namespace {

constexpr const char* kSection = "Ravlen_K7_Pendant";

std::optional<std::string> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The profile as the checks see it: no file and an unparsable file are told
// apart in the messages, and both hold no section.
struct Profile {
    pugi::xml_document document;
    std::string problem;  // "no profile file", ... ; empty when loaded

    explicit Profile(const std::filesystem::path& path) {
        const auto bytes = ReadBytes(path);
        if (!bytes) {
            problem = "no profile file";
            return;
        }
        const auto parsed = document.load_buffer(
            bytes->data(), bytes->size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
        if (parsed) return;
        problem = std::string("an unreadable profile file (") + parsed.description() + ")";
        // pugixml keeps what it read before the fault; a broken file has no
        // section at all, however far it got.
        document.reset();
    }
    pugi::xml_node Root() const { return document.document_element(); }
    pugi::xml_node Section() const { return Root().child(kSection); }
};

// The element's text: its text and CDATA children, blanks kept.
std::string TextOf(pugi::xml_node element) {
    std::string text;
    for (pugi::xml_node child : element.children())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
    return text;
}

// VALUE, or nullopt for the bare word `absent`.
std::optional<std::string> ValueOrAbsent(const Token& token) {
    if (token.Is("absent")) return std::nullopt;
    return token.text;
}

std::string DescribeValue(const std::optional<std::string>& value) {
    return value ? TraceWord(*value) : "absent";
}

// Compares an element found (or not) with VALUE / absent.
void CheckElement(const Profile& profile, pugi::xml_node element, const std::string& what,
                  const std::optional<std::string>& expected) {
    const std::string want = what + " " + DescribeValue(expected);
    if (!element) {
        if (!expected) return;
        throw CheckFailed{want, profile.problem.empty() ? what + " absent" : profile.problem};
    }
    const std::string text = TextOf(element);
    if (!expected || text != *expected) throw CheckFailed{want, what + " " + TraceWord(text)};
}

std::string NameWord(const Args& args, std::size_t i) {
    if (args.at(i).text.empty()) args.Fail("empty element name");
    return args.at(i).text;
}

}  // namespace

Action ParseProfileCheck(const Args& args) {
    args.Expect(2);
    const std::string key = NameWord(args, 0);
    const auto expected = ValueOrAbsent(args.at(1));
    return [key, expected](Session& s) {
        const Profile profile(s.profilePath);
        CheckElement(profile, profile.Section().child(key.c_str()), "profile " + TraceWord(key),
                     expected);
    };
}

Action ParseProfileKeysCheck(const Args& args) {
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < args.size(); ++i) expected.push_back(NameWord(args, i));
    return [expected](Session& s) {
        const Profile profile(s.profilePath);
        std::vector<std::string> names;
        for (pugi::xml_node child : profile.Section().children())
            if (child.type() == pugi::node_element) names.push_back(child.name());
        if (names == expected) return;
        std::string want = "profile-keys", got = "profile-keys";
        for (const std::string& name : expected) want += " " + TraceWord(name);
        for (const std::string& name : names) got += " " + TraceWord(name);
        if (names.empty() && !profile.problem.empty()) got = profile.problem;
        throw CheckFailed{want, got};
    };
}

Action ParseProfileElementCheck(const Args& args) {
    args.Expect(2);
    const std::string path = args.at(0).text;
    std::vector<std::string> steps;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        steps.push_back(path.substr(start, slash - start));
        if (steps.back().empty()) args.Fail("empty element name in path " + TraceWord(path));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    const auto expected = ValueOrAbsent(args.at(1));
    return [path, steps, expected](Session& s) {
        const Profile profile(s.profilePath);
        pugi::xml_node node = profile.Root();
        for (const std::string& step : steps) node = node.child(step.c_str());
        CheckElement(profile, node, "profile-element " + TraceWord(path), expected);
    };
}

Action ParseProfileBytesCheck(const Args& args) {
    args.Expect(0);
    return [](Session& s) {
        const auto bytes = ReadBytes(s.profilePath);
        const std::string want = "profile-bytes-unchanged";
        if (!s.profileText) {
            if (bytes)
                throw CheckFailed{want + " (no profile was given)",
                                  "a profile file of " + std::to_string(bytes->size()) + " bytes"};
            return;
        }
        if (!bytes) throw CheckFailed{want, "no profile file"};
        if (*bytes == *s.profileText) return;
        std::size_t at = 0;
        while (at < bytes->size() && at < s.profileText->size() &&
               (*bytes)[at] == (*s.profileText)[at])
            ++at;
        throw CheckFailed{want, "a profile file of " + std::to_string(bytes->size()) +
                                    " bytes, changed from byte " + std::to_string(at)};
    };
}

Action ParseSettingCheck(const Args& args) {
    args.Expect(2);
    const SettingKey* key = args.at(0).quoted ? nullptr : FindSettingKey(args.at(0).text);
    if (key == nullptr) args.Fail("unknown setting " + TraceWord(args.at(0).text));
    const auto expected = static_cast<int>(args.Integer(1, INT32_MIN, INT32_MAX));
    return [key, expected](Session& s) {
        const int actual = FieldValue(s.plugin.state().settings, *key);
        const std::string what = "setting " + std::string(key->key) + " ";
        if (actual != expected)
            throw CheckFailed{what + std::to_string(expected), what + std::to_string(actual)};
    };
}

}  // namespace k7::sim::trace
