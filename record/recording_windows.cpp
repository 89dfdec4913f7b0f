#include "record/recording_windows.h"

#include <string_view>

namespace k7 {

void RecordingWindows::Relay::OnTimer() {
    tap.Begin(RecordKind::Tick);
    target->OnTimer();
    tap.End(RecordKind::TickEnd);
}

void RecordingWindows::Relay::OnDeviceChange(const DeviceChange& change) {
    const bool named = change.deviceType == kDevTypeDeviceInterface && change.name != nullptr;
    tap.Begin(RecordKind::Notice, static_cast<std::int32_t>(change.code),
              named ? record_flags::kInterface : 0,
              named ? std::string_view(change.name) : std::string_view());
    target->OnDeviceChange(change);
    tap.End(RecordKind::NoticeEnd);
}

}  // namespace k7
