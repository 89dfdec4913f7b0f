// The overlapped read, wait, cancel and write logic of the Windows HID adapter,
// with a named pipe standing in for the device: the adapter opens the pipe's
// path exactly as it opens a device interface path.
#include "device/win32/win32_hid_system.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace k7::test {
namespace {

using Report = std::array<std::uint8_t, 8>;
constexpr Report kReport = {0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};

// The device's end of the pipe.
class PipeDevice {
  public:
    // bufferSize bounds what the device takes in before writes to it stay pending.
    explicit PipeDevice(DWORD bufferSize = 256) {
        static int serial = 0;
        path_ = "\\\\.\\pipe\\k7-hid-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial);
        pipe_ = CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 256,
                                 bufferSize, 0, nullptr);
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
    DWORD Available() {
        DWORD available = 0;
        return PeekNamedPipe(pipe_, nullptr, 0, nullptr, &available, nullptr) ? available : 0;
    }
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

using OutputReport = std::array<std::uint8_t, 5>;
constexpr OutputReport kOutput = {0, 0x81, 0x02, 0x03, 0x2a};

// Collects what the device has been sent until `size` bytes are in or timeoutMs passed.
std::vector<std::uint8_t> ReceiveAll(PipeDevice& device, std::size_t size, DWORD timeoutMs) {
    std::vector<std::uint8_t> received;
    const DWORD start = GetTickCount();
    while (received.size() < size && GetTickCount() - start < timeoutMs) {
        const DWORD available = device.Available();
        if (available == 0) {
            Sleep(1);
            continue;
        }
        std::vector<std::uint8_t> chunk(available);
        chunk.resize(device.Receive(chunk.data(), available));
        received.insert(received.end(), chunk.begin(), chunk.end());
    }
    return received;
}

// The handles this process holds, found by asking about every small handle value
// (GetProcessHandleCount is no help: wine always answers 0).
int CountOpenHandles() {
    int open = 0;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < 0x1000; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
    return open;
}

// Writes until the adapter refuses a report because the one before is still
// under way; the number accepted, or -1 when none was refused.
int WriteUntilRefused(Win32HidSystem& hid, HidHandle handle) {
    for (int accepted = 0; accepted < 100; ++accepted)
        if (!hid.Write(handle, kOutput)) return accepted;
    return -1;
}

TEST(Win32HidWrite, WritesTheWholeReport) {
    PipeDevice device;
    ASSERT_TRUE(device.created());
    Win32HidSystem hid;
    const HidHandle handle = hid.OpenWrite(device.path());
    ASSERT_NE(handle, kInvalidHandle) << GetLastError();
    EXPECT_TRUE(hid.Write(handle, kOutput));
    const std::vector<std::uint8_t> received = ReceiveAll(device, kOutput.size(), 2000);
    EXPECT_TRUE(std::equal(received.begin(), received.end(), kOutput.begin(), kOutput.end()));
    hid.Close(handle);
    EXPECT_FALSE(hid.Write(handle, kOutput));  // closed: no longer the adapter's
    EXPECT_FALSE(hid.Write(kInvalidHandle, kOutput));
}

TEST(Win32HidWrite, RefusesReportsItCannotCopy) {
    PipeDevice device;
    ASSERT_TRUE(device.created());
    Win32HidSystem hid;
    const HidHandle handle = hid.OpenWrite(device.path());
    ASSERT_NE(handle, kInvalidHandle) << GetLastError();
    const std::array<std::uint8_t, 65> oversized{};
    EXPECT_FALSE(hid.Write(handle, oversized));
    EXPECT_FALSE(hid.Write(handle, std::span<const std::uint8_t>()));
    EXPECT_EQ(device.Available(), 0u);
    hid.Close(handle);
}

// A device whose small buffer nobody empties: the pendant that stopped taking
// output reports.
class Win32HidStalledWrite : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(device_.created());
        handle_ = hid_.OpenWrite(device_.path());
        ASSERT_NE(handle_, kInvalidHandle) << GetLastError();
    }
    void TearDown() override {
        if (handle_ != kInvalidHandle) hid_.Close(handle_);
    }

    PipeDevice device_{8};
    Win32HidSystem hid_;
    HidHandle handle_ = kInvalidHandle;
};

TEST_F(Win32HidStalledWrite, WritesReturnAtOnceAndAreRefusedWhileOneIsPending) {
    std::array<bool, 200> accepted{};
    const DWORD before = GetTickCount();
    for (bool& result : accepted) result = hid_.Write(handle_, kOutput);
    EXPECT_LT(GetTickCount() - before, 1000u);

    EXPECT_TRUE(accepted[0]);
    const auto firstRefused = std::find(accepted.begin(), accepted.end(), false);
    ASSERT_NE(firstRefused, accepted.end()) << "no write was ever left pending";
    EXPECT_LE(firstRefused - accepted.begin(), 3);
    // Nobody reads, so the pending write never finishes and nothing more goes out.
    EXPECT_TRUE(std::none_of(firstRefused, accepted.end(), [](bool result) { return result; }));
}

TEST_F(Win32HidStalledWrite, DeviceGetsTheReportsAsQueuedAndTakesNewOnesOnceItReads) {
    std::vector<std::uint8_t> queued;
    OutputReport report{};
    for (std::uint8_t serial = 0; serial < 20; ++serial) {
        report = {0, 0x81, serial, static_cast<std::uint8_t>(~serial), 0x2a};
        if (hid_.Write(handle_, report)) queued.insert(queued.end(), report.begin(), report.end());
        report.fill(0xdd);  // the caller reuses its buffer at once
    }
    ASSERT_FALSE(queued.empty());
    ASSERT_LT(queued.size(), 20 * report.size());
    EXPECT_EQ(ReceiveAll(device_, queued.size(), 2000), queued);

    // The device has read everything: the pending write completes and the
    // next report is taken.
    bool resumed = false;
    const DWORD start = GetTickCount();
    while (!resumed && GetTickCount() - start < 1000) {
        resumed = hid_.Write(handle_, kOutput);
        if (!resumed) Sleep(1);
    }
    ASSERT_TRUE(resumed);
    const std::vector<std::uint8_t> next = ReceiveAll(device_, kOutput.size(), 2000);
    EXPECT_TRUE(std::equal(next.begin(), next.end(), kOutput.begin(), kOutput.end()));
}

TEST(Win32HidWrite, ClosingWithAWritePendingReturnsAndFreesEverything) {
    Win32HidSystem hid;
    const int handlesBefore = CountOpenHandles();
    // More rounds than the adapter has write slots: each close must free its slot.
    for (int round = 0; round < 6; ++round) {
        PipeDevice device(8);
        ASSERT_TRUE(device.created());
        const HidHandle handle = hid.OpenWrite(device.path());
        ASSERT_NE(handle, kInvalidHandle) << "round " << round << ": " << GetLastError();
        ASSERT_GT(WriteUntilRefused(hid, handle), 0);
        const DWORD before = GetTickCount();
        hid.Close(handle);
        EXPECT_LT(GetTickCount() - before, 1000u);
    }
    EXPECT_EQ(CountOpenHandles(), handlesBefore);
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
}  // namespace k7::test
