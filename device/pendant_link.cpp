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
        probeHandle_ = probe;  // kept open with the link, also if the next line throws
        devicePath_ = path;
        if (Open()) return true;
    }
    return false;
}

// Connected only once the pendant can be read: a pendant another program holds
// is left closed, so that the next arrival searches again instead of every
// tick replaying the last report. One that refuses writes is still read.
bool PendantLink::Open() {
    readHandle_ = hid_.OpenRead(devicePath_);
    if (readHandle_ == kInvalidHandle) {
        Close();
        devicePath_.clear();
        return false;
    }
    writeHandle_ = hid_.OpenWrite(devicePath_);
    connected_ = true;
    return true;
}

void PendantLink::Close() {
    SettleRead();
    CloseHandle(readHandle_);
    CloseHandle(writeHandle_);
    CloseHandle(probeHandle_);
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

PendantLink::Take PendantLink::Settle(ReadWait waited) {
    if (waited == ReadWait::TimedOut) return Take::Nothing;  // still the system's
    readPending_ = false;
    return waited == ReadWait::Completed ? Take::Report : Take::Failed;
}

// A read completes at once when a report is waiting; one that the system
// holds as pending may still have completed without our waiting, which a look
// with no time-out tells.
PendantLink::Take PendantLink::TakeWaiting() {
    if (!readPending_) {
        const ReadStart started = hid_.StartRead(readHandle_, readBuffer_);
        if (started == ReadStart::Completed) return Take::Report;
        if (started == ReadStart::Failed) return Take::Failed;
        readPending_ = true;
    }
    return Settle(hid_.WaitRead(readHandle_, 0));
}

int PendantLink::Read(std::uint8_t (&report)[kInputReportSize], int windowMs) {
    if (readHandle_ == kInvalidHandle) return 0;
    Take took = TakeWaiting();
    if (took == Take::Nothing && windowMs > 0) took = Settle(hid_.WaitRead(readHandle_, windowMs));
    int taken = 0;
    while (took == Take::Report) {
        std::memcpy(report, readBuffer_, sizeof report);
        ++reportsRead_;
        if (++taken == kMaxReadsPerCall) break;
        took = TakeWaiting();
    }
    return taken;
}

void PendantLink::Write(const std::uint8_t (&report)[kOutputReportSize]) {
    if (writeHandle_ != kInvalidHandle) hid_.Write(writeHandle_, report);
}

}  // namespace k7
