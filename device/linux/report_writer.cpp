#include "device/linux/report_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>

namespace k7 {

// Shared by the writer object and its thread, so that either may go first.
// The mailbox is a triple buffer: the poster fills its own slot and swaps it
// with the middle one, the thread swaps the middle one with its own; neither
// ever waits for the other, so a post costs the tick a copy and a swap even
// while the thread is descheduled.
struct ReportWriter::Mailbox {
    Mailbox(int writeFd, int wakeFd) : fd(writeFd), wake(wakeFd) {}
    ~Mailbox() {
        if (fd >= 0) ::close(fd);
        if (wake >= 0) ::close(wake);
    }
    Mailbox(const Mailbox&) = delete;
    Mailbox& operator=(const Mailbox&) = delete;

    struct Slot {
        std::uint8_t bytes[kMaxReport] = {};
        std::size_t size = 0;
    };
    static constexpr unsigned kFresh = 4;  // with a slot index in the middle: not yet taken
    static constexpr unsigned kIndex = 3;

    int fd;    // the thread's own duplicate; closed by the thread as it ends
    int wake;  // eventfd: a new report or the stop

    Slot slots[3];
    unsigned posterSlot = 0;          // the poster's alone
    unsigned threadSlot = 1;          // the thread's alone
    std::atomic<unsigned> middle{2};  // index of the shared slot, kFresh when filled
    std::atomic<bool> stop{false};

    std::mutex lock;  // only for the end of the thread, never on the tick's path
    std::condition_variable ended;
    bool finished = false;

    // Poster: the filled slot becomes the middle one, replacing one not yet taken.
    void Publish() { posterSlot = middle.exchange(posterSlot | kFresh) & kIndex; }
    // Thread: takes the newest report if one came since the last take.
    const Slot* Take() {
        if ((middle.load() & kFresh) == 0) return nullptr;
        threadSlot = middle.exchange(threadSlot) & kIndex;
        return &slots[threadSlot];
    }

    void Wake() const {
        const std::uint64_t one = 1;
        ssize_t n;
        do {
            n = ::write(wake, &one, sizeof one);
        } while (n < 0 && errno == EINTR);
    }
    void DrainWake() const {
        std::uint64_t count = 0;
        while (::read(wake, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
};

std::unique_ptr<ReportWriter> ReportWriter::Start(int fd) {
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return nullptr;
    const int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0) {
        ::close(own);
        return nullptr;
    }
    auto mailbox = std::make_shared<Mailbox>(own, wake);
    std::unique_ptr<ReportWriter> writer(new ReportWriter(mailbox));
    // The thread takes no signal of the host's: all are blocked while it is
    // created, and it inherits that mask. A write to a pipe whose reader went
    // (a stand-in for the device) then fails with EPIPE instead of a SIGPIPE.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    try {
        writer->thread_ = std::thread(&ReportWriter::Run, mailbox);
    } catch (const std::system_error&) {
        writer.reset();
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return writer;
}

ReportWriter::ReportWriter(std::shared_ptr<Mailbox> mailbox) : mailbox_(std::move(mailbox)) {}

ReportWriter::~ReportWriter() {
    if (!thread_.joinable()) return;
    Stop();
    if (WaitFinished(kEndWait))
        thread_.join();
    else
        thread_.detach();  // still inside a write the kernel does not end; it owns its mailbox
}

bool ReportWriter::Post(std::span<const std::uint8_t> report) {
    if (report.size() > kMaxReport || mailbox_->stop.load()) return false;
    Mailbox::Slot& slot = mailbox_->slots[mailbox_->posterSlot];
    std::memcpy(slot.bytes, report.data(), report.size());
    slot.size = report.size();
    mailbox_->Publish();
    mailbox_->Wake();
    return true;
}

void ReportWriter::Stop() {
    if (mailbox_->stop.exchange(true)) return;
    mailbox_->Wake();
}

bool ReportWriter::Finished() const {
    const std::lock_guard<std::mutex> guard(mailbox_->lock);
    return mailbox_->finished;
}

bool ReportWriter::WaitFinished(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(mailbox_->lock);
    return mailbox_->ended.wait_for(guard, timeout, [this] { return mailbox_->finished; });
}

void ReportWriter::Run(std::shared_ptr<Mailbox> box) {
    const Mailbox::Slot* report = nullptr;  // taken from the mailbox, not yet written
    while (!box->stop.load()) {
        if (const Mailbox::Slot* newest = box->Take()) report = newest;
        if (report != nullptr) {
            const ssize_t n = ::write(box->fd, report->bytes, report->size);
            if (n >= 0 || (errno != EAGAIN && errno != EINTR)) {
                // Written, or refused (the device is gone): either way this
                // report is done; the next one is tried afresh.
                report = nullptr;
                continue;
            }
            if (errno == EINTR) continue;
        }
        // Idle, or the device takes nothing now (a descriptor that would block):
        // wait for room, a newer report or the stop, whichever comes first.
        pollfd watch[2] = {{box->wake, POLLIN, 0}, {report != nullptr ? box->fd : -1, POLLOUT, 0}};
        if (::poll(watch, 2, -1) < 0 && errno != EINTR) break;
        if ((watch[0].revents & POLLIN) != 0) box->DrainWake();
        if ((watch[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) report = nullptr;
    }
    ::close(box->fd);
    {
        const std::lock_guard<std::mutex> guard(box->lock);
        box->fd = -1;
        box->finished = true;
    }
    box->ended.notify_all();
}

}  // namespace k7
