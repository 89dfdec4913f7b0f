// A FIFO in a private directory standing in for a hidraw node: the adapter
// opens it through the same path-based calls, and the test plays the device at
// its other end.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace k7::test {

class FifoDevice {
  public:
    FifoDevice() {
        char pattern[] = "/tmp/k7-hidraw-XXXXXX";
        if (mkdtemp(pattern) != nullptr) dir_ = pattern;
        path_ = dir_ + "/hidraw0";
        ::mkfifo(path_.c_str(), 0600);
    }
    ~FifoDevice() {
        CloseDeviceEnd();
        CloseFiller();
        ::unlink(path_.c_str());
        ::rmdir(dir_.c_str());
    }
    FifoDevice(const FifoDevice&) = delete;
    FifoDevice& operator=(const FifoDevice&) = delete;

    const std::string& path() const { return path_; }
    // The device's sending end; open once the adapter has its reading end.
    bool OpenSender() {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        return fd_ >= 0;
    }
    // The device's receiving end; open before the adapter opens for writing.
    bool OpenReceiver() {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        return fd_ >= 0;
    }
    bool Send(const std::uint8_t* data, std::size_t size) {
        return ::write(fd_, data, size) == static_cast<ssize_t>(size);
    }
    template <typename Bytes>
    bool Send(const Bytes& report) {
        return Send(report.data(), report.size());
    }
    ssize_t Receive(std::uint8_t* data, std::size_t size) { return ::read(fd_, data, size); }
    bool WaitReadable(int timeoutMs) {
        pollfd watch{fd_, POLLIN, 0};
        return ::poll(&watch, 1, timeoutMs) == 1;
    }
    void CloseDeviceEnd() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    // A receiving device that stops taking reports: its buffer (one page) is
    // filled to the brim from a second sending end, so that the next write of
    // a report would block.
    bool StopTaking() {
        if (::fcntl(fd_, F_SETPIPE_SZ, 4096) < 0) return false;
        if (filler_ < 0) filler_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        if (filler_ < 0) return false;
        const std::uint8_t byte = 0xff;
        while (::write(filler_, &byte, 1) == 1) {
        }
        return Pending() > 0;
    }
    void CloseFiller() {
        if (filler_ >= 0) ::close(filler_);
        filler_ = -1;
    }
    // Bytes waiting in the FIFO.
    int Pending() {
        int n = 0;
        return ::ioctl(fd_, FIONREAD, &n) == 0 ? n : -1;
    }
    // Reads until nothing more arrives for quietMs, or until end of file
    // (every sending end closed), which sets `ended`.
    std::vector<std::uint8_t> Drain(int quietMs, bool* ended = nullptr) {
        std::vector<std::uint8_t> bytes;
        std::uint8_t chunk[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0) {
                bytes.insert(bytes.end(), chunk, chunk + n);
                continue;
            }
            if (n == 0) {
                if (ended != nullptr) *ended = true;
                return bytes;
            }
            if (!WaitReadable(quietMs)) return bytes;
        }
    }

  private:
    std::string dir_;
    std::string path_;
    int fd_ = -1;
    int filler_ = -1;
};

}  // namespace k7::test
