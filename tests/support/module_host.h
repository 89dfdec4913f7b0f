// A minimal host for tests that load the plug-in module itself (dlopen or
// LoadLibrary): the entry point names, callbacks that count what reached the
// host, zeroed host blocks, and the first calls of the host's start-up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "host/host_abi.h"
#include "host/host_string.h"

namespace k7::test {

// The entry points every build of the module exports.
inline const std::set<std::string> kHostEntryPoints = {"SetProName",
                                                       "SetDoButton",
                                                       "SetSetDRO",
                                                       "SetGetDRO",
                                                       "SetGetLED",
                                                       "SetSetLED",
                                                       "SetCode",
                                                       "InitControl",
                                                       "PostInitControl",
                                                       "Update",
                                                       "Config",
                                                       "StopPlug",
                                                       "Reset",
                                                       "JogOn",
                                                       "JogOff",
                                                       "Purge",
                                                       "Probe",
                                                       "Home",
                                                       "DoDwell",
                                                       "DllGetClassObject",
                                                       "DllCanUnloadNow",
                                                       "DllRegisterServer",
                                                       "DllUnregisterServer"};

using SetProNameFn = const char*(K7_CDECL*)(HostString);
using InitControlFn = bool(K7_CDECL*)(void*, void*, void*, void*);
using VoidFn = void(K7_CDECL*)();

// What the host's callbacks saw; plain function pointers cannot carry a context.
struct CallbackLog {
    int buttons = 0;
    int dros = 0;
    int codes = 0;
};
inline CallbackLog callbackLog;

inline void K7_CDECL RecordButton(short) {
    ++callbackLog.buttons;
}
inline void K7_CDECL RecordSetDro(short, double) {
    ++callbackLog.dros;
}
inline double K7_CDECL ReadDro(short) {
    return 0.0;
}
inline bool K7_CDECL ReadLed(short) {
    return false;
}
inline void K7_CDECL RecordSetLed(short, bool) {}
inline void K7_CDECL RecordCode(const char*) {
    ++callbackLog.codes;
}

// The four host blocks, zeroed, of the sizes the plug-in reads from.
struct ModuleHostBlocks {
    std::vector<unsigned char> engine = std::vector<unsigned char>(kEngineBlockSize);
    std::vector<unsigned char> setup = std::vector<unsigned char>(kSetupBlockSize);
    std::vector<unsigned char> planner = std::vector<unsigned char>(kPlannerBlockSize);
    std::vector<unsigned char> view = std::vector<unsigned char>(kViewBlockSize);
};

// The plug-in reads and rewrites its profile from SetProName on: tests give it
// files in the temporary folder, removed when the test program ends.
class ScratchProfiles {
  public:
    ~ScratchProfiles() {
        std::error_code ignored;
        for (const auto& path : paths_) std::filesystem::remove(path, ignored);
    }
    std::string PathFor(const std::string& name) {
        const auto path =
            std::filesystem::temp_directory_path() / ("k7-module-test-" + name + ".xml");
        paths_.push_back(path);
        return path.string();
    }

  private:
    std::vector<std::filesystem::path> paths_;
};
inline ScratchProfiles scratchProfiles;

// Module: anything with `template <typename F> F Entry(const char* name) const`.
template <typename Module>
std::string CallSetProName(const Module& module, const char* profile) {
    const auto setProName = module.template Entry<SetProNameFn>("SetProName");
    if (setProName == nullptr) return "<missing SetProName>";
    const std::string path = scratchProfiles.PathFor(profile);
    const char* name = setProName(HostStringCreate(path.c_str()));
    return name != nullptr ? name : "<null>";
}

template <typename Module>
void InstallCallbacks(const Module& module) {
    module.template Entry<void(K7_CDECL*)(DoButtonFn)>("SetDoButton")(&RecordButton);
    module.template Entry<void(K7_CDECL*)(SetDroFn)>("SetSetDRO")(&RecordSetDro);
    module.template Entry<void(K7_CDECL*)(GetDroFn)>("SetGetDRO")(&ReadDro);
    module.template Entry<void(K7_CDECL*)(GetLedFn)>("SetGetLED")(&ReadLed);
    module.template Entry<void(K7_CDECL*)(SetLedFn)>("SetSetLED")(&RecordSetLed);
    module.template Entry<void(K7_CDECL*)(CodeFn)>("SetCode")(&RecordCode);
}

template <typename Module>
bool CallInitControl(const Module& module, ModuleHostBlocks& blocks) {
    return module.template Entry<InitControlFn>("InitControl")(
        blocks.engine.data(), blocks.setup.data(), blocks.planner.data(), blocks.view.data());
}

}  // namespace k7::test
