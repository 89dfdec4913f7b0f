// Recordings on Linux: $XDG_STATE_HOME/k7pendant/sessions (by default
// ~/.local/state/k7pendant/sessions), written with plain POSIX calls, a
// std::thread for the writer, and standard error as the log.
#pragma once

#include "record/session_storage.h"

namespace k7 {

class PosixSessionStorage final : public SessionStorage {
  public:
    // folder: where recordings go instead of the usual place (tests); empty for it.
    explicit PosixSessionStorage(std::string folder = {}) : folder_(std::move(folder)) {}

    std::string Folder(std::string& why) override;
    bool MakeFolder(const std::string& folder, std::string& why) override;
    std::vector<std::string> List(const std::string& folder) override;
    void Remove(const std::string& folder, const std::string& name) override;
    std::unique_ptr<SessionFile> Create(const std::string& folder, const std::string& name,
                                        std::string& why) override;
    std::string LocalTime() override;
    void Log(const std::string& line) override;
    std::unique_ptr<WriterThread> StartThread(void (*run)(void*), void* context) override;

    // A file opened for writing: what Create makes, also for a path given
    // outright (null, with why, when it cannot be made).
    static std::unique_ptr<SessionFile> OpenFile(const std::string& path, bool exclusive,
                                                 std::string& why);

  private:
    std::string folder_;
};

}  // namespace k7
