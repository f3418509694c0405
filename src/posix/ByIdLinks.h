#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace posix {

// Where udev keeps one stable link per USB serial adapter, named after its maker, product and
// serial number: the name to use when the ttyUSB number changes from one plug-in to the next.
inline constexpr std::string_view kSerialByIdDirectory = "/dev/serial/by-id";

// The links in `directory` that resolve to the device file `device`, in name order. Empty when
// the directory does not exist or nothing in it leads there.
std::vector<std::string> ByIdLinks(std::string_view directory, std::string_view device);

}  // namespace posix
