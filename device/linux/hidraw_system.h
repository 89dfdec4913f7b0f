// The HID seam on Linux: hidraw device nodes found through libudev. Reads are
// non-blocking underneath; a "pending" read is one that found no report yet
// and is completed by WaitRead's poll().
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/hid_system.h"
#include "device/linux/report_writer.h"

struct udev;

namespace k7 {

class HidrawSystem final : public HidSystem {
  public:
    HidrawSystem();
    // Waits for writer threads still inside a write (at most ReportWriter::kEndWait):
    // the module's code must outlive them.
    ~HidrawSystem() override;
    HidrawSystem(const HidrawSystem&) = delete;
    HidrawSystem& operator=(const HidrawSystem&) = delete;

    // The /dev/hidrawN nodes present now.
    std::vector<std::string> ListInterfaces() override;

    // An O_PATH descriptor: no access rights, enough to find the device in udev.
    HidHandle OpenProbe(const std::string& path) override;
    HidHandle OpenRead(const std::string& path) override;
    // Opened non-blocking, with a writer thread of its own (see ReportWriter).
    HidHandle OpenWrite(const std::string& path) override;

    // From the parent HID device's HID_ID, or else the USB device's idVendor/idProduct.
    bool GetAttributes(HidHandle probe, HidAttributes& attributes) override;

    ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) override;
    // Hang-up or ENODEV (the device is gone) ends the read as Failed.
    ReadWait WaitRead(HidHandle handle, int timeoutMs) override;
    void CancelRead(HidHandle handle) override;

    // Hands the report to the node's writer thread and returns at once: true
    // once it is in the mailbox (replacing one not yet written), false for a
    // handle not open for writing.
    bool Write(HidHandle handle, std::span<const std::uint8_t> data) override;
    // A write handle's thread is told to end and not waited for: a write under
    // way keeps only the thread's own descriptor until it returns.
    void Close(HidHandle handle) override;

  private:
    // One per open read descriptor; a fixed table, so reads never allocate.
    struct ReadSlot {
        int fd = -1;
        bool numberedReports = true;  // false: prefix the report ID 0 ourselves
        std::span<std::uint8_t> buffer;
        bool pending = false;
    };
    enum class Attempt { Report, Empty, Gone };

    // One per open write descriptor.
    struct WriteSlot {
        int fd = -1;
        std::unique_ptr<ReportWriter> writer;
    };

    ReadSlot* FindSlot(HidHandle handle);
    WriteSlot* FindWriteSlot(int fd);
    static Attempt TryRead(ReadSlot& slot);
    // Lets go of the writers of closed handles whose threads have ended.
    void ReapWriters();

    udev* udev_ = nullptr;
    std::array<ReadSlot, 4> slots_{};
    std::array<WriteSlot, 4> writeSlots_{};
    std::vector<std::unique_ptr<ReportWriter>> endingWriters_;  // stopped, maybe still writing
};

}  // namespace k7
