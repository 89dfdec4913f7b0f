#include "record/linux/posix_session_storage.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

namespace k7 {
namespace {

std::string Reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

class PosixFile final : public SessionFile {
  public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }
    bool Write(std::string_view text) override {
        while (!text.empty()) {
            const ssize_t n = ::write(fd_, text.data(), text.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            text.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

  private:
    int fd_;
};

// The thread is joined once it has said it is done, so a wait can end.
class PosixThread final : public WriterThread {
  public:
    PosixThread(void (*run)(void*), void* context) {
        thread_ = std::thread([run, context, state = state_] {
            run(context);
            const std::lock_guard lock(state->mutex);
            state->done = true;
            state->ended.notify_all();
        });
    }
    ~PosixThread() override {
        if (thread_.joinable()) thread_.detach();
    }
    bool Join(int timeoutMs) override {
        std::unique_lock lock(state_->mutex);
        if (!state_->ended.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [this] { return state_->done; }))
            return false;
        lock.unlock();
        thread_.join();
        return true;
    }

  private:
    struct State {
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::thread thread_;
};

}  // namespace

std::string PosixSessionStorage::Folder(std::string& why) {
    if (!folder_.empty()) return folder_;
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/k7pendant/sessions";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/state/k7pendant/sessions";
    why = "neither XDG_STATE_HOME nor HOME names a folder";
    return "";
}

bool PosixSessionStorage::MakeFolder(const std::string& folder, std::string& why) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            why = Reason("cannot make", part);
            return false;
        }
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        why = folder + " is not a folder";
        return false;
    }
    return true;
}

std::vector<std::string> PosixSessionStorage::List(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

void PosixSessionStorage::Remove(const std::string& folder, const std::string& name) {
    ::unlink((folder + "/" + name).c_str());
}

std::unique_ptr<SessionFile> PosixSessionStorage::OpenFile(const std::string& path, bool exclusive,
                                                           std::string& why) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) {
        why = Reason("cannot write", path);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
}

std::unique_ptr<SessionFile> PosixSessionStorage::Create(const std::string& folder,
                                                         const std::string& name,
                                                         std::string& why) {
    return OpenFile(folder + "/" + name, true, why);
}

std::string PosixSessionStorage::LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

void PosixSessionStorage::Log(const std::string& line) {
    std::fprintf(stderr, "k7pendant: %s\n", line.c_str());
}

std::unique_ptr<WriterThread> PosixSessionStorage::StartThread(void (*run)(void*), void* context) {
    return std::make_unique<PosixThread>(run, context);
}

}  // namespace k7
