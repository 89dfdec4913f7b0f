// The link to the pendant over the HID seam: finds it among the HID interfaces,
// opens it for reading and writing, and moves one report each way per tick
// without ever waiting beyond the read window. Only an interface that shows the
// pendant's ids is ever opened for reading or writing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "device/hid_system.h"
#include "protocol/pendant_protocol.h"

namespace k7 {

class PendantLink {
  public:
    // More than the system keeps for one open handle (64 reports on Linux, 32 by
    // default on Windows) and 2.5 times what a full-speed USB device can send
    // in one 25 ms tick (25 at 1 kHz): one call always empties the queue of a
    // real pendant, and about 64 non-blocking reads bound what it costs.
    static constexpr int kMaxReadsPerCall = 64;

    explicit PendantLink(HidSystem& hid) : hid_(hid) {}
    // Settles a read in flight and closes every handle.
    ~PendantLink();
    PendantLink(const PendantLink&) = delete;
    PendantLink& operator=(const PendantLink&) = delete;

    // Closes whatever is open, then opens the first interface present now that
    // carries the pendant's ids and can be opened for reading, wherever its
    // path is. True when one was opened.
    bool Find();

    // Settles the read in flight and closes every handle; the link is no
    // longer connected. The path is kept to recognise the removal.
    void Close();

    // Whether a system path names the pendant's interface (letter case ignored).
    bool IsPendantPath(std::string_view path) const;

    // Takes every report the system holds now and leaves the newest in
    // `report`: the wheel's counter is absolute, so the newest holds every
    // count, and motion ends with the wheel whatever the pendant's report rate.
    // Only when nothing was waiting does it wait, at most windowMs, for one
    // report. Returns how many reports it took; 0 leaves `report` as it was (no
    // handle, failure, or a read still under way, carried over to the next call).
    // At most kMaxReadsPerCall are taken, so a device that floods can never
    // hold the caller: what is left is taken by the next call.
    int Read(std::uint8_t (&report)[kInputReportSize], int windowMs);

    // Hands the report to the system without waiting; a write still under way
    // makes this one skip.
    void Write(const std::uint8_t (&report)[kOutputReportSize]);

    bool connected() const { return connected_; }
    const std::string& devicePath() const { return devicePath_; }
    HidHandle readHandle() const { return readHandle_; }
    HidHandle writeHandle() const { return writeHandle_; }
    HidHandle probeHandle() const { return probeHandle_; }
    bool readPending() const { return readPending_; }
    // Reports taken since the link was made, whatever was opened.
    std::uint64_t reportsRead() const { return reportsRead_; }

  private:
    enum class Take { Report, Nothing, Failed };

    bool Open();
    // One report that is waiting now, without waiting for one.
    Take TakeWaiting();
    // Settles what WaitRead said about the read in flight.
    Take Settle(ReadWait waited);
    void CloseHandle(HidHandle& handle);
    void SettleRead();

    HidSystem& hid_;
    bool connected_ = false;
    std::string devicePath_;
    HidHandle readHandle_ = kInvalidHandle;
    HidHandle writeHandle_ = kInvalidHandle;
    HidHandle probeHandle_ = kInvalidHandle;

    // The system writes only into readBuffer_, and only while readPending_ is
    // set; a read still pending at the next tick is carried over and waited on
    // again instead of starting another into the same buffer.
    std::uint8_t readBuffer_[kInputReportSize] = {};
    bool readPending_ = false;
    std::uint64_t reportsRead_ = 0;
};

}  // namespace k7
