// K7.so as a host loads it: through dlopen, by the entry points' undecorated
// names, with nothing else of the plug-in visible to the host process.
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host_abi.h"
#include "tests/support/module_host.h"
#include "tests/support/recorded_session.h"

namespace {

namespace fs = std::filesystem;

using namespace k7::test;

// The module's entry points, with the event pump that hosts on Linux call.
const std::set<std::string> kEntryPoints = [] {
    std::set<std::string> names = kHostEntryPoints;
    names.insert("K7PumpEvents");
    return names;
}();

using GetClassObjectFn = std::int32_t (*)(const void*, const void*, void**);
using ServerFn = std::int32_t (*)();
using PumpFn = int (*)(int);

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kClassNotAvailable = static_cast<std::int32_t>(0x80040111u);

// One dlopen of a module file, closed again at the end of the test.
class LoadedModule {
  public:
    explicit LoadedModule(const std::string& path)
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedModule() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* Symbol(const char* name) const { return dlsym(handle_, name); }
    template <typename F>
    F Entry(const char* name) const {
        return reinterpret_cast<F>(Symbol(name));
    }

  private:
    void* handle_;
};

// A copy of the module under another file title, in a directory of its own.
// Each copy is a separate load, so it starts from the state at library load.
class ModuleCopy {
  public:
    explicit ModuleCopy(const std::string& title) {
        char pattern[] = "/tmp/k7-module-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        dir_ = pattern;
        path_ = dir_ / (title + ".so");
        fs::copy_file(K7_MODULE_PATH, path_);
    }
    ~ModuleCopy() {
        std::error_code ignored;
        if (!dir_.empty()) fs::remove_all(dir_, ignored);
    }
    ModuleCopy(const ModuleCopy&) = delete;
    ModuleCopy& operator=(const ModuleCopy&) = delete;

    std::string path() const { return path_.string(); }

  private:
    fs::path dir_;
    fs::path path_;
};

// Names of the symbols a module file defines in its dynamic symbol table, i.e.
// everything another object in the process could bind to.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    std::set<std::string> names;
    ElfW(Ehdr) header{};
    if (bytes.size() < sizeof header) return names;
    std::memcpy(&header, bytes.data(), sizeof header);
    const auto section = [&](std::size_t index) {
        ElfW(Shdr) s{};
        const std::size_t at = header.e_shoff + index * header.e_shentsize;
        if (at + sizeof s <= bytes.size()) std::memcpy(&s, bytes.data() + at, sizeof s);
        return s;
    };
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        const ElfW(Shdr) symbols = section(i);
        if (symbols.sh_type != SHT_DYNSYM || symbols.sh_entsize == 0) continue;
        const ElfW(Shdr) strings = section(symbols.sh_link);
        for (std::size_t at = symbols.sh_offset;
             at + sizeof(ElfW(Sym)) <= bytes.size() && at < symbols.sh_offset + symbols.sh_size;
             at += symbols.sh_entsize) {
            ElfW(Sym) sym{};
            std::memcpy(&sym, bytes.data() + at, sizeof sym);
            if (sym.st_shndx == SHN_UNDEF || sym.st_name == 0) continue;
            if (strings.sh_offset + sym.st_name >= bytes.size()) continue;
            names.insert(bytes.data() + strings.sh_offset + sym.st_name);
        }
    }
    return names;
}

TEST(ModuleLoad, EveryEntryPointResolvesByItsUndecoratedName) {
    LoadedModule module(K7_MODULE_PATH);
    ASSERT_TRUE(module.loaded()) << dlerror();
    for (const std::string& name : kEntryPoints)
        EXPECT_NE(module.Symbol(name.c_str()), nullptr) << name;
}

TEST(ModuleLoad, NothingButTheEntryPointsIsVisible) {
    EXPECT_EQ(DefinedDynamicSymbols(K7_MODULE_PATH), kEntryPoints);

    LoadedModule module(K7_MODULE_PATH);
    ASSERT_TRUE(module.loaded()) << dlerror();
    // k7::ModulePlatform() and k7::Plugin::Update(): core functions the module contains.
    EXPECT_EQ(module.Symbol("_ZN2k714ModulePlatformEv"), nullptr);
    EXPECT_EQ(module.Symbol("_ZN2k713CycleCounters6UpdateEv"), nullptr);
}

TEST(ModuleLoad, HostCallOrderRunsWithoutFault) {
    LoadedModule module(K7_MODULE_PATH);
    ASSERT_TRUE(module.loaded()) << dlerror();
    EXPECT_EQ(CallSetProName(module, "Mach3Mill"), "K7 Pendant --Tarnwick Ver 1.0");
    InstallCallbacks(module);

    ModuleHostBlocks blocks;
    EXPECT_TRUE(CallInitControl(module, blocks));
    module.Entry<VoidFn>("PostInitControl")();
    const auto update = module.Entry<VoidFn>("Update");
    for (int i = 0; i < 3000; ++i) update();
    module.Entry<VoidFn>("Config")();
    for (const char* idle : {"Reset", "JogOn", "JogOff", "Purge", "Probe", "Home", "DoDwell"})
        module.Entry<VoidFn>(idle)();
    module.Entry<VoidFn>("StopPlug")();
    module.Entry<VoidFn>("StopPlug")();

    // With no pendant attached nothing may reach the machine.
    EXPECT_EQ(callbackLog.buttons, 0);
    EXPECT_EQ(callbackLog.dros, 0);
    EXPECT_EQ(callbackLog.codes, 0);
    // The name stays available after the plug-in stopped, and a second call
    // gives the same name.
    EXPECT_EQ(CallSetProName(module, "Mach3Lathe"), "K7 Pendant --Tarnwick Ver 1.0");
}

// Linux hosts pump the plug-in's event loop: it ticks from PostInitControl to
// StopPlug, and reports that it has no window outside that time.
TEST(ModuleLoad, PumpedEventLoopTicksWhileThePluginRuns) {
    ModuleCopy copy("K7pump");
    LoadedModule module(copy.path());
    ASSERT_TRUE(module.loaded()) << dlerror();
    const auto pump = module.Entry<PumpFn>("K7PumpEvents");
    ASSERT_NE(pump, nullptr);
    EXPECT_EQ(pump(0), -1);

    CallSetProName(module, "Mach3Mill");
    InstallCallbacks(module);
    ModuleHostBlocks blocks;
    CallInitControl(module, blocks);
    EXPECT_EQ(pump(0), 0);   // created, but the timer starts with the pendant search
    EXPECT_EQ(pump(-1), 0);  // so nothing can arrive yet: no waiting for ever
    module.Entry<VoidFn>("PostInitControl")();
    int ticks = 0;
    for (int i = 0; i < 4; ++i) ticks += pump(200);
    EXPECT_EQ(ticks, 4);
    // A negative time-out waits for the next event: four calls see four ticks,
    // at least three periods (25 ms) apart.
    const auto before = std::chrono::steady_clock::now();
    ticks = 0;
    for (int i = 0; i < 4; ++i) ticks += pump(-1);
    EXPECT_EQ(ticks, 4);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(70));
    module.Entry<VoidFn>("StopPlug")();
    EXPECT_EQ(pump(50), -1);
}

TEST(ModuleLoad, PluginNameFollowsTheFileTitle) {
    ModuleCopy copy("Foo");
    LoadedModule module(copy.path());
    ASSERT_TRUE(module.loaded()) << dlerror();
    EXPECT_EQ(CallSetProName(module, "Mach3Mill"), "Foo Pendant --Tarnwick Ver 1.0");
}

TEST(ModuleLoad, StopPlugBeforeInitControlIsSafe) {
    ModuleCopy copy("K7early");
    LoadedModule module(copy.path());
    ASSERT_TRUE(module.loaded()) << dlerror();
    module.Entry<VoidFn>("StopPlug")();
    module.Entry<VoidFn>("StopPlug")();
    module.Entry<VoidFn>("Update")();

    // The plug-in still starts normally afterwards.
    EXPECT_EQ(CallSetProName(module, "Mach3Mill"), "K7early Pendant --Tarnwick Ver 1.0");
    InstallCallbacks(module);
    ModuleHostBlocks blocks;
    EXPECT_TRUE(CallInitControl(module, blocks));
    module.Entry<VoidFn>("PostInitControl")();
    module.Entry<VoidFn>("StopPlug")();
}

TEST(ModuleLoad, ComEntriesAnswerAsAServerWithNothingToRegister) {
    LoadedModule module(K7_MODULE_PATH);
    ASSERT_TRUE(module.loaded()) << dlerror();
    const unsigned char classId[16] = {1};
    const unsigned char interfaceId[16] = {2};
    int sentinel = 0;
    void* object = &sentinel;
    EXPECT_EQ(module.Entry<GetClassObjectFn>("DllGetClassObject")(classId, interfaceId, &object),
              kClassNotAvailable);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(module.Entry<ServerFn>("DllCanUnloadNow")(), kOk);
    EXPECT_EQ(module.Entry<ServerFn>("DllRegisterServer")(), kOk);
    EXPECT_EQ(module.Entry<ServerFn>("DllUnregisterServer")(), kOk);
}

// With recording switched on in the profile, the module writes the session
// into $XDG_STATE_HOME/k7pendant/sessions, and the simulator replays it green.
TEST(ModuleLoad, RecordedSessionReplaysInTheSimulator) {
    char state[] = "/tmp/k7-state-XXXXXX";
    ASSERT_NE(mkdtemp(state), nullptr);
    setenv("XDG_STATE_HOME", state, 1);
    ModuleCopy copy("K7rec");
    {
        LoadedModule module(copy.path());
        ASSERT_TRUE(module.loaded()) << dlerror();
        const auto pump = module.Entry<PumpFn>("K7PumpEvents");
        ModuleHostBlocks blocks;
        PlayRecordedSession(
            module, blocks, RecordingProfile("recorded"), [&] { pump(40); },
            [&] { module.Entry<VoidFn>("Config")(); });
    }
    unsetenv("XDG_STATE_HOME");
    const fs::path file = NewestRecording(fs::path(state) / "k7pendant" / "sessions");
    ASSERT_FALSE(file.empty());
    const std::string text = FileText(file);
    // No pendant here: the plug-in reads nothing of the host, and its ticks
    // and the dialog are what there is to record.
    for (const char* line :
         {"\nnodevice\n", "\nstart\n", "\ntick\nupdate\n", "\nconfig\n", "\nstop\nexpect none\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_EQ(std::system((std::string(K7SIM_PATH) + " run " + file.string()).c_str()), 0) << text;
    fs::remove_all(state);
}

}  // namespace
