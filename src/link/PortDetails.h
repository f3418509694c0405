#pragma once

#include <string>
#include <vector>

namespace rtu {

// What the system tells about one port: shown in the port chooser's tooltip and used to say why
// an open failed. Every field but the path may be empty.
struct PortDetails {
    std::string path;          // the device file, e.g. /dev/ttyUSB0 or /dev/pts/5
    std::string description;   // the product as the system reports it, e.g. "FT232R USB UART"
    std::string manufacturer;  // e.g. "FTDI"
    std::string serialNumber;
    std::vector<std::string> byIdLinks;  // /dev/serial/by-id links that lead to the device file
    std::string group;                   // the group that owns the device file, e.g. "dialout"
};

// The tooltip of a port chooser entry: the device path, then the product with its maker, the
// serial number and the by-id links, one to a line, each only where known.
std::string ToolTipOf(const PortDetails& details);

}  // namespace rtu
