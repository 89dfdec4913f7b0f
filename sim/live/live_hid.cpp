#include "sim/live/live_hid.h"

#include <algorithm>

namespace k7::sim::live {

std::vector<std::string> LiveHid::ListInterfaces() {
    std::vector<std::string> paths = inner_.ListInterfaces();
    if (only_.empty()) return paths;
    const bool present = std::find(paths.begin(), paths.end(), only_) != paths.end();
    return present ? std::vector<std::string>{only_} : std::vector<std::string>{};
}

bool LiveHid::Probe(const std::string& path, HidAttributes& attributes) {
    if (!only_.empty() && path != only_) return false;
    const HidHandle probe = inner_.OpenProbe(path);
    if (probe == kInvalidHandle) return false;
    const bool read = inner_.GetAttributes(probe, attributes);
    inner_.Close(probe);
    return read;
}

void LiveHid::Keep(std::span<const std::uint8_t> buffer) {
    Report report{};
    std::copy_n(buffer.begin(), std::min(buffer.size(), report.size()), report.begin());
    reports_.push_back(report);
}

ReadStart LiveHid::StartRead(HidHandle handle, std::span<std::uint8_t> buffer) {
    const ReadStart started = inner_.StartRead(handle, buffer);
    if (started == ReadStart::Completed) Keep(buffer);
    if (started == ReadStart::Pending) {
        reading_ = handle;
        buffer_ = buffer;
    }
    return started;
}

ReadWait LiveHid::WaitRead(HidHandle handle, int timeoutMs) {
    const ReadWait waited = inner_.WaitRead(handle, timeoutMs);
    if (waited == ReadWait::TimedOut) return waited;
    if (waited == ReadWait::Completed && handle == reading_) Keep(buffer_);
    if (handle == reading_) {
        reading_ = kInvalidHandle;
        buffer_ = {};
    }
    return waited;
}

void LiveHid::CancelRead(HidHandle handle) {
    inner_.CancelRead(handle);
    if (handle == reading_) {
        reading_ = kInvalidHandle;
        buffer_ = {};
    }
}

std::vector<LiveHid::Report> LiveHid::TakeReports() {
    std::vector<Report> reports;
    reports.swap(reports_);
    return reports;
}

}  // namespace k7::sim::live
