#include "sim/sim_rig.h"

#include "plugin/pendant_window.h"

namespace k7::sim {

void SimRig::AddPendant(const std::string& path) {
    hid.AddDevice(path, kPendantVendorId, kPendantProductId);
}

Plugin& SimRig::Start() {
    plugin = std::make_unique<Plugin>(platform);
    if (recordSession) plugin->RecordNextSession();
    plugin->SetProName(HostStringCreate(""));  // no profile: the settings take their defaults
    host.Install(*plugin);
    plugin->InitControl(host.engine(), host.setup(), host.planner(), host.view());
    plugin->PostInitControl();
    return *plugin;
}

void SimRig::Remove(const std::string& path) {
    hid.RemoveDevice(path);
    windows.Deliver(DeviceChange{kDeviceRemoveComplete, kDevTypeDeviceInterface, path.c_str()});
}

void SimRig::Arrive(const std::string& path) {
    hid.ArriveDevice(path);
    windows.Deliver(DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, path.c_str()});
}

void SimRig::Arrive(const std::string& path, std::uint16_t vid, std::uint16_t pid) {
    hid.ArriveDevice(path, vid, pid);
    windows.Deliver(DeviceChange{kDeviceArrival, kDevTypeDeviceInterface, path.c_str()});
}

void SimRig::QueueReport(std::uint8_t wheel, std::uint8_t speed, std::uint8_t keys3,
                         std::uint8_t keys4) {
    InputReport report;
    report.bytes[1] = wheel;
    report.bytes[2] = speed;
    report.bytes[3] = keys3;
    report.bytes[4] = keys4;
    hid.QueueReport(report);
}

}  // namespace k7::sim
