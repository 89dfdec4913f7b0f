// An XML DOM over files held in memory, for tests of the settings and the
// store's save rules that must also run where no XML library exists (under
// wine the core tests have no pugixml). Files are text in a small XML subset:
// elements and text only, no attributes; anything else does not parse.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/xml_dom.h"
#include "tests/support/faulty_files.h"

namespace k7::test {

class MemoryDom final : public XmlDomFactory, private ProfileFiles {
  public:
    std::unique_ptr<XmlDocument> CreateDocument() override;
    ProfileFiles& files() override { return *this; }

    void SetFile(const std::string& path, const std::string& text) { files_[path] = text; }
    std::optional<std::string> File(const std::string& path) const;
    const std::map<std::string, std::string>& stored() const { return files_; }

    // Faults: the step that fails; a write fails after writing this many bytes.
    std::optional<FileStep> failAt;
    std::size_t failedWriteKeeps = 0;

    int saves = 0;                     // replaces that reached their target
    std::vector<std::string> lookups;  // names asked of FirstChild, in order

  private:
    FileRead Read(const std::string& path, std::string& bytes) override;
    std::string CreateUnique(const std::string& target) override;
    bool Write(const std::string& path, const std::string& bytes) override;
    bool Flush(const std::string&) override { return failAt != FileStep::Flush; }
    bool Replace(const std::string& source, const std::string& target) override;
    bool FlushDirectoryOf(const std::string&) override {
        return failAt != FileStep::FlushDirectory;
    }
    void Remove(const std::string& path) override { files_.erase(path); }

    std::map<std::string, std::string> files_;
    unsigned created_ = 0;
};

}  // namespace k7::test
