// The XML DOM on pugixml, for the Linux module and the simulator.
#pragma once

#include <memory>
#include <string>

#include "settings/pugixml/posix_file.h"
#include "settings/xml_dom.h"

namespace k7 {

class PugiXmlDomFactory final : public XmlDomFactory {
  public:
    PugiXmlDomFactory() = default;
    explicit PugiXmlDomFactory(bool durable) { files_.SetDurable(durable); }
    void SetDurable(bool durable) { files_.SetDurable(durable); }
    std::unique_ptr<XmlDocument> CreateDocument() override;
    ProfileFiles& files() override { return files_; }

  private:
    PosixProfileFiles files_;
};

}  // namespace k7
