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
#include "tests/support/forwarding_hid.h"

namespace k7::test {

inline constexpr HidHandle kProbe = 7777;  // stands for the node's probe: only its ids are read

class FifoPendant final : public ForwardingHid {
  public:
    FifoPendant(std::string input, std::string output)
        : ForwardingHid(hid_), input_(std::move(input)), output_(std::move(output)) {}

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
    void Close(HidHandle handle) override {
        if (handle != kProbe) hid_.Close(handle);
    }

    bool present = true;

  private:
    // The base keeps only this member's address, taken before it is built.
    HidrawSystem hid_;
    std::string input_;
    std::string output_;
};

}  // namespace k7::test
