// A HID system that hands every call to another one: test doubles derive from
// it and override only the calls they change.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "device/hid_system.h"

namespace k7::test {

class ForwardingHid : public HidSystem {
  public:
    explicit ForwardingHid(HidSystem& inner) : inner_(inner) {}

    std::vector<std::string> ListInterfaces() override { return inner_.ListInterfaces(); }
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
};

}  // namespace k7::test
