// Shows the real configuration dialog of K7.dll for the README's picture: the
// module loaded as the host loads it, a profile with a few settings made, and
// Config opened. Once the dialog is up it stands at the top left of the screen
// and its rectangle (x y width height) goes to the file named first; the
// dialog closes with Escape when the file named second appears.
// Usage: k7_dialog_shot RECT_FILE DONE_FILE
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/module_host.h"
#include "tests/win32/dialog_driver.h"

namespace {

using namespace k7::test;

struct Module {
    HMODULE handle = nullptr;
    template <typename F>
    F Entry(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
    }
};

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: k7_dialog_shot RECT_FILE DONE_FILE\n");
        return 2;
    }
    const std::string rectFile = argv[1];
    const std::string doneFile = argv[2];
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Module module{LoadLibraryA(K7_MODULE_PATH)};
    if (module.handle == nullptr) {
        std::fprintf(stderr, "cannot load %s\n", K7_MODULE_PATH);
        return 1;
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string profile = std::string(temp) + "k7-dialog-shot.xml";
    std::ofstream(profile, std::ios::binary | std::ios::trunc)
        << "<profile><Ravlen_K7_Pendant><BUTTON0>27</BUTTON0><BUTTON1>22</BUTTON1>"
           "<BUTTON2>36</BUTTON2><Vel>4</Vel><OEM1>1021</OEM1><Macro1>1001</Macro1>"
           "<StepJogRate>60</StepJogRate><Yreverse>1</Yreverse></Ravlen_K7_Pendant></profile>";
    module.Entry<SetProNameFn>("SetProName")(k7::HostStringCreate(profile.c_str()));
    InstallCallbacks(module);
    ModuleHostBlocks blocks;
    CallInitControl(module, blocks);
    module.Entry<VoidFn>("PostInitControl")();

    HWND dialog = nullptr;
    DialogDriver driver({[&] { return (dialog = DialogDriver::SettingsWindow()) != nullptr; },
                         [&] {
                             SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0,
                                          SWP_NOSIZE | SWP_SHOWWINDOW);
                             RedrawWindow(dialog, nullptr, nullptr,
                                          RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                             return true;
                         },
                         [&] {
                             RECT rect{};
                             GetWindowRect(dialog, &rect);
                             std::ofstream(rectFile)
                                 << rect.left << ' ' << rect.top << ' ' << rect.right - rect.left
                                 << ' ' << rect.bottom - rect.top << '\n';
                             return true;
                         },
                         [&] { return Exists(doneFile); },
                         [&] {
                             PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                             return true;
                         }},
                        60000);
    module.Entry<VoidFn>("Config")();
    module.Entry<VoidFn>("StopPlug")();
    DeleteFileA(profile.c_str());
    FreeLibrary(module.handle);
    CoUninitialize();
    return driver.finished() && !driver.timedOut() ? 0 : 1;
}
