// A plug-in on the simulated host, HID system and window, started the way the
// host starts it. Tests and benchmarks build one per case.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "plugin/plugin.h"
#include "sim/sim_host.h"
#include "sim/sim_window.h"
#include "sim/virtual_hid.h"

namespace k7::sim {

class SimRig {
  public:
    explicit SimRig(std::string moduleTitle = "K7")
        : platform{&hid, &windows, nullptr, nullptr, std::move(moduleTitle)} {}

    // A pendant interface at the end of the enumeration order.
    void AddPendant(const std::string& path);
    // SetProName, the six setters, InitControl and PostInitControl on a fresh plug-in.
    Plugin& Start();

    // The interface goes away or comes back, with the notice the window gets.
    void Remove(const std::string& path);
    // Without ids a known interface keeps its own and a new one is a pendant.
    void Arrive(const std::string& path);
    void Arrive(const std::string& path, std::uint16_t vid, std::uint16_t pid);
    // Queues one input report from the pendant.
    void QueueReport(std::uint8_t wheel, std::uint8_t speed = 0, std::uint8_t keys3 = 0,
                     std::uint8_t keys4 = 0);

    SimHost host;
    VirtualHid hid;
    SimWindowSystem windows{&hid};
    Platform platform;
    std::unique_ptr<Plugin> plugin;
    // Start records the session into platform.sessions, whatever the profile says.
    bool recordSession = false;
};

}  // namespace k7::sim
