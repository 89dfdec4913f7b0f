#include "device/win32/win32_hid_system.h"

// windows.h (through the header) first: these need its types.
// The HID class header declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace k7 {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE ToNative(HidHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

HidHandle FromNative(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<HidHandle>(handle);
}

HANDLE OpenPath(const std::string& path, DWORD access, DWORD flags) {
    return CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
}

// The interface path of one enumerated interface, or "" when it cannot be read.
std::string InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required, nullptr);
    constexpr std::size_t kPathAt = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    if (required <= kPathAt) return {};
    // DWORD elements keep the record's size field aligned.
    std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, nullptr, nullptr))
        return {};
    const char* path = detail->DevicePath;
    return std::string(path, strnlen(path, required - kPathAt));
}

}  // namespace

Win32HidSystem::~Win32HidSystem() {
    for (ReadSlot& slot : readSlots_)
        if (slot.file != INVALID_HANDLE_VALUE && !slot.abandoned) Close(FromNative(slot.file));
    for (WriteSlot& slot : writeSlots_)
        if (slot.file != INVALID_HANDLE_VALUE && !slot.abandoned) Close(FromNative(slot.file));
}

std::vector<std::string> Win32HidSystem::ListInterfaces() {
    std::vector<std::string> paths;
    GUID hidClass{};
    HidD_GetHidGuid(&hidClass);
    const HDEVINFO set =
        SetupDiGetClassDevsA(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return paths;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, index, &interfaceData)) break;
        std::string path = InterfacePath(set, interfaceData);
        if (!path.empty()) paths.push_back(std::move(path));
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

HidHandle Win32HidSystem::OpenProbe(const std::string& path) {
    return FromNative(OpenPath(path, 0, 0));
}

// The HID class keeps the reports of each open handle in a ring (32 by
// default since Windows XP) and drops the oldest when it is full. That ring is
// left as it is, HidD_SetNumInputBuffers not called: the link takes every
// report waiting at each tick (up to 64, more than the ring holds) and only the
// newest matters, since the wheel's counter is absolute; a full ring loses only
// the oldest reports, never the newest with the final count. A smaller ring
// would lose key changes between ticks to no gain, a larger one only costs
// reads, and drivers may refuse the call.
HidHandle Win32HidSystem::OpenRead(const std::string& path) {
    ReadSlot* slot = FindSlot(readSlots_, kInvalidHandle);
    if (slot == nullptr) return kInvalidHandle;
    const HANDLE file = OpenPath(path, GENERIC_READ, FILE_FLAG_OVERLAPPED);
    return Arm(*slot, file) ? FromNative(file) : kInvalidHandle;
}

HidHandle Win32HidSystem::OpenWrite(const std::string& path) {
    WriteSlot* slot = FindSlot(writeSlots_, kInvalidHandle);
    if (slot == nullptr) return kInvalidHandle;
    const HANDLE file = OpenPath(path, GENERIC_WRITE, FILE_FLAG_OVERLAPPED);
    return Arm(*slot, file) ? FromNative(file) : kInvalidHandle;
}

bool Win32HidSystem::GetAttributes(HidHandle probe, HidAttributes& attributes) {
    if (probe == kInvalidHandle) return false;
    HIDD_ATTRIBUTES native{};
    native.Size = sizeof native;
    if (!HidD_GetAttributes(ToNative(probe), &native)) return false;
    attributes.vendorId = native.VendorID;
    attributes.productId = native.ProductID;
    attributes.version = native.VersionNumber;
    return true;
}

template <typename Slot, std::size_t N>
Slot* Win32HidSystem::FindSlot(std::array<Slot, N>& slots, HidHandle handle) {
    const HANDLE file = handle == kInvalidHandle ? INVALID_HANDLE_VALUE : ToNative(handle);
    for (Slot& slot : slots)
        if (slot.file == file && !slot.abandoned) return &slot;
    return nullptr;
}

bool Win32HidSystem::abandonedIo() const {
    for (const ReadSlot& slot : readSlots_)
        if (slot.abandoned) return true;
    for (const WriteSlot& slot : writeSlots_)
        if (slot.abandoned) return true;
    return false;
}

// Takes over a freshly opened overlapped handle; closes it when no event can be had.
bool Win32HidSystem::Arm(IoSlot& slot, HANDLE file) {
    if (file == INVALID_HANDLE_VALUE) return false;
    // Manual reset, created signalled; each ReadFile or WriteFile resets it as it starts.
    const HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (event == nullptr) {
        CloseHandle(file);
        return false;
    }
    slot.file = file;
    slot.event = event;
    slot.overlapped = OVERLAPPED{};
    slot.overlapped.hEvent = event;
    slot.pending = false;
    return true;
}

void Win32HidSystem::Deliver(ReadSlot& slot, DWORD count) {
    const std::size_t n = std::min<std::size_t>(slot.target.size(), slot.data.size());
    // A short report leaves nothing stale behind it.
    std::fill(slot.data.begin() + std::min<std::size_t>(count, slot.data.size()), slot.data.end(),
              0);
    std::copy_n(slot.data.begin(), n, slot.target.begin());
}

ReadStart Win32HidSystem::StartRead(HidHandle handle, std::span<std::uint8_t> buffer) {
    ReadSlot* slot = handle == kInvalidHandle ? nullptr : FindSlot(readSlots_, handle);
    if (slot == nullptr || slot->pending || buffer.empty()) return ReadStart::Failed;
    slot->target = buffer;
    slot->overlapped = OVERLAPPED{};
    slot->overlapped.hEvent = slot->event;
    const DWORD size = static_cast<DWORD>(std::min(buffer.size(), slot->data.size()));
    DWORD count = 0;
    if (ReadFile(slot->file, slot->data.data(), size, &count, &slot->overlapped)) {
        Deliver(*slot, count);
        return ReadStart::Completed;
    }
    if (GetLastError() != ERROR_IO_PENDING) return ReadStart::Failed;
    slot->pending = true;
    return ReadStart::Pending;
}

ReadWait Win32HidSystem::WaitRead(HidHandle handle, int timeoutMs) {
    ReadSlot* slot = handle == kInvalidHandle ? nullptr : FindSlot(readSlots_, handle);
    if (slot == nullptr || !slot->pending) return ReadWait::Failed;
    const DWORD waited =
        WaitForSingleObject(slot->event, timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs));
    if (waited == WAIT_TIMEOUT) return ReadWait::TimedOut;
    if (waited != WAIT_OBJECT_0) {
        // The read is still the system's: take it back before calling it over.
        Settle(*slot);
        return ReadWait::Failed;
    }
    DWORD count = 0;
    if (GetOverlappedResult(slot->file, &slot->overlapped, &count, FALSE)) {
        slot->pending = false;
        Deliver(*slot, count);
        return ReadWait::Completed;
    }
    if (GetLastError() == ERROR_IO_INCOMPLETE) return ReadWait::TimedOut;
    slot->pending = false;
    return ReadWait::Failed;
}

void Win32HidSystem::Settle(IoSlot& slot) {
    if (!slot.pending) return;
    CancelIo(slot.file);
    DWORD count = 0;
    if (WaitForSingleObject(slot.event, kSettleMs) == WAIT_OBJECT_0 &&
        (GetOverlappedResult(slot.file, &slot.overlapped, &count, FALSE) ||
         GetLastError() != ERROR_IO_INCOMPLETE)) {
        slot.pending = false;
        return;
    }
    slot.abandoned = true;  // the system still owns its memory
}

void Win32HidSystem::CancelRead(HidHandle handle) {
    if (handle == kInvalidHandle) return;
    if (ReadSlot* slot = FindSlot(readSlots_, handle)) {
        Settle(*slot);
        slot->target = {};
    }
}

bool Win32HidSystem::Write(HidHandle handle, std::span<const std::uint8_t> data) {
    WriteSlot* slot = handle == kInvalidHandle ? nullptr : FindSlot(writeSlots_, handle);
    if (slot == nullptr || data.empty() || data.size() > slot->data.size()) return false;
    if (slot->pending) {
        // Never waits: a device that has stopped taking reports costs one look per tick.
        DWORD count = 0;
        if (!GetOverlappedResult(slot->file, &slot->overlapped, &count, FALSE) &&
            GetLastError() == ERROR_IO_INCOMPLETE)
            return false;
        slot->pending = false;  // finished, well or not: its buffer is ours again
    }
    std::memcpy(slot->data.data(), data.data(), data.size());
    slot->overlapped = OVERLAPPED{};
    slot->overlapped.hEvent = slot->event;
    if (WriteFile(slot->file, slot->data.data(), static_cast<DWORD>(data.size()), nullptr,
                  &slot->overlapped))
        return true;
    if (GetLastError() != ERROR_IO_PENDING) return false;
    slot->pending = true;
    return true;
}

void Win32HidSystem::Release(IoSlot& slot) {
    Settle(slot);
    if (slot.abandoned) return;  // its event and record stay the system's
    CloseHandle(slot.event);
    slot.file = INVALID_HANDLE_VALUE;
    slot.event = nullptr;
    slot.overlapped = OVERLAPPED{};
}

void Win32HidSystem::Close(HidHandle handle) {
    if (handle == kInvalidHandle) return;
    if (ReadSlot* slot = FindSlot(readSlots_, handle)) Release(*slot);
    if (WriteSlot* slot = FindSlot(writeSlots_, handle)) Release(*slot);
    CloseHandle(ToNative(handle));
}

}  // namespace k7
