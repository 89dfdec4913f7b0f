// A short session of the plug-in module, loaded as a host loads it, under a
// host whose LEDs and DROs change, with session recording switched on in the
// profile: ticks, updates, a Config and the stop, as a machinist's recording
// holds them. (No pendant is attached, so the plug-in reads no host values.)
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "tests/support/module_host.h"

namespace k7::test {

inline std::map<int, double> sessionDros;
inline std::map<int, bool> sessionLeds;

inline double K7_CDECL SessionDro(short code) {
    const auto it = sessionDros.find(code);
    return it != sessionDros.end() ? it->second : 0.0;
}
inline bool K7_CDECL SessionLed(short code) {
    const auto it = sessionLeds.find(code);
    return it != sessionLeds.end() && it->second;
}

// A profile that switches recording on; its path.
inline std::string RecordingProfile(const std::string& name) {
    const std::string path = scratchProfiles.PathFor(name);
    std::ofstream(path) << "<?xml version=\"1.0\"?>\n<profile>\n <Ravlen_K7_Pendant>\n"
                           "  <RecordSessions>1</RecordSessions>\n"
                           "  <StepJogRate>150</StepJogRate>\n"
                           " </Ravlen_K7_Pendant>\n</profile>\n";
    return path;
}

// pump(): about one tick of the host's message loop; configure(): the host's
// Config call, its dialog closed by OK.
template <typename Module, typename Pump, typename Configure>
void PlayRecordedSession(const Module& module, ModuleHostBlocks& blocks, const std::string& profile,
                         Pump pump, Configure configure) {
    sessionDros = {{818, 600.0}};
    sessionLeds = {};
    module.template Entry<SetProNameFn>("SetProName")(HostStringCreate(profile.c_str()));
    InstallCallbacks(module);
    module.template Entry<void(K7_CDECL*)(GetDroFn)>("SetGetDRO")(&SessionDro);
    module.template Entry<void(K7_CDECL*)(GetLedFn)>("SetGetLED")(&SessionLed);
    CallInitControl(module, blocks);
    module.template Entry<VoidFn>("PostInitControl")();
    const auto update = module.template Entry<VoidFn>("Update");
    const auto cycles = [&](int n) {
        for (int i = 0; i < n; ++i) {
            pump();
            update();
        }
    };
    cycles(4);
    sessionLeds[83] = true;
    sessionLeds[804] = true;
    sessionDros[818] = 250.0;
    WriteField(blocks.planner.data(), offsets::kJogIncrement, 0.01);
    cycles(4);
    configure();
    sessionLeds[804] = false;
    cycles(3);
    module.template Entry<VoidFn>("StopPlug")();
}

// The newest recording in the folder; empty when there is none.
inline std::filesystem::path NewestRecording(const std::filesystem::path& folder) {
    std::filesystem::path newest;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() != ".trace") continue;
        if (newest.empty() || entry.last_write_time() > std::filesystem::last_write_time(newest))
            newest = entry.path();
    }
    return newest;
}

inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace k7::test
