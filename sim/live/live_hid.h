// The real HID system as live mode hands it to the plug-in: everything is
// passed through, except that `--device` narrows discovery to one node, and
// every report a read completes with is kept for the session's recording.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/hid_system.h"
#include "protocol/pendant_protocol.h"

namespace k7::sim::live {

class LiveHid final : public HidSystem {
  public:
    // onlyPath empty: every interface; otherwise only that one is listed.
    LiveHid(HidSystem& inner, std::string onlyPath) : inner_(inner), only_(std::move(onlyPath)) {}

    using Report = std::array<std::uint8_t, kInputReportSize>;
    // The reports the reads completed with since the last call, oldest first
    // (several when the pendant sent them faster than the tick).
    std::vector<Report> TakeReports();

    // The ids of an interface this view lists; false when they cannot be read
    // or the path is outside the view.
    bool Probe(const std::string& path, HidAttributes& attributes);

    std::vector<std::string> ListInterfaces() override;
    HidHandle OpenProbe(const std::string& path) override { return inner_.OpenProbe(path); }
    HidHandle OpenRead(const std::string& path) override { return inner_.OpenRead(path); }
    HidHandle OpenWrite(const std::string& path) override { return inner_.OpenWrite(path); }
    bool GetAttributes(HidHandle probe, HidAttributes& attributes) override {
        return inner_.GetAttributes(probe, attributes);
    }
    ReadStart StartRead(HidHandle handle, std::span<std::uint8_t> buffer) override;
    ReadWait WaitRead(HidHandle handle, int timeoutMs) override;
    void CancelRead(HidHandle handle) override;
    // Passed through untouched: the link may write from a thread of its own.
    bool Write(HidHandle handle, std::span<const std::uint8_t> data) override {
        return inner_.Write(handle, data);
    }
    void Close(HidHandle handle) override { inner_.Close(handle); }

  private:
    void Keep(std::span<const std::uint8_t> buffer);

    HidSystem& inner_;
    std::string only_;
    // The one read the link keeps outstanding: its handle and buffer.
    HidHandle reading_ = kInvalidHandle;
    std::span<std::uint8_t> buffer_;
    std::vector<Report> reports_;
};

}  // namespace k7::sim::live
