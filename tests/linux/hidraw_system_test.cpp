// The hidraw adapter's read, wait, cancel and write logic, with a FIFO standing
// in for the device node (it opens through the same path-based calls).
#include "device/linux/hidraw_system.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace k7::test {
namespace {

using Clock = std::chrono::steady_clock;
using Report = std::array<std::uint8_t, 8>;

constexpr Report kReport = {0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};

// A FIFO in a private directory; the test plays the device at its other end.
class FifoDevice {
  public:
    FifoDevice() {
        char pattern[] = "/tmp/k7-hidraw-XXXXXX";
        if (mkdtemp(pattern) != nullptr) dir_ = pattern;
        path_ = dir_ + "/hidraw0";
        ::mkfifo(path_.c_str(), 0600);
    }
    ~FifoDevice() {
        CloseDeviceEnd();
        ::unlink(path_.c_str());
        ::rmdir(dir_.c_str());
    }
    FifoDevice(const FifoDevice&) = delete;
    FifoDevice& operator=(const FifoDevice&) = delete;

    const std::string& path() const { return path_; }
    // The device's sending end; open once the adapter has its reading end.
    bool OpenSender() {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        return fd_ >= 0;
    }
    // The device's receiving end; open before the adapter opens for writing.
    bool OpenReceiver() {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        return fd_ >= 0;
    }
    bool Send(const std::uint8_t* data, std::size_t size) {
        return ::write(fd_, data, size) == static_cast<ssize_t>(size);
    }
    bool Send(const Report& report) { return Send(report.data(), report.size()); }
    ssize_t Receive(std::uint8_t* data, std::size_t size) { return ::read(fd_, data, size); }
    bool WaitReadable(int timeoutMs) {
        pollfd watch{fd_, POLLIN, 0};
        return ::poll(&watch, 1, timeoutMs) == 1;
    }
    void CloseDeviceEnd() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    std::string dir_;
    std::string path_;
    int fd_ = -1;
};

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
