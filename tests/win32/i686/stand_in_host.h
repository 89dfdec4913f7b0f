// A 32-bit host for the shipped K7.dll, with a pendant standing in for the
// device: K7.dll is loaded with LoadLibrary, and its imports of the HID class
// and SetupAPI functions (and CreateFileA for the pendant's path) are pointed at
// the stand-ins below. The system calls that move reports, ReadFile, WriteFile
// and the waits, stay the real ones: the pendant's input and output are two
// named pipes whose far ends this host holds.
//
// The host's callbacks record every call as a line of text, DRO values with all
// their bits, so that runs can be compared exactly. Ticks are driven by calling
// the plug-in's window procedure directly, one WM_TIMER at a time, never by
// the system's timer: a run is the same every time.
#pragma once

#include <windows.h>

// The HID class header declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/host_abi.h"
#include "host/host_string.h"

namespace k7::test {

// ---- The module --------------------------------------------------------------

class ShippedModule {
  public:
    explicit ShippedModule(const char* path) : module_(LoadLibraryA(path)) {}
    ~ShippedModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ShippedModule(const ShippedModule&) = delete;
    ShippedModule& operator=(const ShippedModule&) = delete;

    bool loaded() const { return module_ != nullptr; }
    HMODULE handle() const { return module_; }
    void* Entry(const char* name) const {
        return reinterpret_cast<void*>(GetProcAddress(module_, name));
    }

  private:
    HMODULE module_;
};

template <typename T>
T ReadImage(HMODULE module, std::size_t offset) {
    T value{};
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(module) + offset, sizeof value);
    return value;
}

// Points the module's import of dll!function at replacement. Returns false when
// the module does not import that function by name.
inline bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    const auto dos = ReadImage<IMAGE_DOS_HEADER>(module, 0);
    const auto nt = ReadImage<IMAGE_NT_HEADERS>(module, dos.e_lfanew);
    const IMAGE_DATA_DIRECTORY imports =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* base = reinterpret_cast<unsigned char*>(module);
    for (DWORD at = imports.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto descriptor = ReadImage<IMAGE_IMPORT_DESCRIPTOR>(module, at);
        if (descriptor.Name == 0) return false;
        if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor.Name), dll) != 0) continue;
        for (DWORD i = 0;; ++i) {
            const auto name = ReadImage<IMAGE_THUNK_DATA>(
                module, descriptor.OriginalFirstThunk + i * sizeof(IMAGE_THUNK_DATA));
            if (name.u1.AddressOfData == 0) break;
            if (IMAGE_SNAP_BY_ORDINAL(name.u1.Ordinal)) continue;
            const char* imported = reinterpret_cast<const char*>(
                base + name.u1.AddressOfData + offsetof(IMAGE_IMPORT_BY_NAME, Name));
            if (std::strcmp(imported, function) != 0) continue;
            void* slot = base + descriptor.FirstThunk + i * sizeof(IMAGE_THUNK_DATA);
            DWORD protection = 0;
            if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection)) return false;
            std::memcpy(slot, &replacement, sizeof replacement);
            VirtualProtect(slot, sizeof(void*), protection, &protection);
            return true;
        }
    }
}

// ---- The pendant -------------------------------------------------------------

using Report = std::array<std::uint8_t, 8>;

// One pipe, the far end held here; the plug-in opens the near end by name.
class PendantPipe {
  public:
    explicit PendantPipe(const char* role) {
        static int serial = 0;
        name_ = "\\\\.\\pipe\\k7-stand-in-" + std::to_string(GetCurrentProcessId()) + "-" + role +
                "-" + std::to_string(++serial);
        end_ = CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX,
                                PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                                nullptr);
    }
    ~PendantPipe() {
        if (end_ == INVALID_HANDLE_VALUE) return;
        DisconnectNamedPipe(end_);
        CloseHandle(end_);
    }
    PendantPipe(const PendantPipe&) = delete;
    PendantPipe& operator=(const PendantPipe&) = delete;

    const std::string& name() const { return name_; }
    HANDLE end() const { return end_; }

  private:
    std::string name_;
    HANDLE end_ = INVALID_HANDLE_VALUE;
};

// The pendant of a run: what the system's device list shows and the pipes.
struct StandInPendant {
    static constexpr const char* kPath = "\\\\?\\hid#vid_04d8&pid_b3c5#k7-stand-in";
    PendantPipe input{"in"};
    PendantPipe output{"out"};
    int opens = 0;
    std::vector<std::string> faults;  // record sizes the plug-in got wrong

    bool Send(const Report& report) {
        DWORD written = 0;
        return WriteFile(input.end(), report.data(), report.size(), &written, nullptr) &&
               written == report.size();
    }
    // Output reports the plug-in wrote since the last call.
    std::vector<std::uint8_t> Drain() {
        std::vector<std::uint8_t> bytes;
        DWORD available = 0;
        while (PeekNamedPipe(output.end(), nullptr, 0, nullptr, &available, nullptr) &&
               available > 0) {
            std::vector<std::uint8_t> chunk(available);
            DWORD read = 0;
            if (!ReadFile(output.end(), chunk.data(), available, &read, nullptr)) break;
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + read);
        }
        return bytes;
    }
};
inline StandInPendant* pendant = nullptr;

// A handle of the stand-in's own for the attribute probe (never read or written).
inline HANDLE NewProbeHandle() {
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

inline const GUID kStandInHidClass = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0, 0x11, 0x11, 0, 0, 0x30}};
inline HDEVINFO const kStandInSet = reinterpret_cast<HDEVINFO>(0x4b37);

inline void WINAPI StandInGetHidGuid(LPGUID guid) {
    *guid = kStandInHidClass;
}

inline HDEVINFO WINAPI StandInGetClassDevs(const GUID*, PCSTR, HWND, DWORD) {
    return kStandInSet;
}

inline BOOL WINAPI StandInEnumInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                                         PSP_DEVICE_INTERFACE_DATA data) {
    if (set != kStandInSet || index > 0 || pendant == nullptr) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
        pendant->faults.push_back("SP_DEVICE_INTERFACE_DATA size " + std::to_string(data->cbSize));
    return TRUE;
}

inline BOOL WINAPI StandInInterfaceDetail(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                          PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                          PDWORD required, PSP_DEVINFO_DATA) {
    const DWORD needed = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                         static_cast<DWORD>(std::strlen(StandInPendant::kPath)) + 1;
    if (required != nullptr) *required = needed;
    if (detail == nullptr || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        pendant->faults.push_back("SP_DEVICE_INTERFACE_DETAIL_DATA_A size " +
                                  std::to_string(detail->cbSize));
    std::strcpy(detail->DevicePath, StandInPendant::kPath);
    return TRUE;
}

inline BOOL WINAPI StandInDestroyList(HDEVINFO) {
    return TRUE;
}

inline BOOLEAN WINAPI StandInGetAttributes(HANDLE, PHIDD_ATTRIBUTES attributes) {
    if (attributes->Size != sizeof(HIDD_ATTRIBUTES))
        pendant->faults.push_back("HIDD_ATTRIBUTES size " + std::to_string(attributes->Size));
    attributes->VendorID = 0x04d8;
    attributes->ProductID = 0xb3c5;
    attributes->VersionNumber = 1;
    return TRUE;
}

// The pendant's path opens the pipe that fits the access asked for.
inline HANDLE WINAPI StandInCreateFile(LPCSTR path, DWORD access, DWORD share,
                                       LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                       DWORD flags, HANDLE templateFile) {
    if (pendant == nullptr || lstrcmpiA(path, StandInPendant::kPath) != 0)
        return CreateFileA(path, access, share, security, disposition, flags, templateFile);
    ++pendant->opens;
    if (access == 0) return NewProbeHandle();
    const std::string& pipe =
        (access & GENERIC_WRITE) != 0 ? pendant->output.name() : pendant->input.name();
    return CreateFileA(pipe.c_str(), access, 0, nullptr, OPEN_EXISTING, flags, nullptr);
}

inline bool InstallStandInPendant(HMODULE module) {
    bool ok = true;
    ok &= PatchImport(module, "hid.dll", "HidD_GetHidGuid",
                      reinterpret_cast<void*>(&StandInGetHidGuid));
    ok &= PatchImport(module, "hid.dll", "HidD_GetAttributes",
                      reinterpret_cast<void*>(&StandInGetAttributes));
    ok &= PatchImport(module, "setupapi.dll", "SetupDiGetClassDevsA",
                      reinterpret_cast<void*>(&StandInGetClassDevs));
    ok &= PatchImport(module, "setupapi.dll", "SetupDiEnumDeviceInterfaces",
                      reinterpret_cast<void*>(&StandInEnumInterfaces));
    ok &= PatchImport(module, "setupapi.dll", "SetupDiGetDeviceInterfaceDetailA",
                      reinterpret_cast<void*>(&StandInInterfaceDetail));
    ok &= PatchImport(module, "setupapi.dll", "SetupDiDestroyDeviceInfoList",
                      reinterpret_cast<void*>(&StandInDestroyList));
    ok &= PatchImport(module, "kernel32.dll", "CreateFileA",
                      reinterpret_cast<void*>(&StandInCreateFile));
    return ok;
}

// ---- The host ----------------------------------------------------------------

// Every call of the plug-in into the host, in order, one line each.
inline std::vector<std::string> hostCalls;
// DRO and LED values the host answers with (0.0 and unlit when not listed).
inline std::map<int, double> hostDros;
inline std::map<int, bool> hostLeds;

// A DRO value by its bits: formatting a double would itself run on the x87
// unit of this thread, whose precision the tests change.
inline std::string Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, bits >>= 4) text[i] = "0123456789abcdef"[bits & 0xf];
    return text;
}

inline void K7_CDECL HostDoButton(short code) {
    hostCalls.push_back("DoButton " + std::to_string(code));
}
inline void K7_CDECL HostSetDro(short code, double value) {
    hostCalls.push_back("SetDRO " + std::to_string(code) + " " + Bits(value));
    hostDros[code] = value;
}
inline double K7_CDECL HostGetDro(short code) {
    hostCalls.push_back("GetDRO " + std::to_string(code));
    const auto found = hostDros.find(code);
    return found == hostDros.end() ? 0.0 : found->second;
}
inline bool K7_CDECL HostGetLed(short code) {
    hostCalls.push_back("GetLED " + std::to_string(code));
    const auto found = hostLeds.find(code);
    return found != hostLeds.end() && found->second;
}
inline void K7_CDECL HostSetLed(short code, bool lit) {
    hostCalls.push_back("SetLED " + std::to_string(code) + " " + std::to_string(lit));
}
inline void K7_CDECL HostCode(const char* line) {
    hostCalls.push_back(std::string("Code \"") + line + "\"");
}

// The four host blocks, zeroed, of the sizes the plug-in reads from, and a real
// host window in the view, the parent of the plug-in's hidden window.
struct HostBlocks {
    std::vector<unsigned char> engine = std::vector<unsigned char>(kEngineBlockSize);
    std::vector<unsigned char> setup = std::vector<unsigned char>(kSetupBlockSize);
    std::vector<unsigned char> planner = std::vector<unsigned char>(kPlannerBlockSize);
    std::vector<unsigned char> view = std::vector<unsigned char>(kViewBlockSize);
    HWND window = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);

    HostBlocks() { WriteField(view.data(), offsets::kViewWindowHandle, window); }
    ~HostBlocks() {
        HostStringReleaseAt(planner.data(), offsets::kHostMessage);
        if (window != nullptr) DestroyWindow(window);
    }
    HostBlocks(const HostBlocks&) = delete;
    HostBlocks& operator=(const HostBlocks&) = delete;

    // The engine's jog records of axes X, Y and Z as the plug-in left them.
    std::string JogRecords() const {
        std::string text;
        for (int axis = 0; axis < 3; ++axis) {
            const std::size_t at = offsets::kEngineAxisJog + axis * offsets::kEngineAxisJogStride;
            text += "jog " + std::to_string(axis) + ":";
            text += " v=" + std::to_string(
                                ReadField<std::int32_t>(engine.data(), at + offsets::kJogVelocity));
            text += " max=" + std::to_string(ReadField<std::int32_t>(
                                  engine.data(), at + offsets::kJogMaxVelocity));
            text += " stop=" +
                    std::to_string(ReadField<std::uint8_t>(engine.data(), at + offsets::kJogStop));
            text += " start=" +
                    std::to_string(ReadField<std::uint8_t>(engine.data(), at + offsets::kJogStart));
            text += " dir=" + std::to_string(ReadField<std::int32_t>(engine.data(),
                                                                     at + offsets::kJogDirection));
            text += ";";
        }
        return text;
    }
};

// The plug-in's hidden window under the host window, or null.
inline HWND PendantWindowUnder(HWND hostWindow) {
    return FindWindowExA(hostWindow, nullptr, "K7PendantWindow", nullptr);
}

// A profile of the plug-in's own in the temporary folder, removed at the end.
class ScratchProfile {
  public:
    ScratchProfile(const char* title, const char* xml) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "k7-" + title + "-" + std::to_string(GetCurrentProcessId()) +
                ".xml";
        if (FILE* file = std::fopen(path_.c_str(), "wb")) {
            std::fputs(xml, file);
            std::fclose(file);
        }
    }
    ~ScratchProfile() { DeleteFileA(path_.c_str()); }
    ScratchProfile(const ScratchProfile&) = delete;
    ScratchProfile& operator=(const ScratchProfile&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// ---- A scenario --------------------------------------------------------------

// One report the pendant sends, the ticks that read it, then host Update calls.
struct Step {
    Report report;
    int ticks = 1;
    int updates = 0;
};

// Pendant bytes: 1 wheel counter, 2 speed, 3 keys (bit 2 X, 3 Y, 4 Z), 4 mode keys.
inline constexpr std::uint8_t kModeKey1 = 0x01;
inline constexpr std::uint8_t kModeKey2 = 0x02;
inline constexpr std::uint8_t kModeKey3 = 0x04;

inline Report PendantReport(int wheel, int speed, std::uint8_t keys = 0,
                            std::uint8_t modeKeys = 0) {
    return {
        0, static_cast<std::uint8_t>(wheel), static_cast<std::uint8_t>(speed), keys, modeKeys, 0, 0,
        0};
}

// Presses a mode key and lets it go, with the host cycles the key protocol
// needs between the two.
inline void PressModeKey(std::vector<Step>& steps, int wheel, std::uint8_t key) {
    steps.push_back({PendantReport(wheel, 0, 0, key), 1, 2});
    steps.push_back({PendantReport(wheel, 0), 1, 2});
}

// A session that reaches all six wheel modes, with values whose products and
// quotients are not exact in binary: step jogs, velocity jogs at three
// speeds, a continuous jog, and the three value-adjust modes both ways.
inline std::vector<Step> EveryModeSession() {
    std::vector<Step> steps;
    int wheel = 10;
    steps.push_back({PendantReport(wheel, 0), 1, 2});  // the wheel's reference
    wheel += 3;
    steps.push_back({PendantReport(wheel, 0), 1, 4});  // step, X
    wheel += 7;
    steps.push_back({PendantReport(wheel, 0), 1, 4});
    steps.push_back({PendantReport(wheel, 0), 1, 1});  // the feed restored
    PressModeKey(steps, wheel, kModeKey1);             // velocity
    for (int speed : {40, 80, 20}) {
        wheel += 1;
        steps.push_back({PendantReport(wheel, speed), 1, 1});
    }
    steps.push_back({PendantReport(wheel, 0), 1, 4});
    steps.push_back({PendantReport(wheel, 0), 1, 4});
    PressModeKey(steps, wheel, kModeKey2);  // continuous
    for (int i = 0; i < 4; ++i) {
        wheel += 2;
        steps.push_back({PendantReport(wheel, 60), 1, 1});
    }
    steps.push_back({PendantReport(wheel, 0), 1, 4});
    steps.push_back({PendantReport(wheel, 0), 1, 4});
    for (std::uint8_t key : {kModeKey2, kModeKey3, kModeKey3}) {  // the three adjust modes
        PressModeKey(steps, wheel, key);
        for (int turn : {3, 5, -2, -7}) {
            wheel += turn;
            steps.push_back({PendantReport(wheel & 0xff, 0), 1, 1});
        }
    }
    return steps;
}

// The host's values for EveryModeSession.
inline void SetUpSessionHost(HostBlocks& blocks) {
    hostCalls.clear();
    hostDros = {{818, 37.7}, {821, 61.3}, {3, 33.3}, {74, 47.9}, {22, 0.0}};
    hostLeds = {{83, true}};
    WriteField<double>(blocks.planner.data(), offsets::kJogIncrement, 0.1);
    WriteField<std::int32_t>(blocks.planner.data(), offsets::kAxisVelocity, 1000);
    WriteField<std::int32_t>(blocks.planner.data(), offsets::kAxisSecondParam, 7);
}

inline constexpr const char* kSessionProfile =
    "<profile><Ravlen_K7_Pendant><Vel>4</Vel></Ravlen_K7_Pendant></profile>";

}  // namespace k7::test
