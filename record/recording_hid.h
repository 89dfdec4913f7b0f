// The HID system as the recorder hands it to the device link: every call goes
// through unchanged, and what the link gets from it (the interface it opened,
// each report and how its read ended, each output report) is told to the tap.
#pragma once

#include <span>

#include "device/hid_system.h"
#include "record/session_tap.h"

namespace k7 {

class RecordingHid final : public HidSystem {
  public:
    RecordingHid(HidSystem& inner, SessionTap& tap) : inner_(inner), tap_(tap) {}

    std::vector<std::string> ListInterfaces() override { return inner_.ListInterfaces(); }
    HidHandle OpenProbe(const std::string& path) override { return inner_.OpenProbe(path); }
    HidHandle OpenRead(const std::string& path) override;
    HidHandle OpenWrite(const std::string& path) override { return inner_.OpenWrite(path); }
    bool GetAttributes(HidHandle probe, HidAttributes& attributes) override {
        return inner_.GetAttributes(probe, attributes);
    }
    ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) override;
    ReadWait WaitRead(HidHandle handle, int timeoutMs) override;
    void CancelRead(HidHandle handle) override { inner_.CancelRead(handle); }
    bool Write(HidHandle handle, std::span<const std::uint8_t> data) override;
    void Close(HidHandle handle) override { inner_.Close(handle); }

  private:
    HidSystem& inner_;
    SessionTap& tap_;
    std::span<std::uint8_t> buffer_;  // of the read outstanding (the link keeps one)
};

}  // namespace k7
