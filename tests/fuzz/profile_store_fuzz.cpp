// Fuzzes the profile store on the pugixml adapter with arbitrary profile
// bytes: deterministic mutations of realistic profiles (same seed, same run),
// checked for crashes (under the sanitizers) and for the store's promises:
//   - a profile the store will not save is left byte for byte as it was;
//   - a profile it saves parses again and holds exactly the values written;
//   - no temporary file is left behind.
// A parseable profile the store refuses to edit is left as it was too; those
// are counted, as the edits should refuse only what XML itself does not allow.
// Usage: k7_profile_fuzz [iterations] [seed]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/profile_store.h"
#include "settings/pugixml/pugixml_dom.h"
#include "settings/settings_io.h"

namespace {

using k7::ProfileStore;

const char* const kSeeds[] = {
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n  <Preferences>\r\n"
    "    <Motor axis=\"X\" steps=\"2000\">on</Motor>\r\n  </Preferences>\r\n"
    "  <Ravlen_K7_Pendant><BUTTON0>3</BUTTON0><Vel>2</Vel><StepJogRate>0</StepJogRate>"
    "<Xreverse>5</Xreverse></Ravlen_K7_Pendant>\r\n</profile>\r\n",
    "<profile><!-- c --><Ravlen_K7_Pendant><DelaySteps></DelaySteps><OEM1> 7</OEM1>"
    "</Ravlen_K7_Pendant><Ravlen_K7_Pendant><Vel>9</Vel></Ravlen_K7_Pendant></profile>",
    "<!DOCTYPE profile [<!ENTITY e \"x\">]><profile><a><![CDATA[<b>]]></a>&amp;&#233;</profile>",
    "\xEF\xBB\xBF<profile><Ravlen_K7_Pendant><Macro1>-25</Macro1></Ravlen_K7_Pendant></profile>",
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Mach3>\xE9<x y='\xE9'/></Mach3>\n",
    "<profile/>",
    "",
};

const char* const kTokens[] = {
    "<",
    ">",
    "</",
    "/>",
    "<![CDATA[",
    "]]>",
    "<!--",
    "-->",
    "&amp;",
    "&#",
    "&#x",
    ";",
    "<?xml version=\"1.0\"?>",
    "?>",
    "Ravlen_K7_Pendant",
    "<Ravlen_K7_Pendant>",
    "</Ravlen_K7_Pendant>",
    "<Vel>",
    "</Vel>",
    "\"",
    "'",
    "=",
    "\xEF\xBB\xBF",
    "\r\n",
    "<!DOCTYPE",
    "]>",
    " ",
    "-",
    "4294967296",
    "\xFF\xFE",
};

// SplitMix64: small, fast, and the same sequence everywhere.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }

  private:
    std::uint64_t state_;
};

std::string Mutate(std::string bytes, Random& random) {
    const int rounds = 1 + static_cast<int>(random.Below(3));
    for (int r = 0; r < rounds; ++r) {
        const std::size_t at = random.Below(bytes.size() + 1);
        switch (random.Below(7)) {
            case 0:  // flip one byte
                if (!bytes.empty())
                    bytes[random.Below(bytes.size())] ^= static_cast<char>(1 + random.Below(255));
                break;
            case 1:  // insert a random byte
                bytes.insert(at, 1, static_cast<char>(random.Below(256)));
                break;
            case 2:  // delete a range
                bytes.erase(at, random.Below(16));
                break;
            case 3:  // duplicate a range
                if (at < bytes.size()) bytes.insert(at, bytes.substr(at, random.Below(32)));
                break;
            case 4:  // insert a token of the format
                bytes.insert(at, kTokens[random.Below(std::size(kTokens))]);
                break;
            case 5:  // truncate
                bytes.resize(at);
                break;
            default:  // splice in part of another profile
                bytes.insert(at, std::string(kSeeds[random.Below(std::size(kSeeds))])
                                     .substr(0, random.Below(64)));
                break;
        }
    }
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Fail(const char* what, int iteration, const std::string& input) {
    std::fprintf(stderr, "iteration %d: %s\ninput (%zu bytes):\n", iteration, what, input.size());
    std::fwrite(input.data(), 1, input.size(), stderr);
    std::fputc('\n', stderr);
    return false;
}

int refused = 0;  // parseable, left as it was

bool Check(k7::XmlDomFactory& xml, const std::string& path, const std::string& input,
           int iteration) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << input;
    ProfileStore store;
    store.Open(&xml, path);
    const bool saves = store.saveAllowed();
    std::int32_t written[std::size(k7::kSettingKeys)] = {};
    std::size_t i = 0;
    for (const k7::SettingKey& key : k7::kSettingKeys) {
        written[i] = store.GetInt(k7::kSettingsSection, key.key, key.defaultValue) +
                     static_cast<std::int32_t>(i);
        store.SetInt(k7::kSettingsSection, key.key, written[i]);
        ++i;
    }
    store.Close();

    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        if (entry.path() != std::filesystem::path(path))
            return Fail("temporary file left behind", iteration, input);
    }
    if (!saves) {
        return ReadFile(path) == input || Fail("unsaved profile changed", iteration, input);
    }
    if (ReadFile(path) == input) {
        ++refused;
        return true;
    }
    ProfileStore again;
    again.Open(&xml, path);
    if (!again.saveAllowed()) return Fail("saved profile does not parse again", iteration, input);
    i = 0;
    for (const k7::SettingKey& key : k7::kSettingKeys) {
        if (again.GetInt(k7::kSettingsSection, key.key, -12345) != written[i++])
            return Fail("saved value not read back", iteration, input);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 2000;
    const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 7;
    const auto dir =
        std::filesystem::temp_directory_path() / ("k7-profile-fuzz-" + std::to_string(seed));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "profile.xml").string();
    k7::PugiXmlDomFactory xml;
    Random random(seed);
    int saved = 0;
    for (int n = 0; n < iterations; ++n) {
        const std::string seedText = kSeeds[random.Below(std::size(kSeeds))];
        const std::string input = n < static_cast<int>(std::size(kSeeds))
                                      ? std::string(kSeeds[n])
                                      : Mutate(seedText, random);
        if (!Check(xml, path, input, n)) return 1;
        saved += ReadFile(path) != input;
    }
    std::filesystem::remove_all(dir);
    std::printf(
        "%d profiles, %d rewritten, %d parseable but left as they were, all promises kept\n",
        iterations, saved, refused);
    return 0;
}
