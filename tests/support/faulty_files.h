// File operations that fail at a chosen step of a save and otherwise do what
// the files they wrap do: the save's failure paths on a real file system,
// where permissions cannot make them fail (the tests may run as root).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/xml_dom.h"

namespace k7::test {

// The steps of a save, each of which a test can make fail.
enum class FileStep { Read, CreateUnique, Write, Flush, Replace, FlushDirectory };

class FaultyFiles final : public ProfileFiles {
  public:
    explicit FaultyFiles(ProfileFiles& real) : real_(real) {}

    std::optional<FileStep> failAt;
    std::vector<FileStep> steps;  // every step asked for, in order
    // Runs before a write, as another writer could at that moment.
    std::function<void(const std::string& path)> beforeWrite;

    FileRead Read(const std::string& path, std::string& bytes) override {
        steps.push_back(FileStep::Read);
        if (failAt == FileStep::Read) return FileRead::Failed;
        return real_.Read(path, bytes);
    }
    std::string CreateUnique(const std::string& target) override {
        steps.push_back(FileStep::CreateUnique);
        if (failAt == FileStep::CreateUnique) return {};
        return real_.CreateUnique(target);
    }
    // Fails halfway, as a full disk does: half the bytes are in the file.
    bool Write(const std::string& path, const std::string& bytes) override {
        steps.push_back(FileStep::Write);
        if (beforeWrite) std::exchange(beforeWrite, nullptr)(path);
        if (failAt != FileStep::Write) return real_.Write(path, bytes);
        real_.Write(path, bytes.substr(0, bytes.size() / 2));
        return false;
    }
    bool Flush(const std::string& path) override {
        steps.push_back(FileStep::Flush);
        return failAt != FileStep::Flush && real_.Flush(path);
    }
    bool Replace(const std::string& source, const std::string& target) override {
        steps.push_back(FileStep::Replace);
        return failAt != FileStep::Replace && real_.Replace(source, target);
    }
    bool FlushDirectoryOf(const std::string& path) override {
        steps.push_back(FileStep::FlushDirectory);
        return failAt != FileStep::FlushDirectory && real_.FlushDirectoryOf(path);
    }
    void Remove(const std::string& path) override { real_.Remove(path); }

  private:
    ProfileFiles& real_;
};

// An XML library with its files failing as told.
class FaultyFactory final : public XmlDomFactory {
  public:
    explicit FaultyFactory(XmlDomFactory& real) : real_(real), files_(real.files()) {}
    std::unique_ptr<XmlDocument> CreateDocument() override { return real_.CreateDocument(); }
    ProfileFiles& files() override { return files_; }
    FaultyFiles& faults() { return files_; }

  private:
    XmlDomFactory& real_;
    FaultyFiles files_;
};

}  // namespace k7::test
