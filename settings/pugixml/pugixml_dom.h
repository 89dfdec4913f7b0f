// The XML DOM on pugixml, for the Linux module and the simulator.
#pragma once

#include <memory>
#include <string>

#include "settings/xml_dom.h"

namespace k7 {

class PugiXmlDomFactory final : public XmlDomFactory {
  public:
    // Durable saves reach the disk before they replace the profile. The
    // simulator turns that off: its profiles live in a scratch folder for one
    // trace, and a flush per save would cost more than the trace's ticks.
    explicit PugiXmlDomFactory(bool durable = true) : durable_(durable) {}
    void SetDurable(bool durable) { durable_ = durable; }

    std::unique_ptr<XmlDocument> CreateDocument() override;
    // rename(2) over the target; refused when the target exists but may not be
    // written, so a profile the user made read-only stays as it is.
    bool MoveReplacing(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override;

  private:
    bool durable_;
};

}  // namespace k7
