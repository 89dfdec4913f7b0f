// A HID system in memory: devices in enumeration order, handles, and a virtual
// pendant whose queued reports arrive one per tick period (a group sent
// together arrives at once) and wait in the system's queue until a read takes
// them. It checks how the link uses it: every open handle, reads left
// outstanding, buffers in use.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device/hid_system.h"
#include "sim/sim_window.h"

namespace k7::sim {

struct InputReport {
    std::uint8_t bytes[8] = {};
    bool late = false;  // the read of the next tick does not complete within its wait
    // Sent together with the report queued before it, as by a pendant that
    // reports faster than the tick.
    bool withPrevious = false;
};

class VirtualHid final : public HidSystem, public TickFollower {
  public:
    // Devices: added in enumeration order; present until removed.
    void AddDevice(const std::string& path, std::uint16_t vid, std::uint16_t pid);
    // Marks the device absent (path compared ignoring case); false if not present.
    bool RemoveDevice(const std::string& path);
    // Makes a device present again, adding it at the end (with the pendant's
    // ids) when it was never known. A device that comes back is a new device:
    // handles opened on it before stay dead.
    void ArriveDevice(const std::string& path);
    // The same, but the interface at `path` takes these ids even when the path
    // was known: another device can take a path that was freed.
    void ArriveDevice(const std::string& path, std::uint16_t vid, std::uint16_t pid);
    bool Present(const std::string& path) const;
    bool Known(const std::string& path) const;

    // The virtual pendant's reports. One report, or one group sent together,
    // arrives each tick period once the reports before it have been read; a
    // late one arrives just after the wait of the tick's read has given up.
    void QueueReport(const InputReport& report) { reports_.push_back(report); }
    std::size_t QueuedReports() const { return reports_.size() - nextReport_; }
    // Arrived and not read yet: what a read finds without waiting.
    std::size_t WaitingReports() const { return arrived_; }
    bool LateReportWaiting() const;
    void OnTickPeriod() override;

    // What the link did.
    // Output reports: how many were written, and the last one (empty before the
    // first). Only the last is kept, so a write costs no allocation and a long
    // run no memory.
    std::size_t writtenCount() const { return writtenCount_; }
    std::vector<std::uint8_t> lastWritten() const {
        return {lastWritten_, lastWritten_ + lastWrittenSize_};
    }
    std::string PathOf(HidHandle handle) const;  // "" when not open
    int OpenHandles() const;
    int probesOpened() const { return probesOpened_; }
    // The path of the interface last opened for reading (the pendant the link
    // chose), as the link named it; "" when none ever was.
    const std::string& lastReadPath() const { return lastReadPath_; }
    bool ReadOutstanding() const { return pending_.handle != kInvalidHandle; }
    int misuse() const { return misuse_; }  // reads started twice, closed while pending, ...
    // Completes any read still outstanding into the buffer it was given, as a
    // system would: writing into memory the link has already freed shows as a
    // use-after-free under AddressSanitizer.
    void CompleteOutstandingRead();
    // Make the next opens for writing fail (a device that refuses writes).
    void FailWriteOpens(bool fail) { failWriteOpens_ = fail; }
    // Make the next opens for reading fail (another program holds the device).
    void FailReadOpens(bool fail) { failReadOpens_ = fail; }

    std::vector<std::string> ListInterfaces() override;
    HidHandle OpenProbe(const std::string& path) override;
    HidHandle OpenRead(const std::string& path) override;
    HidHandle OpenWrite(const std::string& path) override;
    bool GetAttributes(HidHandle probe, HidAttributes& attributes) override;
    ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) override;
    ReadWait WaitRead(HidHandle handle, int timeoutMs) override;
    void CancelRead(HidHandle handle) override;
    bool Write(HidHandle handle, std::span<const std::uint8_t> data) override;
    void Close(HidHandle handle) override;

  private:
    struct Device {
        std::string path;
        std::uint16_t vid = 0;
        std::uint16_t pid = 0;
        bool present = true;
        int generation = 0;  // a new device at the same path: one more
    };
    enum class Access { Probe, Read, Write };
    struct Handle {
        std::size_t device = 0;
        Access access = Access::Probe;
        int generation = 0;  // of the device it was opened on
    };
    struct PendingRead {
        HidHandle handle = kInvalidHandle;
        std::span<std::uint8_t> buffer;
    };

    Device* Find(const std::string& path);
    const Device* Find(const std::string& path) const;
    HidHandle Open(const std::string& path, Access access);
    bool HandleUsable(HidHandle handle, Access access) const;
    // The device the handle was opened on, if it is still there.
    const Device* LiveDevice(HidHandle handle) const;
    bool TakeReport(std::span<std::uint8_t> buffer);

    std::vector<Device> devices_;
    std::map<HidHandle, Handle> handles_;
    HidHandle nextHandle_ = 100;
    // Reports from nextReport_ on are queued, the first arrived_ of them in the
    // system's queue; the vector is emptied once all are read, so a steady
    // stream reuses its room instead of allocating.
    std::vector<InputReport> reports_;
    std::size_t nextReport_ = 0;
    std::size_t arrived_ = 0;
    PendingRead pending_;
    std::size_t writtenCount_ = 0;
    std::uint8_t lastWritten_[64] = {};
    std::size_t lastWrittenSize_ = 0;
    int probesOpened_ = 0;
    std::string lastReadPath_;
    int misuse_ = 0;
    bool failWriteOpens_ = false;
    bool failReadOpens_ = false;
};

}  // namespace k7::sim
