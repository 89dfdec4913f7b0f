#include "settings/pugixml/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace

FileRead ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return FileRead::Failed;
    // One block for the whole file: growing it chunk by chunk copies a large
    // profile many times over.
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[16384];
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

bool WriteWholeFile(const std::string& path, const std::string& bytes, bool durable) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.get() < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    // The replace that follows must not expose a file whose data is still only
    // in the page cache: a crash would leave an empty profile behind.
    if (durable && ::fsync(file.get()) != 0) return false;
    return file.Close();
}

}  // namespace k7
