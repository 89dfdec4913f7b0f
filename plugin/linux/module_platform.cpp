// The platform of the Linux module.
#include <dlfcn.h>

#include <string>

#include "device/linux/event_loop.h"
#include "device/linux/hidraw_system.h"
#include "plugin/linux/module_events.h"
#include "plugin/platform.h"
#include "record/linux/posix_session_storage.h"
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

HidrawSystem& Hid() {
    static HidrawSystem hid;
    return hid;
}

EventLoopWindowSystem& Windows() {
    static EventLoopWindowSystem windows;
    return windows;
}

}  // namespace

Platform& ModulePlatform() {
    static PugiXmlDomFactory xml;
    static PosixSessionStorage sessions;
    static Platform platform{&Hid(), &Windows(), &xml, nullptr, ModuleFileTitle(), &sessions};
    return platform;
}

int PumpModuleEvents(int timeoutMs) {
    return Windows().Pump(timeoutMs);
}

}  // namespace k7
