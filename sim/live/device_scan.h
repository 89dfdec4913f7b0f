// What live mode tells the user about the pendant before it starts: the HID
// interfaces the system lists, their ids, which one is the pendant and
// whether it can be opened, or why none matched.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "device/hid_system.h"

namespace k7::sim::live {

struct SeenDevice {
    std::string path;
    bool idsRead = false;
    HidAttributes ids;
    bool pendant = false;     // the pendant's vendor and product ids
    std::string openProblem;  // for a pendant: why it cannot be opened, "" when it can
};

// Why a path cannot be opened for reading and writing, "" when it can.
using OpenCheck = std::function<std::string(const std::string& path)>;

// Every interface the system lists, in discovery order.
std::vector<SeenDevice> ScanDevices(HidSystem& hid, const OpenCheck& check);

// The first pendant discovery would take, or null.
const SeenDevice* FirstPendant(const std::vector<SeenDevice>& devices);

// Lines for the user: the pendant found, or every device seen and why it is
// not the pendant.
std::vector<std::string> DescribeScan(const std::vector<SeenDevice>& devices);

// The check on Linux: opens the node for reading and writing and names the error.
std::string HidrawOpenProblem(const std::string& path);

}  // namespace k7::sim::live
