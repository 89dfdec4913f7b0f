#include "record/recording_hid.h"

namespace k7 {

HidHandle RecordingHid::OpenRead(const std::string& path) {
    const HidHandle handle = inner_.OpenRead(path);
    if (handle != kInvalidHandle) tap_.Opened(path);
    return handle;
}

ReadStart RecordingHid::StartRead(HidHandle handle, std::span<std::uint8_t> buffer) {
    buffer_ = buffer;
    const ReadStart started = inner_.StartRead(handle, buffer);
    if (started == ReadStart::Completed) tap_.Report(buffer, false);
    if (started == ReadStart::Failed) tap_.ReadFailed();
    return started;
}

ReadWait RecordingHid::WaitRead(HidHandle handle, int timeoutMs) {
    const ReadWait waited = inner_.WaitRead(handle, timeoutMs);
    if (waited == ReadWait::Completed) tap_.Report(buffer_, timeoutMs > 0);
    if (waited == ReadWait::Failed) tap_.ReadFailed();
    if (waited == ReadWait::TimedOut && timeoutMs > 0) tap_.WaitTimedOut();
    return waited;
}

bool RecordingHid::Write(HidHandle handle, std::span<const std::uint8_t> data) {
    tap_.Output(data);
    return inner_.Write(handle, data);
}

}  // namespace k7
