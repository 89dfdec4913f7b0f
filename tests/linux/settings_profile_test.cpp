// The plug-in's settings calls on a real profile file through pugixml.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "plugin/plugin.h"
#include "settings/pugixml/pugixml_dom.h"
#include "tests/support/scripted_settings_dialog.h"

namespace k7::test {
namespace {

TEST(SettingsOnPugiXml, FirstConfigAppendsTheSectionAndLeavesTheHostsFileAsItWas) {
    const auto dir = std::filesystem::temp_directory_path() / "k7-settings-pugixml";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Mach3Mill.xml").string();
    const std::string host =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n"
        "  <Preferences>\r\n    <Units metric=\"1\">mm</Units>\r\n  </Preferences>\r\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << host << "</profile>\r\n";

    PugiXmlDomFactory xml;
    ScriptedSettingsDialog dialog;
    Platform platform{nullptr, nullptr, &xml, &dialog, "K7"};
    Plugin plugin(platform);
    plugin.SetProName(HostStringCreate(path.c_str()));
    plugin.PostInitControl();
    EXPECT_EQ(plugin.state().settings.StepJogRate, 100);
    plugin.state().settings.StepJogRate = 5;  // replaced by the reload in Config
    plugin.Config();

    std::ifstream in(path, std::ios::binary);
    const std::string saved(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(saved,
              host +
                  "<Ravlen_K7_Pendant><BUTTON0>0</BUTTON0><BUTTON1>0</BUTTON1>"
                  "<BUTTON2>0</BUTTON2><Vel>2</Vel><Macro1>0</Macro1><Macro2>0</Macro2>"
                  "<Macro3>0</Macro3><Macro4>0</Macro4><OEM1>0</OEM1><OEM2>0</OEM2>"
                  "<OEM3>0</OEM3><OEM4>0</OEM4><StepJogRate>100</StepJogRate>"
                  "<DelaySteps>25</DelaySteps><ScreenSel1>1</ScreenSel1><ScreenSel2>2</ScreenSel2>"
                  "<ScreenSel3>3</ScreenSel3><StepSize1>1</StepSize1><StepSize2>0</StepSize2>"
                  "<StepSize3>2</StepSize3><Xreverse>0</Xreverse><Yreverse>0</Yreverse>"
                  "<Zreverse>0</Zreverse></Ravlen_K7_Pendant></profile>\r\n");
    std::filesystem::remove_all(dir);
}

// The host's start-up reads the profile and leaves it as it is: same bytes,
// same time, entity references and all.
TEST(SettingsOnPugiXml, StartUpLeavesAnUnchangedProfileUntouched) {
    const auto dir = std::filesystem::temp_directory_path() / "k7-settings-startup";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Mach3Mill.xml").string();
    const std::string profile =
        "<?xml version=\"1.0\"?>\r\n<!DOCTYPE profile [<!ENTITY shop \"Shop\">]>\r\n<profile>\r\n"
        "  <Preferences><Name>&shop; &amp; &#169;</Name></Preferences>\r\n"
        "  <Ravlen_K7_Pendant><Vel>3</Vel><StepJogRate>0</StepJogRate></Ravlen_K7_Pendant>\r\n"
        "</profile>\r\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << profile;
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(path, old);

    PugiXmlDomFactory xml;
    Platform platform{nullptr, nullptr, &xml, nullptr, "K7"};
    Plugin plugin(platform);
    plugin.SetProName(HostStringCreate(path.c_str()));
    plugin.PostInitControl();
    EXPECT_EQ(plugin.state().settings.Vel, 3);
    EXPECT_EQ(plugin.state().settings.StepJogRate, 0);
    EXPECT_EQ(std::filesystem::last_write_time(path), old);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), profile);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace k7::test
