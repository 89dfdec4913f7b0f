// The platform adapters the plug-in runs on, chosen by the build (Windows,
// Linux) or assembled by the simulator and the tests.
#pragma once

#include <string>

namespace k7 {

class HidSystem;
class WindowSystem;
class XmlDomFactory;
class SettingsDialog;
class SessionStorage;

struct Platform {
    HidSystem* hid = nullptr;
    WindowSystem* windows = nullptr;
    XmlDomFactory* xml = nullptr;  // null: settings read as defaults, nothing is saved
    SettingsDialog* dialog = nullptr;
    std::string moduleTitle;  // the module's file name without directory and extension
    // Where session recordings go; null: sessions are never recorded.
    SessionStorage* sessions = nullptr;
};

// The platform of the loaded module (defined by each platform's adapters).
Platform& ModulePlatform();
#if defined(_WIN32)
// Lets go of what ModulePlatform made, at a FreeLibrary. A device read the
// system never gave back keeps the HID adapter alive: its memory is still the
// system's.
void ReleaseModulePlatform();
#endif

}  // namespace k7
