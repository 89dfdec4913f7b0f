// Live mode's pieces that a terminal session would only show by accident: the
// keys as a terminal sends them, the form holding every setting of the dialog,
// and what the device scan tells a user whose pendant is not found.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "protocol/pendant_protocol.h"
#include "sim/live/config_form.h"
#include "sim/live/device_scan.h"
#include "sim/live/keys.h"
#include "sim/live/live_session.h"
#include "sim/live/status_screen.h"
#include "sim/virtual_hid.h"
#include "ui/dialog_template.h"

namespace k7::test {
namespace {

using sim::live::DecodeKey;
using sim::live::Key;
using sim::live::KeyKind;

// A cursor key must never read as Escape and letters: in the form, Escape
// closes the dialog.
TEST(LiveKeys, EscapeSequencesDecodeWholeAndALoneEscapeWaitsForMore) {
    Key key;
    EXPECT_EQ(DecodeKey("\x1b[A", false, key), 3u);
    EXPECT_EQ(key.kind, KeyKind::Up);
    EXPECT_EQ(DecodeKey("\x1bOC", false, key), 3u);
    EXPECT_EQ(key.kind, KeyKind::Right);
    EXPECT_EQ(DecodeKey("\x1b[6~x", false, key), 4u);
    EXPECT_EQ(key.kind, KeyKind::PageDown);
    EXPECT_EQ(DecodeKey("\x1b[Z", false, key), 3u);
    EXPECT_EQ(key.kind, KeyKind::BackTab);
    // A sequence this program has no use for is swallowed whole.
    EXPECT_EQ(DecodeKey("\x1b[1;5D", false, key), 6u);
    // The start of a sequence waits for the rest, until no more can come.
    EXPECT_EQ(DecodeKey("\x1b", false, key), 0u);
    EXPECT_EQ(DecodeKey("\x1b[", false, key), 0u);
    EXPECT_EQ(DecodeKey("\x1b", true, key), 1u);
    EXPECT_EQ(key.kind, KeyKind::Escape);
    EXPECT_EQ(DecodeKey("\x1bq", false, key), 1u);
    EXPECT_EQ(key.kind, KeyKind::Escape);
    EXPECT_EQ(DecodeKey("\r", false, key), 1u);
    EXPECT_EQ(key.kind, KeyKind::Enter);
    EXPECT_EQ(DecodeKey("\x14", false, key), 1u);
    EXPECT_EQ(key.kind, KeyKind::Tick);
}

// Ten detents from the keyboard arrive as ten reports in one tick, as from a
// pendant reporting at its USB rate; the screen shows the rate the plug-in
// read them at, over the last second.
TEST(LiveStatus, ShowsThePendantsReportRate) {
    const auto profile = std::filesystem::temp_directory_path() / "k7-live-rate.xml";
    sim::live::LiveSession session(profile.string(), nullptr, nullptr);
    session.Start();
    session.Turn(10);
    session.Tick();
    EXPECT_EQ(session.reportRate(), 400.0);  // ten in 25 ms
    for (int i = 0; i < 39; ++i) session.Tick();
    EXPECT_EQ(session.reportRate(), 10.0);  // ten in the last second
    for (int i = 0; i < 40; ++i) session.Tick();
    EXPECT_EQ(session.reportRate(), 0.0);
    const auto lines = sim::live::RenderStatus(session, {}, false);
    EXPECT_NE(lines[1].find("   0 reports/s"), std::string::npos) << lines[1];
    session.Stop();
    std::filesystem::remove(profile);
}

TEST(LiveConfigForm, ShowsEveryControlOfTheDialogOnce) {
    const std::vector<int> shown = sim::live::ConfigForm::Controls();
    std::vector<int> expected{kOkId};
    for (const SettingControlEntry& entry : kSettingControls) expected.push_back(entry.control);
    std::vector<int> sortedShown = shown;
    std::sort(sortedShown.begin(), sortedShown.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sortedShown, expected);
}

TEST(LiveDeviceScan, NamesThePendantOrEveryDeviceAndWhyItIsNotThePendant) {
    sim::VirtualHid hid;
    hid.AddDevice("/dev/hidraw0", 0x046d, 0xc52b);
    hid.AddDevice("/dev/hidraw1", kPendantVendorId, 0x0001);
    const auto none = sim::live::DescribeScan(sim::live::ScanDevices(hid, {}));
    ASSERT_EQ(none.size(), 3u);
    EXPECT_EQ(none[0], "no pendant among the 2 HID device(s) seen; the pendant is 04d8:b3c5:");
    EXPECT_EQ(none[1], "  /dev/hidraw0  046d:c52b, other ids");
    EXPECT_EQ(none[2], "  /dev/hidraw1  04d8:0001, other ids");

    hid.AddDevice("/dev/hidraw2", kPendantVendorId, kPendantProductId);
    const auto refused = sim::live::DescribeScan(sim::live::ScanDevices(
        hid, [](const std::string&) { return std::string("Permission denied"); }));
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0], "pendant found: /dev/hidraw2 (04d8:b3c5)");
    EXPECT_EQ(refused[1], "  but it cannot be opened for reading and writing: Permission denied");
    EXPECT_NE(refused[2].find("make install-udev"), std::string::npos);
}

}  // namespace
}  // namespace k7::test
