// The HID seam on Windows: SetupAPI enumeration of the HID class's device
// interfaces, HidD_GetAttributes on a handle opened without access rights, and
// overlapped reads on a manual-reset event.
#pragma once

#include <windows.h>

#include <array>
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
    Win32HidSystem(const Win32HidSystem&) = delete;
    Win32HidSystem& operator=(const Win32HidSystem&) = delete;

    std::vector<std::string> ListInterfaces() override;

    HidHandle OpenProbe(const std::string& path) override;
    // Overlapped, with a manual-reset event of its own.
    HidHandle OpenRead(const std::string& path) override;
    HidHandle OpenWrite(const std::string& path) override;

    bool GetAttributes(HidHandle probe, HidAttributes& attributes) override;

    ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) override;
    ReadWait WaitRead(HidHandle handle, int timeoutMs) override;
    // CancelIo, then waits for the read to finish so the buffer is free again.
    void CancelRead(HidHandle handle) override;

    bool Write(HidHandle handle, std::span<const std::uint8_t> data) override;
    // A read still outstanding is cancelled and settled before the handle goes.
    void Close(HidHandle handle) override;

  private:
    // The OVERLAPPED record and event of one read handle, at a fixed address
    // for as long as the handle is open; a fixed table, so reads never allocate.
    struct ReadSlot {
        HANDLE file = INVALID_HANDLE_VALUE;
        HANDLE event = nullptr;
        OVERLAPPED overlapped{};
        bool pending = false;
    };

    ReadSlot* FindSlot(HidHandle handle);
    static void Settle(ReadSlot& slot);

    std::array<ReadSlot, 4> slots_{};
};

}  // namespace k7
