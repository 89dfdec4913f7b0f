#pragma once

#include <string_view>

namespace k7 {

// Device paths compared as the system compares them: letter case ignored. Paths
// are ASCII; bytes outside it compare exactly.
bool PathsEqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace k7
