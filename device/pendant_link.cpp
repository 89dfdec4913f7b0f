#include "device/pendant_link.h"

#include <cstring>

#include "device/path_compare.h"

namespace k7 {

PendantLink::~PendantLink() {
    SettleRead();
    CloseHandle(probeHandle_);
    CloseHandle(readHandle_);
    CloseHandle(writeHandle_);
}

bool PendantLink::Find() {
    Close();
    CloseHandle(probeHandle_);
    devicePath_.clear();
    for (const std::string& path : hid_.ListInterfaces()) {
        HidHandle probe = hid_.OpenProbe(path);
        HidAttributes attributes;
        const bool matched = probe != kInvalidHandle && hid_.GetAttributes(probe, attributes) &&
                             attributes.vendorId == kPendantVendorId &&
                             attributes.productId == kPendantProductId;
        if (!matched) {
            CloseHandle(probe);
            continue;
        }
        probeHandle_ = probe;  // kept open until the link goes, also if the next line throws
        devicePath_ = path;
        Open();
        return true;
    }
    return false;
}

void PendantLink::Open() {
    connected_ = true;
    readHandle_ = hid_.OpenRead(devicePath_);
    writeHandle_ = hid_.OpenWrite(devicePath_);
}

void PendantLink::Close() {
    SettleRead();
    CloseHandle(readHandle_);
    CloseHandle(writeHandle_);
    connected_ = false;
}

bool PendantLink::IsPendantPath(std::string_view path) const {
    return !devicePath_.empty() && PathsEqualIgnoringCase(path, devicePath_);
}

void PendantLink::CloseHandle(HidHandle& handle) {
    if (handle != kInvalidHandle) hid_.Close(handle);
    handle = kInvalidHandle;
}

void PendantLink::SettleRead() {
    if (readPending_ && readHandle_ != kInvalidHandle) hid_.CancelRead(readHandle_);
    readPending_ = false;
}

bool PendantLink::Read(std::uint8_t (&report)[kInputReportSize], int windowMs) {
    if (readHandle_ == kInvalidHandle) return false;
    if (!readPending_) {
        const ReadStart started = hid_.StartRead(readHandle_, readBuffer_);
        if (started == ReadStart::Completed) {
            std::memcpy(report, readBuffer_, sizeof report);
            return true;
        }
        if (started == ReadStart::Failed) return false;
        readPending_ = true;
    }
    const ReadWait waited = hid_.WaitRead(readHandle_, windowMs);
    if (waited == ReadWait::TimedOut) return false;  // carried over to the next call
    readPending_ = false;
    if (waited != ReadWait::Completed) return false;
    std::memcpy(report, readBuffer_, sizeof report);
    return true;
}

void PendantLink::Write(const std::uint8_t (&report)[kOutputReportSize]) {
    if (writeHandle_ != kInvalidHandle) hid_.Write(writeHandle_, report);
}

}  // namespace k7
