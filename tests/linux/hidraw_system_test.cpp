// The hidraw adapter's read, wait, cancel and write logic, with a FIFO standing
// in for the device node (it opens through the same path-based calls).
#include "device/linux/hidraw_system.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/linux/fifo_device.h"

namespace k7::test {
namespace {

using Clock = std::chrono::steady_clock;
using Report = std::array<std::uint8_t, 8>;

constexpr Report kReport = {0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};

class HidrawRead : public ::testing::Test {
  protected:
    void SetUp() override {
        handle_ = hid_.OpenRead(device_.path());
        ASSERT_NE(handle_, kInvalidHandle);
        ASSERT_TRUE(device_.OpenSender());
        buffer_.fill(0xee);
    }
    void TearDown() override {
        if (handle_ != kInvalidHandle) hid_.Close(handle_);
    }

    FifoDevice device_;
    HidrawSystem hid_;
    HidHandle handle_ = kInvalidHandle;
    Report buffer_{};
};

TEST_F(HidrawRead, SilentDeviceTimesOutWithinTheWindowThenCompletesWhenAReportArrives) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    const auto before = Clock::now();
    EXPECT_EQ(hid_.WaitRead(handle_, 5), ReadWait::TimedOut);
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(100));
    EXPECT_EQ(hid_.WaitRead(handle_, 5), ReadWait::TimedOut);  // still the same read
    EXPECT_EQ(buffer_[1], 0xee);

    ASSERT_TRUE(device_.Send(kReport));
    EXPECT_EQ(hid_.WaitRead(handle_, 1000), ReadWait::Completed);
    EXPECT_EQ(buffer_, kReport);
    EXPECT_EQ(hid_.WaitRead(handle_, 0), ReadWait::Failed);  // nothing outstanding any more
}

TEST_F(HidrawRead, ReportAlreadyWaitingCompletesAtOnce) {
    ASSERT_TRUE(device_.Send(kReport));
    EXPECT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Completed);
    EXPECT_EQ(buffer_, kReport);
    // The next read starts afresh and finds nothing yet.
    EXPECT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
}

TEST_F(HidrawRead, ShortReportLeavesNoStaleBytes) {
    const std::uint8_t shortReport[] = {1, 2};
    ASSERT_TRUE(device_.Send(shortReport, sizeof shortReport));
    EXPECT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Completed);
    EXPECT_EQ(buffer_, (Report{1, 2, 0, 0, 0, 0, 0, 0}));
}

TEST_F(HidrawRead, CancelledReadNeverWritesIntoItsBuffer) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    hid_.CancelRead(handle_);
    ASSERT_TRUE(device_.Send(kReport));
    EXPECT_EQ(hid_.WaitRead(handle_, 20), ReadWait::Failed);
    EXPECT_EQ(buffer_[1], 0xee);

    Report next{};
    EXPECT_EQ(hid_.StartRead(handle_, next), ReadStart::Completed);
    EXPECT_EQ(next, kReport);
}

TEST_F(HidrawRead, UnpluggedDeviceEndsThePendingReadAsFailed) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    device_.CloseDeviceEnd();  // hang-up, as a removed device gives
    const auto before = Clock::now();
    EXPECT_EQ(hid_.WaitRead(handle_, 1000), ReadWait::Failed);
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Failed);
}

TEST_F(HidrawRead, OneReadPerHandleAndUnknownHandlesFail) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    Report other{};
    EXPECT_EQ(hid_.StartRead(handle_, other), ReadStart::Failed);
    ASSERT_TRUE(device_.Send(kReport));
    EXPECT_EQ(hid_.WaitRead(handle_, 1000), ReadWait::Completed);
    EXPECT_EQ(buffer_, kReport);  // the first read's buffer got it

    EXPECT_EQ(hid_.StartRead(kInvalidHandle, other), ReadStart::Failed);
    EXPECT_EQ(hid_.WaitRead(kInvalidHandle, 0), ReadWait::Failed);
    hid_.CancelRead(kInvalidHandle);
}

TEST(HidrawWrite, WritesTheWholeReport) {
    FifoDevice device;
    ASSERT_TRUE(device.OpenReceiver());
    HidrawSystem hid;
    const HidHandle handle = hid.OpenWrite(device.path());
    ASSERT_NE(handle, kInvalidHandle);
    const std::array<std::uint8_t, 5> report = {0, 0x81, 0x02, 0x03, 0x2a};
    EXPECT_TRUE(hid.Write(handle, report));
    std::array<std::uint8_t, 16> received{};
    ASSERT_TRUE(device.WaitReadable(1000));  // written by the node's own thread
    ASSERT_EQ(device.Receive(received.data(), received.size()), 5);
    EXPECT_TRUE(std::equal(report.begin(), report.end(), received.begin()));
    hid.Close(handle);
    EXPECT_FALSE(hid.Write(kInvalidHandle, report));
}

// A device that stops taking output reports (here a FIFO whose buffer is full)
// never holds the caller: the report waits in the node's one-report mailbox,
// newer ones replacing it, and the newest goes out once the device takes again.
TEST(HidrawWrite, DeviceThatTakesNothingNeverHoldsTheCaller) {
    FifoDevice device;
    ASSERT_TRUE(device.OpenReceiver());
    HidrawSystem hid;
    const HidHandle handle = hid.OpenWrite(device.path());
    ASSERT_NE(handle, kInvalidHandle);
    ASSERT_TRUE(device.StopTaking());

    auto longest = Clock::duration::zero();
    std::array<std::uint8_t, 5> report = {0, 0xaa, 0, 0, 0};
    for (int i = 0; i < 500; ++i) {
        report[3] = static_cast<std::uint8_t>(i);
        const auto before = Clock::now();
        EXPECT_TRUE(hid.Write(handle, report));
        longest = std::max(longest, Clock::now() - before);
    }
    // A write that waited for the device would have stopped this loop for good;
    // loosely bounded for a loaded test machine.
    EXPECT_LT(longest, std::chrono::milliseconds(500));
    std::printf("longest write against a device that takes nothing: %.3f ms\n",
                std::chrono::duration<double, std::milli>(longest).count());

    // The device takes again: what it had, then the newest report only.
    device.CloseFiller();
    const std::vector<std::uint8_t> bytes = device.Drain(200);
    ASSERT_GE(bytes.size(), 5u);
    const std::vector<std::uint8_t> last(bytes.end() - 5, bytes.end());
    EXPECT_EQ(last, (std::vector<std::uint8_t>{0, 0xaa, 0, static_cast<std::uint8_t>(499), 0}));
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), std::uint8_t{0xaa}), 1);
    hid.Close(handle);
}

// Closing the handle (removal, stop) neither waits for a write that the device
// does not take nor leaves its thread behind: the thread ends and lets go of
// the device, which then sees its last sender gone.
TEST(HidrawWrite, ClosingAStalledWriterNeitherWaitsNorLeavesItRunning) {
    FifoDevice device;
    ASSERT_TRUE(device.OpenReceiver());
    HidrawSystem hid;
    const HidHandle handle = hid.OpenWrite(device.path());
    ASSERT_NE(handle, kInvalidHandle);
    ASSERT_TRUE(device.StopTaking());
    const std::array<std::uint8_t, 5> report = {0, 1, 2, 3, 4};
    ASSERT_TRUE(hid.Write(handle, report));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the thread is stuck now

    const auto before = Clock::now();
    hid.Close(handle);
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(500));  // USB's time-out: 5 s
    EXPECT_FALSE(hid.Write(handle, report));

    device.CloseFiller();
    bool ended = false;
    device.Drain(2000, &ended);
    EXPECT_TRUE(ended) << "the writer thread still holds the device";
}

TEST(HidrawDiscovery, ListsAndProbesWithoutDevicesPresent) {
    HidrawSystem hid;
    for (const std::string& path : hid.ListInterfaces()) EXPECT_EQ(path.rfind("/dev/", 0), 0u);

    EXPECT_EQ(hid.OpenProbe("/nonexistent/hidraw9"), kInvalidHandle);
    EXPECT_EQ(hid.OpenRead("/nonexistent/hidraw9"), kInvalidHandle);
    EXPECT_EQ(hid.OpenWrite("/nonexistent/hidraw9"), kInvalidHandle);

    // Something that is no HID device has no attributes.
    FifoDevice notHid;
    const HidHandle probe = hid.OpenProbe(notHid.path());
    ASSERT_NE(probe, kInvalidHandle);
    HidAttributes attributes;
    EXPECT_FALSE(hid.GetAttributes(probe, attributes));
    hid.Close(probe);
    EXPECT_FALSE(hid.GetAttributes(kInvalidHandle, attributes));
}

}  // namespace
}  // namespace k7::test
