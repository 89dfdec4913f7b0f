#include "sim/live/device_scan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "protocol/pendant_protocol.h"

namespace k7::sim::live {
namespace {

std::string Ids(const HidAttributes& ids) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", ids.vendorId, ids.productId);
    return text;
}

}  // namespace

std::vector<SeenDevice> ScanDevices(HidSystem& hid, const OpenCheck& check) {
    std::vector<SeenDevice> seen;
    for (const std::string& path : hid.ListInterfaces()) {
        SeenDevice device;
        device.path = path;
        const HidHandle probe = hid.OpenProbe(path);
        if (probe != kInvalidHandle) {
            device.idsRead = hid.GetAttributes(probe, device.ids);
            hid.Close(probe);
        }
        device.pendant = device.idsRead && device.ids.vendorId == kPendantVendorId &&
                         device.ids.productId == kPendantProductId;
        if (device.pendant && check) device.openProblem = check(path);
        seen.push_back(std::move(device));
    }
    return seen;
}

const SeenDevice* FirstPendant(const std::vector<SeenDevice>& devices) {
    for (const SeenDevice& device : devices)
        if (device.pendant) return &device;
    return nullptr;
}

std::vector<std::string> DescribeScan(const std::vector<SeenDevice>& devices) {
    const HidAttributes wanted{kPendantVendorId, kPendantProductId, 0};
    std::vector<std::string> lines;
    if (const SeenDevice* pendant = FirstPendant(devices)) {
        lines.push_back("pendant found: " + pendant->path + " (" + Ids(pendant->ids) + ")");
        if (!pendant->openProblem.empty()) {
            lines.push_back("  but it cannot be opened for reading and writing: " +
                            pendant->openProblem);
            lines.push_back(
                "  install the udev rule (make install-udev), then unplug and replug the pendant");
        }
        return lines;
    }
    if (devices.empty()) {
        lines.push_back("no pendant: the system lists no HID devices (no /dev/hidraw* nodes)");
        return lines;
    }
    lines.push_back("no pendant among the " + std::to_string(devices.size()) +
                    " HID device(s) seen; the pendant is " + Ids(wanted) + ":");
    for (const SeenDevice& device : devices) {
        const std::string why =
            device.idsRead ? Ids(device.ids) + ", other ids" : "ids cannot be read";
        lines.push_back("  " + device.path + "  " + why);
    }
    return lines;
}

std::string HidrawOpenProblem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    return std::strerror(errno);
}

}  // namespace k7::sim::live
