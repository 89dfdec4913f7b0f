// The file operations a profile save is made of, one step each, so that the
// store can run them in the one safe order and a test can fail any of them.
// Each returns false on failure and then has changed nothing but its own
// temporary file.
#pragma once

#include <string>

namespace k7 {

enum class FileRead {
    Read,     // bytes hold the whole file
    Missing,  // there is no file at path
    Failed,   // it exists but could not be read (a directory, no permission, ...)
};

class ProfileFiles {
  public:
    virtual ~ProfileFiles() = default;

    virtual FileRead Read(const std::string& path, std::string& bytes) = 0;
    // Creates a new empty file in the directory of target under a name that no
    // other writer uses at the same time (created exclusively, never opened
    // if it exists); returns its path, or "" when none could be created.
    virtual std::string CreateUnique(const std::string& target) = 0;
    // Writes bytes into the file CreateUnique made; false on any short write.
    virtual bool Write(const std::string& path, const std::string& bytes) = 0;
    // Returns once the file's data is on the disk.
    virtual bool Flush(const std::string& path) = 0;
    // Puts source in the place of target in one step (the target keeps its
    // permissions). Refused for a target that may not be written: a profile
    // the user made read-only stays as it is.
    virtual bool Replace(const std::string& source, const std::string& target) = 0;
    // Returns once the replace of the entry for path is on the disk (where the
    // system needs the directory itself flushed for that).
    virtual bool FlushDirectoryOf(const std::string& path) = 0;
    // Deletes a file a failed save left behind; directories are never removed.
    virtual void Remove(const std::string& path) = 0;
};

}  // namespace k7
