// The XML DOM on pugixml, for the Linux module and the simulator.
#pragma once

#include <memory>
#include <string>

#include "settings/xml_dom.h"

namespace k7 {

class PugiXmlDomFactory final : public XmlDomFactory {
  public:
    std::unique_ptr<XmlDocument> CreateDocument() override;
    // rename(2) over the target; refused when the target exists but may not be
    // written, so a profile the user made read-only stays as it is.
    bool MoveReplacing(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override;
};

}  // namespace k7
