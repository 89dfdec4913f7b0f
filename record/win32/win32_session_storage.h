// Recordings on Windows: %LOCALAPPDATA%\k7pendant\sessions (on Windows XP the
// same folder under "Local Settings\Application Data"), written through the
// wide-character file functions so that any user name works. The writer's
// thread holds a reference on the module, so the library stays loaded until
// the thread has left its code.
#pragma once

#include "record/session_storage.h"

namespace k7 {

class Win32SessionStorage final : public SessionStorage {
  public:
    std::string Folder(std::string& why) override;
    bool MakeFolder(const std::string& folder, std::string& why) override;
    std::vector<std::string> List(const std::string& folder) override;
    void Remove(const std::string& folder, const std::string& name) override;
    std::unique_ptr<SessionFile> Create(const std::string& folder, const std::string& name,
                                        std::string& why) override;
    std::string LocalTime() override;
    void Log(const std::string& line) override;
    std::unique_ptr<WriterThread> StartThread(void (*run)(void*), void* context) override;
};

}  // namespace k7
