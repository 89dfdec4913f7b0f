// The output side of a hidraw node. A hidraw write waits for the device (it
// ignores O_NONBLOCK and returns only once the report went out, or after the
// USB time-out of 5 s), so it never runs on the host's thread: each node open
// for writing has a thread of its own that writes from a one-report mailbox.
// The newest report replaces one not yet written: the pendant only ever needs
// the latest state of its indicators.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>

namespace k7 {

class ReportWriter {
  public:
    // The longest report the mailbox holds.
    static constexpr std::size_t kMaxReport = 64;

    // Starts the thread on its own duplicate of `fd`, which the caller keeps.
    // Null when the system grants no thread or descriptor.
    static std::unique_ptr<ReportWriter> Start(int fd);

    // Stops the thread if nobody did, and waits for it to end, at most `kEndWait`
    // (longer than the USB time-out); a thread still inside a write then is let go.
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // Puts the report in the mailbox and wakes the thread, never waiting for the
    // device or the thread and never allocating. From one thread only (the
    // host's). False when the report is larger than the mailbox or the writer
    // was stopped.
    bool Post(std::span<const std::uint8_t> report);

    // Asks the thread to end without waiting for it: it ends at once when idle
    // or waiting for the device to take more, otherwise as soon as the write
    // under way returns. It closes its descriptor as it ends.
    void Stop();

    // Whether the thread has ended (its descriptor is closed).
    bool Finished() const;
    // Waits at most `timeout` for the thread to end; true when it has.
    bool WaitFinished(std::chrono::milliseconds timeout) const;

    static constexpr std::chrono::milliseconds kEndWait{6000};

  private:
    struct Mailbox;
    explicit ReportWriter(std::shared_ptr<Mailbox> mailbox);
    static void Run(std::shared_ptr<Mailbox> mailbox);

    std::shared_ptr<Mailbox> mailbox_;
    std::thread thread_;
};

}  // namespace k7
