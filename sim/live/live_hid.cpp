#include "sim/live/live_hid.h"

#include <algorithm>

namespace k7::sim::live {

std::vector<std::string> LiveHid::ListInterfaces() {
    std::vector<std::string> paths = inner_.ListInterfaces();
    if (only_.empty()) return paths;
    const bool present = std::find(paths.begin(), paths.end(), only_) != paths.end();
    return present ? std::vector<std::string>{only_} : std::vector<std::string>{};
}

}  // namespace k7::sim::live
