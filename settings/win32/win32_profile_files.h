// The profile's files on Windows, every error checked.
#pragma once

#include <string>

#include "settings/profile_files.h"

namespace k7 {

class Win32ProfileFiles final : public ProfileFiles {
  public:
    FileRead Read(const std::string& path, std::string& bytes) override;
    // "<target>.k7-save-<pid>-<n>-<ticks>", created with CREATE_NEW.
    std::string CreateUnique(const std::string& target) override;
    bool Write(const std::string& path, const std::string& bytes) override;
    bool Flush(const std::string& path) override;
    // MoveFileExA replacing the target, write-through: it returns once the
    // replace is on the disk. Refused for a read-only target, and by the
    // system while another process holds the target open without sharing.
    bool Replace(const std::string& source, const std::string& target) override;
    // Nothing left to do after a write-through replace.
    bool FlushDirectoryOf(const std::string& path) override;
    void Remove(const std::string& path) override;
};

}  // namespace k7
