// The overlapped read, wait, cancel and write logic of the Windows HID adapter,
// with a named pipe standing in for the device: the adapter opens the pipe's
// path exactly as it opens a device interface path.
#include "device/win32/win32_hid_system.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace k7 {
namespace {

using Report = std::array<std::uint8_t, 8>;
constexpr Report kReport = {0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};

// The device's end of the pipe.
class PipeDevice {
  public:
    PipeDevice() {
        static int serial = 0;
        path_ = "\\\\.\\pipe\\k7-hid-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial);
        pipe_ = CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 256, 256, 0,
                                 nullptr);
    }
    ~PipeDevice() { Unplug(); }
    PipeDevice(const PipeDevice&) = delete;
    PipeDevice& operator=(const PipeDevice&) = delete;

    bool created() const { return pipe_ != INVALID_HANDLE_VALUE; }
    const std::string& path() const { return path_; }
    bool Send(const std::uint8_t* data, DWORD size) {
        DWORD written = 0;
        return WriteFile(pipe_, data, size, &written, nullptr) && written == size;
    }
    bool Send(const Report& report) { return Send(report.data(), report.size()); }
    DWORD Receive(std::uint8_t* data, DWORD size) {
        DWORD read = 0;
        return ReadFile(pipe_, data, size, &read, nullptr) ? read : 0;
    }
    void Unplug() {
        if (pipe_ == INVALID_HANDLE_VALUE) return;
        DisconnectNamedPipe(pipe_);
        CloseHandle(pipe_);
        pipe_ = INVALID_HANDLE_VALUE;
    }

  private:
    std::string path_;
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
};

class Win32HidRead : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(device_.created());
        handle_ = hid_.OpenRead(device_.path());
        ASSERT_NE(handle_, kInvalidHandle) << GetLastError();
        buffer_.fill(0xee);
    }
    void TearDown() override {
        if (handle_ != kInvalidHandle) hid_.Close(handle_);
    }

    PipeDevice device_;
    Win32HidSystem hid_;
    HidHandle handle_ = kInvalidHandle;
    Report buffer_{};
};

TEST_F(Win32HidRead, SilentDeviceTimesOutWithinTheWindowThenCompletesWhenAReportArrives) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    const DWORD before = GetTickCount();
    EXPECT_EQ(hid_.WaitRead(handle_, 5), ReadWait::TimedOut);
    EXPECT_LT(GetTickCount() - before, 200u);
    EXPECT_EQ(hid_.WaitRead(handle_, 5), ReadWait::TimedOut);  // the same read, carried over
    EXPECT_EQ(buffer_[1], 0xee);

    ASSERT_TRUE(device_.Send(kReport));
    EXPECT_EQ(hid_.WaitRead(handle_, 2000), ReadWait::Completed);
    EXPECT_EQ(buffer_, kReport);
    EXPECT_EQ(hid_.WaitRead(handle_, 0), ReadWait::Failed);  // nothing outstanding any more
}

TEST_F(Win32HidRead, ReportAlreadyWaitingIsReadAtOnce) {
    ASSERT_TRUE(device_.Send(kReport));
    const ReadStart started = hid_.StartRead(handle_, buffer_);
    if (started == ReadStart::Pending)
        EXPECT_EQ(hid_.WaitRead(handle_, 50), ReadWait::Completed);
    else
        EXPECT_EQ(started, ReadStart::Completed);
    EXPECT_EQ(buffer_, kReport);
}

TEST_F(Win32HidRead, CancelledReadIsSettledAndNeverWritesIntoItsBuffer) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    hid_.CancelRead(handle_);
    EXPECT_EQ(hid_.WaitRead(handle_, 0), ReadWait::Failed);
    ASSERT_TRUE(device_.Send(kReport));
    Sleep(20);
    EXPECT_EQ(buffer_[1], 0xee);

    // The report is still there for the next read.
    Report next{};
    const ReadStart started = hid_.StartRead(handle_, next);
    if (started == ReadStart::Pending) {
        EXPECT_EQ(hid_.WaitRead(handle_, 500), ReadWait::Completed);
    }
    EXPECT_EQ(next, kReport);
}

TEST_F(Win32HidRead, ClosingWithAReadPendingSettlesItFirst) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    hid_.Close(handle_);
    handle_ = kInvalidHandle;
    device_.Send(kReport);
    Sleep(20);
    EXPECT_EQ(buffer_[1], 0xee);
}

TEST_F(Win32HidRead, UnpluggedDeviceEndsThePendingReadAsFailed) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    device_.Unplug();
    EXPECT_EQ(hid_.WaitRead(handle_, 2000), ReadWait::Failed);
    EXPECT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Failed);
}

TEST_F(Win32HidRead, OneReadPerHandleAndUnknownHandlesFail) {
    ASSERT_EQ(hid_.StartRead(handle_, buffer_), ReadStart::Pending);
    Report other{};
    EXPECT_EQ(hid_.StartRead(handle_, other), ReadStart::Failed);
    EXPECT_EQ(hid_.StartRead(kInvalidHandle, other), ReadStart::Failed);
    EXPECT_EQ(hid_.WaitRead(kInvalidHandle, 0), ReadWait::Failed);
    hid_.CancelRead(kInvalidHandle);
    ASSERT_TRUE(device_.Send(kReport));
    EXPECT_EQ(hid_.WaitRead(handle_, 2000), ReadWait::Completed);
    EXPECT_EQ(buffer_, kReport);
}

TEST(Win32HidWrite, WritesTheWholeReportSynchronously) {
    PipeDevice device;
    ASSERT_TRUE(device.created());
    Win32HidSystem hid;
    const HidHandle handle = hid.OpenWrite(device.path());
    ASSERT_NE(handle, kInvalidHandle) << GetLastError();
    const std::array<std::uint8_t, 5> report = {0, 0x81, 0x02, 0x03, 0x2a};
    EXPECT_TRUE(hid.Write(handle, report));
    std::array<std::uint8_t, 16> received{};
    ASSERT_EQ(device.Receive(received.data(), received.size()), 5u);
    EXPECT_TRUE(std::equal(report.begin(), report.end(), received.begin()));
    hid.Close(handle);
    EXPECT_FALSE(hid.Write(kInvalidHandle, report));
}

TEST(Win32HidDiscovery, EnumeratesAndProbesWithoutAPendant) {
    Win32HidSystem hid;
    for (const std::string& path : hid.ListInterfaces()) EXPECT_FALSE(path.empty());

    EXPECT_EQ(hid.OpenProbe("\\\\.\\pipe\\k7-no-such-device"), kInvalidHandle);
    EXPECT_EQ(hid.OpenRead("\\\\.\\pipe\\k7-no-such-device"), kInvalidHandle);
    EXPECT_EQ(hid.OpenWrite("\\\\.\\pipe\\k7-no-such-device"), kInvalidHandle);

    // A pipe is no HID device: it has no attributes.
    PipeDevice notHid;
    const HidHandle probe = hid.OpenProbe(notHid.path());
    ASSERT_NE(probe, kInvalidHandle) << GetLastError();
    HidAttributes attributes;
    EXPECT_FALSE(hid.GetAttributes(probe, attributes));
    hid.Close(probe);
    EXPECT_FALSE(hid.GetAttributes(kInvalidHandle, attributes));
}

}  // namespace
}  // namespace k7
