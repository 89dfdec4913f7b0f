// The XML DOM on the MSXML DOM document through COM, for the Windows DLL. The
// plug-in never initialises COM: the host has done so on its interface thread
// (a test host must do it itself).
#pragma once

#include <memory>
#include <string>

#include "settings/xml_dom.h"

namespace k7 {

class MsXmlDomFactory final : public XmlDomFactory {
  public:
    // Null when COM is not initialised or the DOM document class is not there.
    std::unique_ptr<XmlDocument> CreateDocument() override;
    // MoveFileExA replacing the target; refused for a read-only target, and by
    // the system while another process holds the target open.
    bool MoveReplacing(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override;
};

}  // namespace k7
