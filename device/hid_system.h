// The HID seam: what the device link needs from the operating system. One
// implementation per platform (SetupAPI + HID class on Windows, hidraw + libudev
// on Linux) and a virtual one for the simulator and tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace k7 {

using HidHandle = std::intptr_t;
inline constexpr HidHandle kInvalidHandle = -1;

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
};

enum class ReadStart {
    Completed,  // the buffer already holds the report
    Pending,    // the system owns the buffer until WaitRead completes or CancelRead returns
    Failed,     // no read is outstanding
};

enum class ReadWait {
    Completed,  // the buffer holds the report; no read is outstanding
    TimedOut,   // still pending: the system still owns the buffer
    Failed,     // the read ended without a report; no read is outstanding
};

class HidSystem {
  public:
    virtual ~HidSystem() = default;

    // Device interface paths of the HID class present now, in enumeration order.
    virtual std::vector<std::string> ListInterfaces() = 0;

    // Opens with no access rights, only to read attributes; kInvalidHandle on failure.
    virtual HidHandle OpenProbe(const std::string& path) = 0;
    // Opens for overlapped reading; kInvalidHandle on failure.
    virtual HidHandle OpenRead(const std::string& path) = 0;
    // Opens for writing; kInvalidHandle on failure.
    virtual HidHandle OpenWrite(const std::string& path) = 0;

    // Vendor and product ids: true on success, false when they cannot be read.
    virtual bool GetAttributes(HidHandle probe, HidAttributes& attributes) = 0;

    // Starts one read of buffer.size() bytes. At most one read per handle.
    virtual ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) = 0;
    // Waits at most timeoutMs for the outstanding read. Time-out is not failure.
    virtual ReadWait WaitRead(HidHandle handle, int timeoutMs) = 0;
    // Cancels the outstanding read, if any, and returns only once the system no
    // longer writes into its buffer.
    virtual void CancelRead(HidHandle handle) = 0;

    // Queues the report without waiting: true when it was written or is under
    // way; false when the device refused it or the previous report is still
    // being written.
    virtual bool Write(HidHandle handle, std::span<const std::uint8_t> data) = 0;

    virtual void Close(HidHandle handle) = 0;
};

}  // namespace k7
