// The entry points the host calls, under their undecorated names. Each forwards
// to the one Plugin of this loaded library.
#include <cstdint>

#include "plugin/exports.h"
#include "plugin/guarded.h"
#include "plugin/pendant_window.h"
#include "plugin/plugin.h"

#if !defined(_WIN32)
#include "plugin/linux/module_events.h"
#endif

namespace {

#if defined(_WIN32)
// Made at the host's first call and let go by UnloadModule, never by a static
// destructor: those run at process exit too, inside DllMain, where the
// release must not run.
k7::Plugin* module = nullptr;

k7::Plugin& Module() {
    if (module == nullptr) module = new k7::Plugin(k7::ModulePlatform());
    return *module;
}
#else
k7::Plugin& Module() {
    static k7::Plugin plugin(k7::ModulePlatform());
    return plugin;
}
#endif

}  // namespace

#if defined(_WIN32)
namespace k7 {

void UnloadModule(bool processExit) noexcept {
    // At process exit nothing is released: the system takes it all back.
    if (processExit || module == nullptr) return;
    // A FreeLibrary without StopPlug: the release runs as at StopPlug (host
    // calls, handles closed, no wait beyond the bounded settle of a read).
    // From inside one of the plug-in's own handlers nothing can be let go.
    if (module->window() != nullptr && module->window()->busy()) return;
    Guarded([] {
        module->StopPlug();
        delete module;
        module = nullptr;
        ReleaseModulePlatform();
    });
}

}  // namespace k7
#endif

extern "C" {

K7_EXPORT const char* K7_CDECL SetProName(k7::HostString name) {
    return Module().SetProName(name);
}
K7_EXPORT void K7_CDECL SetDoButton(k7::DoButtonFn f) {
    Module().SetDoButton(f);
}
K7_EXPORT void K7_CDECL SetSetDRO(k7::SetDroFn f) {
    Module().SetSetDRO(f);
}
K7_EXPORT void K7_CDECL SetGetDRO(k7::GetDroFn f) {
    Module().SetGetDRO(f);
}
K7_EXPORT void K7_CDECL SetGetLED(k7::GetLedFn f) {
    Module().SetGetLED(f);
}
K7_EXPORT void K7_CDECL SetSetLED(k7::SetLedFn f) {
    Module().SetSetLED(f);
}
K7_EXPORT void K7_CDECL SetCode(k7::CodeFn f) {
    Module().SetCode(f);
}

K7_EXPORT bool K7_CDECL InitControl(void* engine, void* setup, void* planner, void* view) {
    return Module().InitControl(engine, setup, planner, view);
}
K7_EXPORT void K7_CDECL PostInitControl() {
    Module().PostInitControl();
}
K7_EXPORT void K7_CDECL Update() {
    Module().Update();
}
K7_EXPORT void K7_CDECL Config() {
    Module().Config();
}
K7_EXPORT void K7_CDECL StopPlug() {
    Module().StopPlug();
}

// Entries the host calls that this plug-in has no use for. cdecl leaves the
// caller to clean up whatever arguments it passed.
K7_EXPORT void K7_CDECL Reset() {}
K7_EXPORT void K7_CDECL JogOn() {}
K7_EXPORT void K7_CDECL JogOff() {}
K7_EXPORT void K7_CDECL Purge() {}
K7_EXPORT void K7_CDECL Probe() {}
K7_EXPORT void K7_CDECL Home() {}
K7_EXPORT void K7_CDECL DoDwell() {}

// The standard COM server entries: a server with no classes and nothing to register.
K7_EXPORT std::int32_t K7_STDCALL DllGetClassObject(const void*, const void*, void** object) {
    if (object != nullptr) *object = nullptr;
    return k7::kClassNotAvailable;
}
K7_EXPORT std::int32_t K7_STDCALL DllCanUnloadNow() {
    return k7::kOk;
}
K7_EXPORT std::int32_t K7_STDCALL DllRegisterServer() {
    return k7::kOk;
}
K7_EXPORT std::int32_t K7_STDCALL DllUnregisterServer() {
    return k7::kOk;
}

#if !defined(_WIN32)
// Hosts on Linux have no window messages: they call this from their interface
// thread, as often as they like, to run the plug-in's timer and device notices.
K7_EXPORT int K7PumpEvents(int timeoutMs) {
    return k7::PumpModuleEvents(timeoutMs);
}
#endif

}  // extern "C"
