#include "settings/pugixml/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace k7 {
namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and tells whether the close (the last chance to see a write
    // error on some file systems) succeeded.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

FileRead PosixProfileFiles::Read(const std::string& path, std::string& bytes) {
    bytes.clear();
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return FileRead::Failed;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), chunk, sizeof chunk);
        if (n == 0) return FileRead::Read;
        if (n < 0) {
            if (errno == EINTR) continue;
            return FileRead::Failed;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string PosixProfileFiles::CreateUnique(const std::string& target) {
    // The process and a counter make the name unique among this machine's
    // writers; the clock, among machines sharing the directory. O_EXCL makes
    // sure whatever remains is never shared: a taken name is skipped.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto clock = static_cast<unsigned long long>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        char suffix[80];
        std::snprintf(suffix, sizeof suffix, ".k7-save-%ld-%u-%llx", static_cast<long>(::getpid()),
                      ++counter, clock);
        std::string path = target + suffix;  // returned by move: no allocation once created
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

bool PosixProfileFiles::Write(const std::string& path, const std::string& bytes) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (file.get() < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return file.Close();
}

bool PosixProfileFiles::Flush(const std::string& path) {
    // The replace that follows must not expose a file whose data is still only
    // in the page cache: a crash would leave an empty profile behind.
    if (!durable_) return true;
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (file.get() < 0) return false;
    if (::fsync(file.get()) != 0) return false;
    return file.Close();
}

bool PosixProfileFiles::Replace(const std::string& source, const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        // Checked by the mode bits too: a privileged process passes access().
        const bool readOnly = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
        if (readOnly || ::access(target.c_str(), W_OK) != 0) return false;
        // The new file takes the place of the old one with its permissions.
        if (::chmod(source.c_str(), info.st_mode & 07777) != 0) return false;
    } else if (errno != ENOENT) {
        return false;
    }
    return std::rename(source.c_str(), target.c_str()) == 0;
}

bool PosixProfileFiles::FlushDirectoryOf(const std::string& path) {
    if (!durable_) return true;
    Descriptor directory(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() < 0) return false;
    if (::fsync(directory.get()) != 0) return false;
    return directory.Close();
}

void PosixProfileFiles::Remove(const std::string& path) {
    ::unlink(path.c_str());
}

}  // namespace k7
