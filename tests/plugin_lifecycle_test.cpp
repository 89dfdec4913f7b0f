// The entry points on one Plugin: the name, and the order the host calls them in.
#include <gtest/gtest.h>

#include <string>

#include "plugin/plugin.h"
#include "sim/sim_rig.h"

namespace k7::test {
namespace {

TEST(PluginName, FollowsTheModuleTitleAndStaysAtOnePlace) {
    Platform platform{nullptr, nullptr, nullptr, nullptr, "Foo"};
    Plugin plugin(platform);
    const char* first = plugin.SetProName(HostStringCreate("Mach3Mill"));
    EXPECT_STREQ(first, "Foo Pendant --Tarnwick Ver 1.0");
    EXPECT_EQ(plugin.state().profileName, "Mach3Mill");

    // The host may keep the first pointer: a later call rewrites the same text.
    platform.moduleTitle = "A much longer module title than before";
    const char* second = plugin.SetProName(HostStringCreate("Mach3Lathe"));
    EXPECT_EQ(second, first);
    EXPECT_STREQ(first, "A much longer module title than before Pendant --Tarnwick Ver 1.0");
    EXPECT_EQ(plugin.state().profileName, "Mach3Lathe");
}

TEST(PluginName, AnOverlongTitleIsCutNotOverrun) {
    Platform platform{nullptr, nullptr, nullptr, nullptr, std::string(1000, 'k')};
    Plugin plugin(platform);
    const std::string name = plugin.SetProName(HostStringCreate("p"));
    EXPECT_EQ(name.size(), kPluginNameCapacity - 1);
}

TEST(PluginLifecycle, HostCallOrderWithoutAPendant) {
    sim::SimRig rig;
    Plugin& plugin = rig.Start();
    sim::SimWindowSystem& windows = rig.windows;
    EXPECT_TRUE(windows.windowAlive());
    EXPECT_TRUE(windows.timerRunning());
    for (int i = 0; i < 10; ++i) {
        plugin.Update();
        windows.Tick();
    }
    plugin.Config();
    plugin.StopPlug();
    EXPECT_FALSE(windows.windowAlive());
    plugin.StopPlug();
    EXPECT_TRUE(rig.host.effects().empty());
    EXPECT_EQ(plugin.state().counters.reportSequence, 11);
}

}  // namespace
}  // namespace k7::test
