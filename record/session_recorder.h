// The session recorder: while a machinist has it on, each session of the
// plug-in (from PostInitControl to StopPlug) is written as one trace file that
// the simulator replays. The host's thread only appends records to a ring made
// at the start; a thread of the recorder's own turns them into text and writes
// the file. A ring that fills (the disk stalls), a file that reaches its cap or
// a disk that refuses a write ends that recording with a comment saying where
// and why; the plug-in goes on unchanged.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/recording_hid.h"
#include "record/recording_windows.h"
#include "record/session_storage.h"
#include "record/session_tap.h"

namespace k7 {

class SessionRecorder {
  public:
    static constexpr std::size_t kRingRecords = std::size_t{1} << 16;  // 2 MB, minutes of turning
    static constexpr std::size_t kFileCap = std::size_t{64} << 20;
    static constexpr std::size_t kFilesKept = 10;
    static constexpr int kWriterPeriodMs = 20;
    static constexpr int kJoinMs = 2000;

    SessionRecorder() = default;
    ~SessionRecorder() { End(); }
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;

    // The systems the plug-in is to use, passing through the recorder. Made
    // once; they only tell the tap while a recording runs.
    HidSystem& Hid(HidSystem& inner);
    WindowSystem& Windows(WindowSystem& inner);
    SessionTap& tap() { return tap_; }

    // A new file in the storage's folder, the oldest ones removed so that the
    // newest kFilesKept remain. False when none can be written: the reason is
    // logged and told at the top of the next recording.
    bool Begin(SessionStorage& storage, const std::vector<std::string>& header);
    // Into this file.
    bool Begin(SessionStorage& storage, std::unique_ptr<SessionFile> file,
               std::vector<std::string> header);
    bool recording() const { return thread_ != nullptr; }
    const std::string& fileName() const { return fileName_; }

    // For a simulated host that runs faster than real time, never for a real
    // one: with the ring half full, waits (at most a second) until the writer
    // has taken most of it.
    void CatchUp();

    // The session is over: the writer writes what is left and closes the
    // file. Waits at most kJoinMs; a writer still busy then is let go and
    // finishes on its own.
    void End();

  private:
    struct Shared;
    static void Run(void* context);
    std::unique_ptr<SessionFile> NewFile(SessionStorage& storage, std::string& why);

    SessionTap tap_;
    std::optional<RecordingHid> hid_;
    std::optional<RecordingWindows> windows_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<WriterThread> thread_;
    std::string fileName_;
};

}  // namespace k7
