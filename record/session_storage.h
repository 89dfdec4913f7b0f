// What the recorder needs from the system: the folder recordings go to, its
// files, the local time for their names, a log for when nothing can be
// written, and the writer's thread. One implementation per platform.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace k7 {

// One recording being written; closed when destroyed.
class SessionFile {
  public:
    virtual ~SessionFile() = default;
    // False when the system refused it (the disk full, the file gone).
    virtual bool Write(std::string_view text) = 0;
};

class WriterThread {
  public:
    // A thread not joined is let go: it ends on its own.
    virtual ~WriterThread() = default;
    // Waits at most timeoutMs for the thread to end; true when it has.
    virtual bool Join(int timeoutMs) = 0;
};

class SessionStorage {
  public:
    virtual ~SessionStorage() = default;

    // The folder recordings go to; empty, with why, when none can be named.
    virtual std::string Folder(std::string& why) = 0;
    // Makes the folder and those above it; false, with why, when it cannot.
    virtual bool MakeFolder(const std::string& folder, std::string& why) = 0;
    // The names of the files in the folder.
    virtual std::vector<std::string> List(const std::string& folder) = 0;
    virtual void Remove(const std::string& folder, const std::string& name) = 0;
    // A new file (never one that exists); null, with why, when it cannot be made.
    virtual std::unique_ptr<SessionFile> Create(const std::string& folder, const std::string& name,
                                                std::string& why) = 0;
    // Now, local time, as YYYYMMDD-HHMMSS.
    virtual std::string LocalTime() = 0;
    // A line for whoever looks after the machine; where there is none, nothing.
    virtual void Log(const std::string& line) = 0;
    // Runs run(context) on a thread of its own.
    virtual std::unique_ptr<WriterThread> StartThread(void (*run)(void*), void* context) = 0;
};

}  // namespace k7
