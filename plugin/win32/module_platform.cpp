// The platform of the Windows DLL.
#include <windows.h>

#include <string>

#include "device/win32/win32_hid_system.h"
#include "device/win32/win32_windows.h"
#include "plugin/platform.h"
#include "record/win32/win32_session_storage.h"
#include "settings/win32/msxml_dom.h"
#include "ui/win32/win32_settings_dialog.h"

namespace k7 {
namespace {

// The file title of this module as the process loaded it: no directory, no extension.
std::string ModuleFileTitle() {
    HMODULE self = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&ModuleFileTitle), &self);
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    const auto slash = name.find_last_of("\\/:");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

// Made at the first call, let go only by ReleaseModulePlatform: no static
// destructor closes devices inside DllMain at process exit.
struct ModuleObjects {
    MsXmlDomFactory xml;
    Win32HidSystem* hid = new Win32HidSystem;
    Win32WindowSystem windows;
    Win32SettingsDialog dialog{ModuleFileTitle()};
    Win32SessionStorage sessions;
    Platform platform{hid, &windows, &xml, &dialog, ModuleFileTitle(), &sessions};
    ~ModuleObjects() {
        if (!hid->abandonedIo()) delete hid;
    }
};
ModuleObjects* objects = nullptr;

}  // namespace

Platform& ModulePlatform() {
    if (objects == nullptr) objects = new ModuleObjects;
    return objects->platform;
}

void ReleaseModulePlatform() {
    delete objects;
    objects = nullptr;
}

}  // namespace k7
