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
    explicit PendantLink(HidSystem& hid) : hid_(hid) {}
    // Settles a read in flight and closes every handle.
    ~PendantLink();
    PendantLink(const PendantLink&) = delete;
    PendantLink& operator=(const PendantLink&) = delete;

    // Closes whatever is open, then opens the first interface present now that
    // carries the pendant's ids, wherever its path is. True when one was found.
    bool Find();

    // Settles the read in flight and closes the read and write handles; the
    // link is no longer connected. The path is kept to recognise the removal.
    void Close();

    // Whether a system path names the pendant's interface (letter case ignored).
    bool IsPendantPath(std::string_view path) const;

    // Reads the next report into `report`, waiting at most windowMs. True when a
    // new report arrived; false leaves `report` as it was (no handle, failure,
    // or a read still under way, which is carried over to the next call).
    bool Read(std::uint8_t (&report)[kInputReportSize], int windowMs);

    // Hands the report to the system without waiting; a write still under way
    // makes this one skip.
    void Write(const std::uint8_t (&report)[kOutputReportSize]);

    bool connected() const { return connected_; }
    const std::string& devicePath() const { return devicePath_; }
    HidHandle readHandle() const { return readHandle_; }
    HidHandle writeHandle() const { return writeHandle_; }
    HidHandle probeHandle() const { return probeHandle_; }
    bool readPending() const { return readPending_; }

  private:
    void Open();
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
};

}  // namespace k7
