// The profile store on pugixml with memory running out at each of its
// allocations in turn (pugixml's own included): the host's profile is either
// left byte for byte or written whole, never cut, and no temporary file stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <string>

#include "settings/profile_store.h"
#include "settings/pugixml/pugixml_dom.h"
#include "settings/settings_io.h"
#include "tests/support/alloc_hook.h"

namespace k7::test {
namespace {

// pugixml allocates through the hook from the first document on.
const bool routed = [] {
    pugi::set_memory_management_functions(&HookAllocate, &HookFree);
    return true;
}();

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(PugiXmlOutOfMemory, EveryAllocationOfAConfigurationFailingInTurn) {
    if (!SeesCAllocations()) GTEST_SKIP() << "pugixml's malloc is not seen in this build";
    ASSERT_TRUE(routed);
    const auto dir = std::filesystem::temp_directory_path() / "k7-pugixml-oom";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Mach3Mill.xml").string();
    std::string original = "<?xml version=\"1.0\"?>\r\n<profile>\r\n";
    for (int i = 0; i < 200; ++i)
        original += "  <Motor" + std::to_string(i) + " steps=\"2000\">on</Motor" +
                    std::to_string(i) + ">\r\n";
    original +=
        "  <Ravlen_K7_Pendant><Vel>4</Vel><DelaySteps></DelaySteps></Ravlen_K7_Pendant>\r\n";
    original += "</profile>\r\n";
    PugiXmlDomFactory xml(false);

    const auto configure = [&](AllocationFailure& failure) {
        failure.Pause();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << original;
        failure.Resume();
        ProfileStore store;
        store.Open(&xml, path);
        PendantSettings settings;
        ConfigureSettings(store, settings, [](PendantSettings& s) { s.StepJogRate = 250; });
        store.Close();
        failure.Pause();
    };
    std::size_t total = 0;
    std::string written;
    {
        AllocationFailure none;
        configure(none);
        total = none.seen();
        written = Read(path);
    }
    ASSERT_NE(written, original);
    ASSERT_GT(total, 10u);
    for (std::size_t n = 0; n < total; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(total));
        AllocationFailure failure(n);
        configure(failure);
        EXPECT_TRUE(failure.fired());
        const std::string after = Read(path);
        EXPECT_TRUE(after == original || after == written) << after;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            EXPECT_EQ(entry.path().filename().string().find(".k7-save"), std::string::npos)
                << "a temporary file was left";
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace k7::test
