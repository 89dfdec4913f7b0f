// The HID seam on Windows: SetupAPI enumeration of the HID class's device
// interfaces, HidD_GetAttributes on a handle opened without access rights, and
// overlapped reads and writes, each handle with a manual-reset event of its own.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/hid_system.h"

namespace k7 {

class Win32HidSystem final : public HidSystem {
  public:
    Win32HidSystem() = default;
    ~Win32HidSystem() override;
    // Whether a read was abandoned: this object must then never be freed.
    bool abandonedIo() const;
    Win32HidSystem(const Win32HidSystem&) = delete;
    Win32HidSystem& operator=(const Win32HidSystem&) = delete;

    std::vector<std::string> ListInterfaces() override;

    HidHandle OpenProbe(const std::string& path) override;
    // Overlapped, with a manual-reset event of its own.
    HidHandle OpenRead(const std::string& path) override;
    // Overlapped too, so a device that stops taking reports cannot hold the tick.
    HidHandle OpenWrite(const std::string& path) override;

    bool GetAttributes(HidHandle probe, HidAttributes& attributes) override;

    // The system reads into the slot's own memory; a completed report is
    // copied into `buffer`, which must stay valid until the read is settled.
    ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) override;
    ReadWait WaitRead(HidHandle handle, int timeoutMs) override;
    // CancelIo, then waits a bounded time (kSettleMs) for the read to end. A
    // read the system does not give back in that time is abandoned with its
    // slot, which is never reused nor freed: nothing ever blocks on a device.
    void CancelRead(HidHandle handle) override;

    // Copies the report into the handle's own buffer and starts the write
    // without waiting; while the previous write is still under way it writes
    // nothing and returns false (the next tick sends a fresh report anyway).
    bool Write(HidHandle handle, std::span<const std::uint8_t> data) override;
    // A read or write still outstanding is cancelled and settled before the handle goes.
    void Close(HidHandle handle) override;

  private:
    // The OVERLAPPED record and event of one open handle, at a fixed address
    // for as long as the handle is open; fixed tables, so the tick never allocates.
    struct IoSlot {
        HANDLE file = INVALID_HANDLE_VALUE;
        HANDLE event = nullptr;
        OVERLAPPED overlapped{};
        bool pending = false;
        bool abandoned = false;  // the system may still write into it: never touched again
    };
    // The system writes a pending read's bytes here, not into the caller's
    // buffer, so that a read it never gives back costs no one else's memory.
    struct ReadSlot : IoSlot {
        std::array<std::uint8_t, 64> data{};
        std::span<std::uint8_t> target;
    };
    // The system reads a pending write's bytes until it completes, so they live
    // here rather than in the caller's buffer, which the next tick rewrites.
    struct WriteSlot : IoSlot {
        std::array<std::uint8_t, 64> data{};
    };

    static constexpr DWORD kSettleMs = 100;

    template <typename Slot, std::size_t N>
    static Slot* FindSlot(std::array<Slot, N>& slots, HidHandle handle);
    static bool Arm(IoSlot& slot, HANDLE file);
    static void Settle(IoSlot& slot);
    static void Release(IoSlot& slot);
    static void Deliver(ReadSlot& slot, DWORD count);

    std::array<ReadSlot, 4> readSlots_{};
    std::array<WriteSlot, 4> writeSlots_{};
};

}  // namespace k7
