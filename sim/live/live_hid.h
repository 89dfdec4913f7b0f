// The real HID system as live mode hands it to the plug-in: everything is
// passed through, except that `--device` narrows discovery to one node.
#pragma once

#include <string>
#include <vector>

#include "device/hid_system.h"

namespace k7::sim::live {

class LiveHid final : public HidSystem {
  public:
    // onlyPath empty: every interface; otherwise only that one is listed.
    LiveHid(HidSystem& inner, std::string onlyPath) : inner_(inner), only_(std::move(onlyPath)) {}

    std::vector<std::string> ListInterfaces() override;
    HidHandle OpenProbe(const std::string& path) override { return inner_.OpenProbe(path); }
    HidHandle OpenRead(const std::string& path) override { return inner_.OpenRead(path); }
    HidHandle OpenWrite(const std::string& path) override { return inner_.OpenWrite(path); }
    bool GetAttributes(HidHandle probe, HidAttributes& attributes) override {
        return inner_.GetAttributes(probe, attributes);
    }
    ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) override {
        return inner_.StartRead(handle, buffer);
    }
    ReadWait WaitRead(HidHandle handle, int timeoutMs) override {
        return inner_.WaitRead(handle, timeoutMs);
    }
    void CancelRead(HidHandle handle) override { inner_.CancelRead(handle); }
    bool Write(HidHandle handle, std::span<const std::uint8_t> data) override {
        return inner_.Write(handle, data);
    }
    void Close(HidHandle handle) override { inner_.Close(handle); }

  private:
    HidSystem& inner_;
    std::string only_;
};

}  // namespace k7::sim::live
