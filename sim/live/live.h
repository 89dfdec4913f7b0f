// `k7sim live`: the plug-in in real time inside the simulated host and
// machine, against a real pendant or the keyboard's virtual one.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace k7::sim::live {

// The options after `live`; returns the exit status.
int RunLive(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text of `live`, with its key map.
std::string LiveUsage();

}  // namespace k7::sim::live
