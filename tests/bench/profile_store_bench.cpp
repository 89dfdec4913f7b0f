// One settings call's work on host profiles of 20 KB, 200 KB and 2 MB: open,
// a read and a write of each key, close, as Config does it. The store walks
// the root's children once per store, so the cost grows linearly with the
// profile (the complexity fit of each family says how well).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/host_string.h"
#include "plugin/platform.h"
#include "plugin/plugin.h"
#include "settings/profile_store.h"
#include "settings/pugixml/pugixml_dom.h"
#include "settings/settings_io.h"

namespace k7::test {
namespace {

// A profile shaped like a control host's: a declaration, many sections of
// short keyed values with indentation, some attributes and comments, other
// plug-ins' sections, and the pendant's section near the end.
std::string HostProfile(std::size_t bytes) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n";
    const char* sections[] = {"Preferences", "Motor0", "Motor1",  "Motor2", "Motor3",
                              "Motor4",      "Motor5", "Spindle", "Ports",  "Toolpath",
                              "Screens",     "Macros", "Hotkeys", "Offsets"};
    int n = 0;
    while (text.size() < bytes) {
        for (const char* section : sections) {
            text += "  <" + std::string(section) + ">\r\n    <!-- block " + std::to_string(n) +
                    " -->\r\n";
            for (int k = 0; k < 24; ++k, ++n) {
                const std::string key = "Param" + std::to_string(n);
                text += "    <" + key + " unit=\"mm\">" + std::to_string(n * 37 % 10007) + "." +
                        std::to_string(n % 100) + "</" + key + ">\r\n";
            }
            text += "  </" + std::string(section) + ">\r\n";
        }
    }
    text += "  <OtherPlugin><Enabled>1</Enabled><Port>888</Port></OtherPlugin>\r\n";
    text += "  <Ravlen_K7_Pendant>";
    for (const SettingKey& key : kSettingKeys)
        text += "<" + std::string(key.key) + ">" + std::to_string(key.defaultValue) + "</" +
                key.key + ">";
    text += "</Ravlen_K7_Pendant>\r\n</profile>\r\n";
    return text;
}

class ProfileFile {
  public:
    explicit ProfileFile(std::size_t bytes) {
        dir_ = std::filesystem::temp_directory_path() / "k7-profile-bench";
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "Mach3Mill.xml").string();
        const std::string text = HostProfile(bytes);
        size_ = text.size();
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << text;
    }
    ~ProfileFile() { std::filesystem::remove_all(dir_); }
    const std::string& path() const { return path_; }
    std::size_t size() const { return size_; }

  private:
    std::filesystem::path dir_;
    std::string path_;
    std::size_t size_ = 0;
};

void ReadAndWriteAll(ProfileStore& store) {
    std::int32_t sum = 0;
    for (const SettingKey& key : kSettingKeys)
        sum += store.GetInt(kSettingsSection, key.key, key.defaultValue);
    for (const SettingKey& key : kSettingKeys) store.SetInt(kSettingsSection, key.key, sum);
    benchmark::DoNotOptimize(sum);
}

// The full call: the save writes a temporary file, flushes it to the disk and
// renames it over the profile (the disk's flush dominates the wall time).
void BM_ProfileStoreOpenReadWriteClose(benchmark::State& state) {
    const ProfileFile file(static_cast<std::size_t>(state.range(0)) * 1024);
    PugiXmlDomFactory xml;
    for (auto _ : state) {
        ProfileStore store;
        store.Open(&xml, file.path());
        ReadAndWriteAll(store);
        store.Close();
    }
    state.counters["profile_bytes"] = static_cast<double>(file.size());
    state.SetComplexityN(static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ProfileStoreOpenReadWriteClose)
    ->Arg(20)
    ->Arg(200)
    ->Arg(2000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// The same without the save: the plug-in's own work, parsing and lookups.
void BM_ProfileStoreOpenReadWrite(benchmark::State& state) {
    const ProfileFile file(static_cast<std::size_t>(state.range(0)) * 1024);
    PugiXmlDomFactory xml;
    for (auto _ : state) {
        ProfileStore store;
        store.Open(&xml, file.path());
        ReadAndWriteAll(store);
    }
    state.counters["profile_bytes"] = static_cast<double>(file.size());
    state.SetComplexityN(static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ProfileStoreOpenReadWrite)
    ->Arg(20)
    ->Arg(200)
    ->Arg(2000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// The host's start-up as far as the profile goes: SetProName, then
// PostInitControl loading the settings, on a profile that already holds them.
void BM_StartUpOnUnchangedProfile(benchmark::State& state) {
    const ProfileFile file(200 * 1024);
    PugiXmlDomFactory xml;
    Platform platform;
    platform.xml = &xml;
    for (auto _ : state) {
        Plugin plugin(platform);
        plugin.SetProName(HostStringCreate(file.path().c_str()));
        plugin.PostInitControl();
    }
    state.counters["profile_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_StartUpOnUnchangedProfile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace k7::test
