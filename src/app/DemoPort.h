#pragma once

#include <string_view>

namespace app {

// The short name of the built-in simulated transmitter in the port chooser.
inline constexpr std::string_view kDemoPort = "SIM1";

// Whether the name is the built-in simulated transmitter's, in any letter case.
bool IsDemoPort(std::string_view name);

}  // namespace app
