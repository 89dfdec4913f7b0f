// The XML DOM on the MSXML DOM document through COM, for the Windows DLL. The
// plug-in never initialises COM: the host has done so on its interface thread
// (a test host must do it itself).
#pragma once

#include <memory>
#include <string>

#include "settings/win32/win32_profile_files.h"
#include "settings/xml_dom.h"

namespace k7 {

class MsXmlDomFactory final : public XmlDomFactory {
  public:
    // Null when COM is not initialised or the DOM document class is not there.
    std::unique_ptr<XmlDocument> CreateDocument() override;
    ProfileFiles& files() override { return files_; }

  private:
    Win32ProfileFiles files_;
};

}  // namespace k7
