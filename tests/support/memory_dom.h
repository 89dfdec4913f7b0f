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

namespace k7::test {

class MemoryDom final : public XmlDomFactory {
  public:
    std::unique_ptr<XmlDocument> CreateDocument() override;
    bool MoveReplacing(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override { files_.erase(path); }

    void SetFile(const std::string& path, const std::string& text) { files_[path] = text; }
    std::optional<std::string> File(const std::string& path) const;
    const std::map<std::string, std::string>& files() const { return files_; }

    // Faults: a save that stops after this many bytes and reports failure; a
    // replace the system refuses.
    std::optional<std::size_t> failSaveAfter;
    bool refuseReplace = false;

    int saves = 0;                     // completed saves, any path
    std::vector<std::string> lookups;  // names asked of FirstChild, in order

  private:
    friend class MemoryDocument;
    std::map<std::string, std::string> files_;
};

}  // namespace k7::test
