// The platform of the Linux module.
#include <dlfcn.h>

#include <string>

#include "plugin/platform.h"
#include "settings/pugixml/pugixml_dom.h"

namespace k7 {
namespace {

std::string ModuleFileTitle() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleFileTitle), &info) == 0 || info.dli_fname == nullptr)
        return {};
    std::string name(info.dli_fname);
    const auto slash = name.rfind('/');
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace

Platform& ModulePlatform() {
    static PugiXmlDomFactory xml;
    static Platform platform{nullptr, nullptr, &xml, nullptr, ModuleFileTitle()};
    return platform;
}

}  // namespace k7
