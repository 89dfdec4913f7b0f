#include "device/linux/report_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>

namespace k7 {

// Shared by the writer object and its thread, so that either may go first.
struct ReportWriter::Mailbox {
    Mailbox(int writeFd, int wakeFd) : fd(writeFd), wake(wakeFd) {}
    ~Mailbox() {
        if (fd >= 0) ::close(fd);
        if (wake >= 0) ::close(wake);
    }
    Mailbox(const Mailbox&) = delete;
    Mailbox& operator=(const Mailbox&) = delete;

    int fd;    // the thread's own duplicate; closed by the thread as it ends
    int wake;  // eventfd: a new report or the stop

    mutable std::mutex lock;  // held only to copy a report in or out, never across a write
    mutable std::condition_variable ended;
    std::uint8_t report[kMaxReport] = {};
    std::size_t size = 0;
    bool fresh = false;  // report not yet taken by the thread
    bool stop = false;
    bool finished = false;

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
    if (report.size() > kMaxReport) return false;
    {
        const std::lock_guard<std::mutex> guard(mailbox_->lock);
        if (mailbox_->stop) return false;
        std::memcpy(mailbox_->report, report.data(), report.size());
        mailbox_->size = report.size();
        mailbox_->fresh = true;
    }
    mailbox_->Wake();
    return true;
}

void ReportWriter::Stop() {
    {
        const std::lock_guard<std::mutex> guard(mailbox_->lock);
        if (mailbox_->stop) return;
        mailbox_->stop = true;
    }
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
    std::uint8_t report[kMaxReport];
    std::size_t size = 0;
    bool pending = false;  // a report taken from the mailbox and not yet written
    for (;;) {
        {
            const std::lock_guard<std::mutex> guard(box->lock);
            if (box->stop) break;
            if (box->fresh) {
                std::memcpy(report, box->report, box->size);
                size = box->size;
                box->fresh = false;
                pending = true;
            }
        }
        if (pending) {
            const ssize_t n = ::write(box->fd, report, size);
            if (n >= 0 || (errno != EAGAIN && errno != EINTR)) {
                // Written, or refused (the device is gone): either way this
                // report is done; the next one is tried afresh.
                pending = false;
                continue;
            }
            if (errno == EINTR) continue;
        }
        // Idle, or the device takes nothing now (a descriptor that would block):
        // wait for room, a newer report or the stop, whichever comes first.
        pollfd watch[2] = {{box->wake, POLLIN, 0}, {pending ? box->fd : -1, POLLOUT, 0}};
        if (::poll(watch, 2, -1) < 0 && errno != EINTR) break;
        if ((watch[0].revents & POLLIN) != 0) box->DrainWake();
        if ((watch[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) pending = false;
    }
    {
        const std::lock_guard<std::mutex> guard(box->lock);
        ::close(box->fd);
        box->fd = -1;
        box->finished = true;
    }
    box->ended.notify_all();
}

}  // namespace k7
