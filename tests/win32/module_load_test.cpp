// K7.dll as the host loads it: LoadLibrary, entry points found by their
// undecorated names, and an export table holding nothing else.
#include <shlobj.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host_abi.h"
#include "tests/support/module_host.h"
#include "tests/support/recorded_session.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/message_pump.h"

namespace {

using namespace k7::test;

const std::set<std::string>& kEntryPoints = kHostEntryPoints;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(const void*, const void*, void**);
using ServerFn = HRESULT(STDAPICALLTYPE*)();

class LoadedModule {
  public:
    explicit LoadedModule(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~LoadedModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const { return module_ != nullptr; }
    HMODULE module() const { return module_; }
    FARPROC Symbol(const char* name) const { return GetProcAddress(module_, name); }
    template <typename F>
    F Entry(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(Symbol(name)));
    }

  private:
    HMODULE module_;
};

// A copy of the DLL under another file title, in a directory of its own; a
// separate load, so it starts from the state at library load.
class ModuleCopy {
  public:
    explicit ModuleCopy(const std::string& title) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        dir_ =
            std::string(temp) + "k7-module-" + std::to_string(GetCurrentProcessId()) + "-" + title;
        CreateDirectoryA(dir_.c_str(), nullptr);
        path_ = dir_ + "\\" + title + ".dll";
        CopyFileA(K7_MODULE_PATH, path_.c_str(), FALSE);
    }
    ~ModuleCopy() {
        DeleteFileA(path_.c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    ModuleCopy(const ModuleCopy&) = delete;
    ModuleCopy& operator=(const ModuleCopy&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string dir_;
    std::string path_;
};

template <typename T>
T ReadImage(HMODULE module, std::size_t offset) {
    T value{};
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(module) + offset, sizeof value);
    return value;
}

// The names in a loaded module's export table.
std::set<std::string> ExportedNames(HMODULE module) {
    const auto dos = ReadImage<IMAGE_DOS_HEADER>(module, 0);
    const auto nt = ReadImage<IMAGE_NT_HEADERS>(module, dos.e_lfanew);
    const IMAGE_DATA_DIRECTORY entry =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::set<std::string> names;
    if (entry.Size == 0) return names;
    const auto table = ReadImage<IMAGE_EXPORT_DIRECTORY>(module, entry.VirtualAddress);
    for (DWORD i = 0; i < table.NumberOfNames; ++i) {
        const auto name = ReadImage<DWORD>(module, table.AddressOfNames + i * sizeof(DWORD));
        names.insert(reinterpret_cast<const char*>(module) + name);
    }
    return names;
}

TEST(ModuleLoad, EveryEntryPointResolvesByItsUndecoratedName) {
    LoadedModule module(K7_MODULE_PATH);
    ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
    for (const std::string& name : kEntryPoints)
        EXPECT_NE(module.Symbol(name.c_str()), nullptr) << name;
}

TEST(ModuleLoad, NothingButTheEntryPointsIsExported) {
    LoadedModule module(K7_MODULE_PATH);
    ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
    EXPECT_EQ(ExportedNames(module.module()), kEntryPoints);
    EXPECT_EQ(module.Symbol("_ZN2k714ModulePlatformEv"), nullptr);
    EXPECT_EQ(module.Symbol("DllMain"), nullptr);
}

TEST(ModuleLoad, HostCallOrderRunsWithoutFault) {
    LoadedModule module(K7_MODULE_PATH);
    ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
    EXPECT_EQ(CallSetProName(module, "Mach3Mill"), "K7 Pendant --Tarnwick Ver 1.0");
    InstallCallbacks(module);

    ModuleHostBlocks blocks;
    EXPECT_TRUE(CallInitControl(module, blocks));
    module.Entry<VoidFn>("PostInitControl")();
    const auto update = module.Entry<VoidFn>("Update");
    for (int i = 0; i < 3000; ++i) update();
    {
        // Config shows the configuration dialog: Escape closes it.
        k7::test::DialogDriver escape({[] {
            const HWND dialog = k7::test::DialogDriver::SettingsWindow();
            if (dialog != nullptr) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return dialog != nullptr;
        }});
        module.Entry<VoidFn>("Config")();
        EXPECT_TRUE(escape.finished());
        EXPECT_FALSE(escape.timedOut());
    }
    for (const char* idle : {"Reset", "JogOn", "JogOff", "Purge", "Probe", "Home", "DoDwell"})
        module.Entry<VoidFn>(idle)();
    module.Entry<VoidFn>("StopPlug")();
    module.Entry<VoidFn>("StopPlug")();

    EXPECT_EQ(callbackLog.buttons, 0);
    EXPECT_EQ(callbackLog.dros, 0);
    EXPECT_EQ(callbackLog.codes, 0);
    EXPECT_EQ(CallSetProName(module, "Mach3Lathe"), "K7 Pendant --Tarnwick Ver 1.0");
}

// A host's main window, and the host blocks whose view object names it.
struct HostWindow {
    HostWindow() { k7::WriteField(blocks.view.data(), k7::offsets::kViewWindowHandle, window); }
    ~HostWindow() {
        if (window != nullptr) DestroyWindow(window);
    }
    HWND window = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    ModuleHostBlocks blocks;
};

HWND PendantWindowOf(HWND hostWindow) {
    return FindWindowExA(hostWindow, nullptr, "K7PendantWindow", nullptr);
}

// With a real host window in the view object, the plug-in's hidden window lives
// under it from InitControl to StopPlug, never shown, and the host's message
// loop runs its timer without a pendant attached.
TEST(ModuleLoad, HiddenWindowLivesUnderTheHostWindowFromInitControlToStopPlug) {
    ModuleCopy copy("K7window");
    LoadedModule module(copy.path());
    ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
    HostWindow host;
    ASSERT_NE(host.window, nullptr) << "no window without a display";

    CallSetProName(module, "Mach3Mill");
    InstallCallbacks(module);
    EXPECT_TRUE(CallInitControl(module, host.blocks));
    const HWND child = PendantWindowOf(host.window);
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(IsWindowVisible(child));
    module.Entry<VoidFn>("PostInitControl")();
    const auto update = module.Entry<VoidFn>("Update");
    for (int i = 0; i < 10; ++i) {
        update();
        PumpMessagesFor(20);
    }
    module.Entry<VoidFn>("StopPlug")();
    EXPECT_EQ(PendantWindowOf(host.window), nullptr);
    PumpMessagesFor(50);  // no timer message may reach the destroyed window
}

// A host that unloads the plug-in without StopPlug: the release runs at the
// FreeLibrary, and the window goes with it, so no message of its timer can
// reach code that is no longer loaded.
TEST(ModuleLoad, FreeLibraryWithoutStopPlugLeavesNoWindowBehind) {
    ModuleCopy copy("K7unload");
    HostWindow host;
    ASSERT_NE(host.window, nullptr) << "no window without a display";
    {
        LoadedModule module(copy.path());
        ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
        CallSetProName(module, "Mach3Mill");
        InstallCallbacks(module);
        EXPECT_TRUE(CallInitControl(module, host.blocks));
        module.Entry<VoidFn>("PostInitControl")();
        PumpMessagesFor(60);
        ASSERT_NE(PendantWindowOf(host.window), nullptr);
    }
    EXPECT_EQ(PendantWindowOf(host.window), nullptr);
    PumpMessagesFor(60);
}

TEST(ModuleLoad, PluginNameFollowsTheFileTitle) {
    ModuleCopy copy("Foo");
    LoadedModule module(copy.path());
    ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
    EXPECT_EQ(CallSetProName(module, "Mach3Mill"), "Foo Pendant --Tarnwick Ver 1.0");
}

TEST(ModuleLoad, StopPlugBeforeInitControlIsSafe) {
    ModuleCopy copy("K7early");
    LoadedModule module(copy.path());
    ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
    module.Entry<VoidFn>("StopPlug")();
    module.Entry<VoidFn>("StopPlug")();
    module.Entry<VoidFn>("Update")();

    EXPECT_EQ(CallSetProName(module, "Mach3Mill"), "K7early Pendant --Tarnwick Ver 1.0");
    InstallCallbacks(module);
    ModuleHostBlocks blocks;
    EXPECT_TRUE(CallInitControl(module, blocks));
    module.Entry<VoidFn>("PostInitControl")();
    module.Entry<VoidFn>("StopPlug")();
}

TEST(ModuleLoad, ComEntriesAnswerAsAServerWithNothingToRegister) {
    LoadedModule module(K7_MODULE_PATH);
    ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
    const GUID classId = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    const GUID unknownId = {0, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};  // IUnknown
    int sentinel = 0;
    void* object = &sentinel;
    EXPECT_EQ(module.Entry<GetClassObjectFn>("DllGetClassObject")(&classId, &unknownId, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(module.Entry<ServerFn>("DllCanUnloadNow")(), S_OK);
    EXPECT_EQ(module.Entry<ServerFn>("DllRegisterServer")(), S_OK);
    EXPECT_EQ(module.Entry<ServerFn>("DllUnregisterServer")(), S_OK);
}

// With recording switched on in the profile, the module writes the session
// into the user's local application data, and leaves a copy for the build to
// replay in the simulator on Linux.
TEST(ModuleLoad, RecordedSessionGoesToTheLocalApplicationData) {
    ModuleCopy copy("K7rec");
    LoadedModule module(copy.path());
    ASSERT_TRUE(module.loaded()) << "LoadLibrary error " << GetLastError();
    HostWindow host;
    ASSERT_NE(host.window, nullptr) << "no window without a display";
    PlayRecordedSession(
        module, host.blocks, RecordingProfile("recorded"), [] { PumpMessagesFor(30); },
        [&] {
            k7::test::DialogDriver ok({[] {
                const HWND dialog = k7::test::DialogDriver::SettingsWindow();
                if (dialog != nullptr) PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                return dialog != nullptr;
            }});
            module.Entry<VoidFn>("Config")();
            EXPECT_TRUE(ok.finished());
        });

    wchar_t local[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(
        SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    const std::filesystem::path file =
        NewestRecording(std::filesystem::path(local) / "k7pendant" / "sessions");
    ASSERT_FALSE(file.empty());
    const std::string text = FileText(file);
    for (const char* line : {"plug-in on Windows.", "\nnodevice\n", "\nstart\n", "\nconfig\n",
                             "\n  ok\nend\n", "\nstop\nexpect none\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    const std::filesystem::path out = K7_RECORDING_OUT;
    std::filesystem::create_directories(out.parent_path());
    std::filesystem::copy_file(file, out, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace
