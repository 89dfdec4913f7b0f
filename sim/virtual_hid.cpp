#include "sim/virtual_hid.h"

#include <algorithm>
#include <cstring>

#include "device/path_compare.h"
#include "protocol/pendant_protocol.h"

namespace k7::sim {

void VirtualHid::AddDevice(const std::string& path, std::uint16_t vid, std::uint16_t pid) {
    devices_.push_back(Device{path, vid, pid, true});
}

bool VirtualHid::RemoveDevice(const std::string& path) {
    Device* device = Find(path);
    if (device == nullptr || !device->present) return false;
    device->present = false;
    return true;
}

void VirtualHid::ArriveDevice(const std::string& path) {
    if (Device* device = Find(path)) {
        if (!device->present) ++device->generation;
        device->present = true;
        return;
    }
    AddDevice(path, kPendantVendorId, kPendantProductId);
}

void VirtualHid::ArriveDevice(const std::string& path, std::uint16_t vid, std::uint16_t pid) {
    if (Device* device = Find(path)) {
        if (!device->present || device->vid != vid || device->pid != pid) ++device->generation;
        device->present = true;
        device->vid = vid;
        device->pid = pid;
        return;
    }
    AddDevice(path, vid, pid);
}

bool VirtualHid::Present(const std::string& path) const {
    const Device* device = Find(path);
    return device != nullptr && device->present;
}

bool VirtualHid::Known(const std::string& path) const {
    return Find(path) != nullptr;
}

bool VirtualHid::LateReportWaiting() const {
    return std::any_of(reports_.begin() + static_cast<std::ptrdiff_t>(nextReport_), reports_.end(),
                       [](const auto& r) { return r.late; });
}

VirtualHid::Device* VirtualHid::Find(const std::string& path) {
    for (Device& device : devices_)
        if (PathsEqualIgnoringCase(device.path, path)) return &device;
    return nullptr;
}

const VirtualHid::Device* VirtualHid::Find(const std::string& path) const {
    return const_cast<VirtualHid*>(this)->Find(path);
}

std::string VirtualHid::PathOf(HidHandle handle) const {
    const auto it = handles_.find(handle);
    return it == handles_.end() ? std::string() : devices_[it->second.device].path;
}

int VirtualHid::OpenHandles() const {
    return static_cast<int>(handles_.size());
}

std::vector<std::string> VirtualHid::ListInterfaces() {
    std::vector<std::string> paths;
    for (const Device& device : devices_)
        if (device.present) paths.push_back(device.path);
    return paths;
}

HidHandle VirtualHid::Open(const std::string& path, Access access) {
    const Device* device = Find(path);
    if (device == nullptr || !device->present) return kInvalidHandle;
    if (access == Access::Write && failWriteOpens_) return kInvalidHandle;
    if (access == Access::Read && failReadOpens_) return kInvalidHandle;
    const HidHandle handle = nextHandle_++;
    handles_[handle] =
        Handle{static_cast<std::size_t>(device - devices_.data()), access, device->generation};
    return handle;
}

HidHandle VirtualHid::OpenProbe(const std::string& path) {
    const HidHandle handle = Open(path, Access::Probe);
    if (handle != kInvalidHandle) ++probesOpened_;
    return handle;
}

HidHandle VirtualHid::OpenRead(const std::string& path) {
    const HidHandle handle = Open(path, Access::Read);
    if (handle != kInvalidHandle) lastReadPath_ = path;
    return handle;
}

HidHandle VirtualHid::OpenWrite(const std::string& path) {
    return Open(path, Access::Write);
}

const VirtualHid::Device* VirtualHid::LiveDevice(HidHandle handle) const {
    const auto it = handles_.find(handle);
    if (it == handles_.end()) return nullptr;
    const Device& device = devices_[it->second.device];
    return device.present && device.generation == it->second.generation ? &device : nullptr;
}

bool VirtualHid::HandleUsable(HidHandle handle, Access access) const {
    const auto it = handles_.find(handle);
    return it != handles_.end() && it->second.access == access && LiveDevice(handle) != nullptr;
}

bool VirtualHid::GetAttributes(HidHandle probe, HidAttributes& attributes) {
    const Device* device = LiveDevice(probe);
    if (device == nullptr) return false;
    attributes.vendorId = device->vid;
    attributes.productId = device->pid;
    return true;
}

void VirtualHid::OnTickPeriod() {
    if (arrived_ != 0 || QueuedReports() == 0 || reports_[nextReport_].late) return;
    std::size_t next = nextReport_ + 1;
    while (next < reports_.size() && reports_[next].withPrevious) ++next;
    arrived_ = next - nextReport_;
}

// Moves the oldest report waiting in the system's queue into the buffer.
bool VirtualHid::TakeReport(std::span<std::uint8_t> buffer) {
    if (arrived_ == 0) return false;
    const InputReport& next = reports_[nextReport_];
    const std::size_t n = std::min(buffer.size(), sizeof next.bytes);
    std::memcpy(buffer.data(), next.bytes, n);
    --arrived_;
    if (++nextReport_ == reports_.size()) {
        reports_.clear();
        nextReport_ = 0;
    }
    return true;
}

ReadStart VirtualHid::StartRead(HidHandle handle, std::span<std::uint8_t> buffer) {
    if (pending_.handle != kInvalidHandle) {
        ++misuse_;  // a second read into a buffer the system may still write
        return ReadStart::Failed;
    }
    if (!HandleUsable(handle, Access::Read)) return ReadStart::Failed;
    if (TakeReport(buffer)) return ReadStart::Completed;
    pending_ = PendingRead{handle, buffer};
    return ReadStart::Pending;
}

ReadWait VirtualHid::WaitRead(HidHandle handle, int timeoutMs) {
    if (pending_.handle != handle) {
        ++misuse_;
        return ReadWait::Failed;
    }
    if (!HandleUsable(handle, Access::Read)) {
        pending_ = PendingRead{};
        return ReadWait::Failed;
    }
    if (TakeReport(pending_.buffer)) {
        pending_ = PendingRead{};
        return ReadWait::Completed;
    }
    // A late report arrives just after a real wait has given up.
    if (timeoutMs > 0 && arrived_ == 0 && QueuedReports() != 0 && reports_[nextReport_].late)
        arrived_ = 1;
    return ReadWait::TimedOut;
}

void VirtualHid::CancelRead(HidHandle handle) {
    if (pending_.handle == handle) pending_ = PendingRead{};
}

void VirtualHid::CompleteOutstandingRead() {
    if (pending_.handle == kInvalidHandle) return;
    std::memset(pending_.buffer.data(), 0xA5, pending_.buffer.size());
    pending_ = PendingRead{};
}

bool VirtualHid::Write(HidHandle handle, std::span<const std::uint8_t> data) {
    if (!HandleUsable(handle, Access::Write)) return false;
    lastWrittenSize_ = std::min(data.size(), sizeof lastWritten_);
    std::memcpy(lastWritten_, data.data(), lastWrittenSize_);
    ++writtenCount_;
    return true;
}

void VirtualHid::Close(HidHandle handle) {
    if (handles_.erase(handle) == 0) {
        ++misuse_;  // closed twice, or never opened
        return;
    }
    if (pending_.handle == handle) ++misuse_;  // closed with its read outstanding
}

}  // namespace k7::sim
