#include "device/linux/hidraw_system.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <tuple>

#include "device/linux/hidraw_parse.h"

namespace k7 {
namespace {

HidHandle ToHandle(int fd) {
    return fd >= 0 ? static_cast<HidHandle>(fd) : kInvalidHandle;
}

int ToFd(HidHandle handle) {
    return handle >= 0 && handle <= INT32_MAX ? static_cast<int>(handle) : -1;
}

int OpenRetrying(const std::string& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Whether the device puts a report ID in front of its reports. Anything that
// has no report descriptor (a pipe standing in for a device) passes its bytes
// through unchanged.
bool ReadsCarryReportIds(int fd) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0) return true;
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<__u32>(size) < HID_MAX_DESCRIPTOR_SIZE ? static_cast<__u32>(size)
                                                                         : HID_MAX_DESCRIPTOR_SIZE;
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) return true;
    return DeclaresReportIds(std::span<const std::uint8_t>(descriptor.value, descriptor.size));
}

bool AttributesFromUdev(udev_device* node, HidAttributes& attributes) {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr);
    if (hid != nullptr && ParseHidId(udev_device_get_property_value(hid, "HID_ID"), attributes))
        return true;
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
    if (usb == nullptr) return false;
    HidAttributes fromUsb;
    if (!ParseHexId(udev_device_get_sysattr_value(usb, "idVendor"), fromUsb.vendorId) ||
        !ParseHexId(udev_device_get_sysattr_value(usb, "idProduct"), fromUsb.productId))
        return false;
    ParseHexId(udev_device_get_sysattr_value(usb, "bcdDevice"), fromUsb.version);
    attributes = fromUsb;
    return true;
}

}  // namespace

HidrawSystem::HidrawSystem() : udev_(udev_new()) {
    endingWriters_.reserve(2 * std::tuple_size_v<decltype(writeSlots_)>);
}

HidrawSystem::~HidrawSystem() {
    for (ReadSlot& slot : slots_)
        if (slot.fd >= 0) ::close(slot.fd);
    for (WriteSlot& slot : writeSlots_) {
        if (slot.writer != nullptr) slot.writer->Stop();
        if (slot.fd >= 0) ::close(slot.fd);
    }
    for (auto& writer : endingWriters_) writer->Stop();
    // Each writer's destructor waits for its thread, which was told to end above.
    for (WriteSlot& slot : writeSlots_) slot.writer.reset();
    endingWriters_.clear();
    if (udev_ != nullptr) udev_unref(udev_);
}

std::vector<std::string> HidrawSystem::ListInterfaces() {
    std::vector<std::string> paths;
    if (udev_ == nullptr) return paths;
    udev_enumerate* list = udev_enumerate_new(udev_);
    if (list == nullptr) return paths;
    udev_enumerate_add_match_subsystem(list, "hidraw");
    udev_enumerate_scan_devices(list);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list)) {
        udev_device* node = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
        if (node == nullptr) continue;
        if (const char* devnode = udev_device_get_devnode(node)) paths.emplace_back(devnode);
        udev_device_unref(node);
    }
    udev_enumerate_unref(list);
    return paths;
}

HidHandle HidrawSystem::OpenProbe(const std::string& path) {
    return ToHandle(OpenRetrying(path, O_PATH));
}

HidHandle HidrawSystem::OpenRead(const std::string& path) {
    ReadSlot* slot = FindSlot(kInvalidHandle);
    if (slot == nullptr) return kInvalidHandle;
    const int fd = OpenRetrying(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return kInvalidHandle;
    *slot = ReadSlot{fd, ReadsCarryReportIds(fd), {}, false};
    return ToHandle(fd);
}

HidHandle HidrawSystem::OpenWrite(const std::string& path) {
    ReapWriters();
    WriteSlot* slot = FindWriteSlot(-1);
    if (slot == nullptr) return kInvalidHandle;
    // Non-blocking, so that a stand-in that stops reading (a pipe, a pty) holds
    // no write: the thread then waits for room in poll(), where a stop reaches it.
    const int fd = OpenRetrying(path, O_WRONLY | O_NONBLOCK);
    if (fd < 0) return kInvalidHandle;
    std::unique_ptr<ReportWriter> writer = ReportWriter::Start(fd);
    if (writer == nullptr) {
        ::close(fd);
        return kInvalidHandle;
    }
    slot->fd = fd;
    slot->writer = std::move(writer);
    return ToHandle(fd);
}

HidrawSystem::WriteSlot* HidrawSystem::FindWriteSlot(int fd) {
    for (WriteSlot& slot : writeSlots_)
        if (slot.fd == fd) return &slot;
    return nullptr;
}

void HidrawSystem::ReapWriters() {
    std::erase_if(endingWriters_, [](const auto& writer) { return writer->Finished(); });
}

bool HidrawSystem::GetAttributes(HidHandle probe, HidAttributes& attributes) {
    struct stat info {};
    const int fd = ToFd(probe);
    if (fd < 0 || udev_ == nullptr || ::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    udev_device* node = udev_device_new_from_devnum(udev_, 'c', info.st_rdev);
    if (node == nullptr) return false;
    const bool found = AttributesFromUdev(node, attributes);
    udev_device_unref(node);
    return found;
}

HidrawSystem::ReadSlot* HidrawSystem::FindSlot(HidHandle handle) {
    const int fd = handle == kInvalidHandle ? -1 : ToFd(handle);
    if (handle != kInvalidHandle && fd < 0) return nullptr;
    for (ReadSlot& slot : slots_)
        if (slot.fd == fd) return &slot;
    return nullptr;
}

// One non-blocking read into the slot's buffer. Reports without an ID get the
// ID 0 in front, so the buffer reads the same as on other systems.
HidrawSystem::Attempt HidrawSystem::TryRead(ReadSlot& slot) {
    std::span<std::uint8_t> target = slot.buffer;
    if (!slot.numberedReports) target = target.subspan(1);
    ssize_t n;
    do {
        n = ::read(slot.fd, target.data(), target.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Attempt::Empty;
    if (n <= 0) return Attempt::Gone;  // ENODEV, EIO, or the end of a pipe
    if (!slot.numberedReports) slot.buffer[0] = 0;
    // A short report leaves nothing stale behind it.
    std::memset(target.data() + n, 0, target.size() - static_cast<std::size_t>(n));
    return Attempt::Report;
}

ReadStart HidrawSystem::StartRead(HidHandle handle, std::span<std::uint8_t> buffer) {
    ReadSlot* slot = handle == kInvalidHandle ? nullptr : FindSlot(handle);
    if (slot == nullptr || buffer.empty() || slot->pending) return ReadStart::Failed;
    slot->buffer = buffer;
    switch (TryRead(*slot)) {
        case Attempt::Report:
            return ReadStart::Completed;
        case Attempt::Empty:
            slot->pending = true;
            return ReadStart::Pending;
        case Attempt::Gone:
            break;
    }
    return ReadStart::Failed;
}

ReadWait HidrawSystem::WaitRead(HidHandle handle, int timeoutMs) {
    ReadSlot* slot = handle == kInvalidHandle ? nullptr : FindSlot(handle);
    if (slot == nullptr || !slot->pending) return ReadWait::Failed;
    pollfd watch{slot->fd, POLLIN, 0};
    const int ready = ::poll(&watch, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) return ReadWait::TimedOut;
    Attempt attempt = Attempt::Gone;
    if (ready > 0 && (watch.revents & POLLIN) != 0) attempt = TryRead(*slot);
    if (attempt == Attempt::Empty && (watch.revents & (POLLHUP | POLLERR)) == 0)
        return ReadWait::TimedOut;
    slot->pending = false;
    return attempt == Attempt::Report ? ReadWait::Completed : ReadWait::Failed;
}

void HidrawSystem::CancelRead(HidHandle handle) {
    // Nothing is in flight underneath: the buffer is only written inside
    // StartRead and WaitRead.
    if (ReadSlot* slot = handle == kInvalidHandle ? nullptr : FindSlot(handle)) {
        slot->pending = false;
        slot->buffer = {};
    }
}

bool HidrawSystem::Write(HidHandle handle, std::span<const std::uint8_t> data) {
    const int fd = ToFd(handle);
    WriteSlot* slot = fd < 0 ? nullptr : FindWriteSlot(fd);
    return slot != nullptr && slot->writer->Post(data);
}

void HidrawSystem::Close(HidHandle handle) {
    const int fd = ToFd(handle);
    if (fd < 0) return;
    if (ReadSlot* slot = FindSlot(handle)) *slot = ReadSlot{};
    if (WriteSlot* slot = FindWriteSlot(fd)) {
        slot->writer->Stop();
        // Kept until its thread has ended; one still writing then is waited
        // for only when the adapter itself goes.
        endingWriters_.push_back(std::move(slot->writer));
        *slot = WriteSlot{};
        ReapWriters();
    }
    ::close(fd);
}

}  // namespace k7
