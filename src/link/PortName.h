#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rtu {

// How the host names its serial ports.
enum class PortNaming {
    Windows,  // COM1 .. COM20, probed by number
    Unix,     // whatever the system reports (ttyUSB0, ttyACM0, ttyS0), or any device path
};

// The port that the text of the port chooser names, or nothing when the text names no port.
// Windows: the characters from the fourth on are the port number (COM12 and com5 name ports 12
// and 5; "COM" alone or "COMx" name none), after a leading \\.\ (\\.\COM12 is COM12). Unix:
// the text itself, without surrounding blanks, as a system name or a device path such as
// /dev/pts/4. Both: a port on a serial server (tcp://HOST:PORT, rfc2217://HOST:PORT, see
// NetworkAddress) as typed, without surrounding blanks; one that is not well-formed fails to open.
std::optional<std::string> PortToOpen(std::string_view chooserText, PortNaming naming);

// Less-than that orders embedded numbers by value: ttyUSB2 before ttyUSB10.
bool NaturalLess(std::string_view a, std::string_view b);

// The ports worth probing at start-up, in the order they are listed. Windows: COM1 to COM20, then
// the system's higher-numbered COM ports, ascending.
// Unix: the system's names, in natural order.
std::vector<std::string> PortCandidates(PortNaming naming, std::vector<std::string> systemNames);

}  // namespace rtu
