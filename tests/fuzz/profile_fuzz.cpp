// The profile store on pugixml, fuzzed with arbitrary profile bytes: a
// configuration reads and writes every key, then the store's promises are
// checked (the sanitizers check the rest):
//   - a profile the store cannot parse is left byte for byte as it was;
//   - a profile it saves parses again and holds exactly the values written;
//   - everything outside the plug-in's section is kept: the saved document
//     without that section is the original without it;
//   - no temporary file is left behind.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <string>

#include "settings/profile_store.h"
#include "settings/pugixml/pugixml_dom.h"
#include "settings/settings_io.h"

namespace {

using namespace k7;

[[noreturn]] void Broken(const char* what, const std::string& input) {
    std::fprintf(stderr, "store promise broken: %s\ninput (%zu bytes):\n", what, input.size());
    std::fwrite(input.data(), 1, input.size(), stderr);
    std::fputc('\n', stderr);
    std::abort();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The document as the store's XML library reads it, without the plug-in's
// section (the first child of the root of that name), written back flat.
std::string OutsideTheSection(const std::string& bytes) {
    constexpr unsigned kParse =
        (pugi::parse_full | pugi::parse_ws_pcdata | pugi::parse_fragment) & ~pugi::parse_eol;
    pugi::xml_document document;
    if (!document.load_buffer(bytes.data(), bytes.size(), kParse)) return "(unparseable)";
    pugi::xml_node root = document.document_element();
    root.remove_child(root.child(kSettingsSection));
    struct Writer final : pugi::xml_writer {
        std::string text;
        void write(const void* data, size_t size) override {
            text.append(static_cast<const char*>(data), size);
        }
    } writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return writer.text;
}

struct Scratch {
    // In memory where the system has a tmpfs: replacing a file on a disk file
    // system flushes it, and the fuzzer replaces one per input.
    Scratch() {
        const std::filesystem::path shm = "/dev/shm";
        const auto base =
            std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
        dir = base / ("k7-profile-fuzz-" + std::to_string(static_cast<long>(::getpid())));
        std::filesystem::create_directories(dir);
        path = (dir / "profile.xml").string();
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::filesystem::path dir;
    std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    static PugiXmlDomFactory xml(false);  // a scratch file: no flush to the disk
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string& path = scratch.path;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << input;

    ProfileStore store;
    store.Open(&xml, path);
    const bool saves = store.saveAllowed();
    PendantSettings written;
    ConfigureSettings(store, written, [](PendantSettings& s) {
        std::int32_t i = 1;
        for (const SettingKey& key : kSettingKeys) SetFieldValue(s, key, FieldValue(s, key) + i++);
    });
    store.Close();

    for (const auto& entry : std::filesystem::directory_iterator(scratch.dir))
        if (entry.path().filename().string().find(".k7-save") != std::string::npos)
            Broken("temporary file left behind", input);
    const std::string after = ReadFile(path);
    if (!saves) {
        if (after != input) Broken("an unparseable profile was rewritten", input);
        return 0;
    }
    ProfileStore again;
    again.Open(&xml, path);
    if (!again.saveAllowed()) Broken("the saved profile does not parse again", input);
    // A profile whose keys the store cannot place its edits in is left as the
    // host wrote it; any other save reads back every value.
    if (after != input) {
        for (const SettingKey& key : kSettingKeys)
            if (again.GetInt(kSettingsSection, key.key, -12345) != FieldValue(written, key))
                Broken("a saved value did not read back", input);
    }
    if (!input.empty() && OutsideTheSection(after) != OutsideTheSection(input))
        Broken("the host's part of the profile changed", input);
    return 0;
}
