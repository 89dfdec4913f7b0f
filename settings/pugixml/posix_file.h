// The profile's files on a POSIX system, every error checked.
#pragma once

#include <string>

#include "settings/profile_files.h"

namespace k7 {

class PosixProfileFiles final : public ProfileFiles {
  public:
    // Without durability the two flushes are skipped: for scratch files (the
    // simulator, the fuzzers), never for a host's profile.
    void SetDurable(bool durable) { durable_ = durable; }
    FileRead Read(const std::string& path, std::string& bytes) override;
    // "<target>.k7-save-<pid>-<n>-<clock>", opened with O_EXCL.
    std::string CreateUnique(const std::string& target) override;
    bool Write(const std::string& path, const std::string& bytes) override;
    bool Flush(const std::string& path) override;
    // rename(2) over the target, with the target's permission bits; refused when
    // the target exists but may not be written.
    bool Replace(const std::string& source, const std::string& target) override;
    // fsync(2) of the directory: a rename is only durable once its directory is.
    bool FlushDirectoryOf(const std::string& path) override;
    void Remove(const std::string& path) override;

  private:
    bool durable_ = true;
};

}  // namespace k7
