// A pendant interface over the real hidraw adapter whose reads come from one
// FIFO and whose writes go to another (a FIFO cannot stand for both ends of a
// node). Its ids are the pendant's; it is listed only while `present`.
#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "device/linux/hidraw_system.h"
#include "protocol/pendant_protocol.h"

namespace k7::test {

inline constexpr HidHandle kProbe = 7777;  // stands for the node's probe: only its ids are read

class FifoPendant final : public HidSystem {
  public:
    FifoPendant(std::string input, std::string output)
        : input_(std::move(input)), output_(std::move(output)) {}

    std::vector<std::string> ListInterfaces() override {
        if (!present) return {};
        return {"fifo-pendant"};
    }
    HidHandle OpenProbe(const std::string&) override { return kProbe; }
    HidHandle OpenRead(const std::string&) override { return hid_.OpenRead(input_); }
    HidHandle OpenWrite(const std::string&) override { return hid_.OpenWrite(output_); }
    bool GetAttributes(HidHandle, HidAttributes& attributes) override {
        attributes.vendorId = kPendantVendorId;
        attributes.productId = kPendantProductId;
        return true;
    }
    ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) override {
        return hid_.StartRead(handle, buffer);
    }
    ReadWait WaitRead(HidHandle handle, int timeoutMs) override {
        return hid_.WaitRead(handle, timeoutMs);
    }
    void CancelRead(HidHandle handle) override { hid_.CancelRead(handle); }
    bool Write(HidHandle handle, std::span<const std::uint8_t> data) override {
        return hid_.Write(handle, data);
    }
    void Close(HidHandle handle) override {
        if (handle != kProbe) hid_.Close(handle);
    }

    bool present = true;

  private:
    HidrawSystem hid_;
    std::string input_;
    std::string output_;
};

}  // namespace k7::test
