#include "link/FailureCause.h"

#include "link/NetworkAddress.h"
#include "link/NetworkPort.h"
#include "product/Texts.h"

namespace rtu {
namespace {

// A path as messages show it: a name pasted into the port chooser can be any length, and a
// message box or a log line should not grow with it.
std::string Shown(const std::string& path) {
    constexpr std::size_t kLongest = 80;
    if (path.size() <= kLongest) {
        return path;
    }
    std::size_t cut = kLongest - 3;
    while (cut > 0 && (static_cast<unsigned char>(path[cut]) & 0xC0) == 0x80) {
        --cut;  // not inside a UTF-8 sequence
    }
    return path.substr(0, cut) + "...";
}

std::string GroupOf(const PortDetails& details) {
    return details.group.empty() ? std::string("dialout") : details.group;
}

}  // namespace

FailureCause PermissionHint(const PortDetails& refused) {
    const std::string group = GroupOf(refused);
    return {std::string(product::kNoPermissionLead) + Shown(refused.path) +
                std::string(product::kJoinGroupLead) + group + std::string(product::kJoinGroupTail),
            "cannot open " + Shown(refused.path) +
                ": permission denied; add the user to the group " + group +
                " (sudo adduser $USER " + group + ") and log in again"};
}

FailureCause OpenFailureCause(SerialError error, const PortDetails& details) {
    switch (error) {
        case SerialError::PermissionDenied:
            return PermissionHint(details);
        case SerialError::Busy:
            return {std::string(product::kPortBusyLine),
                    "cannot open " + Shown(details.path) + ": the port is held by another program"};
        case SerialError::NotFound:
            return {std::string(product::kPortNotFoundLine),
                    "cannot open " + Shown(details.path) + ": no such port"};
        case SerialError::BadAddress:
            return {std::string(product::kBadAddressLine),
                    "cannot open " + Shown(details.path) +
                        ": not a network address (tcp://HOST:PORT or rfc2217://HOST:PORT)"};
        case SerialError::HostNotFound:
            return {std::string(product::kHostNotFoundLine),
                    "cannot open " + Shown(details.path) + ": host not found"};
        case SerialError::ConnectionRefused:
            return {std::string(product::kConnectionRefusedLine),
                    "cannot open " + Shown(details.path) +
                        ": connection refused (nothing listens there, or the server takes no "
                        "further client)"};
        case SerialError::NoAnswer:
            return {std::string(product::kNoAnswerLine),
                    "cannot open " + Shown(details.path) + ": the server did not answer within " +
                        std::to_string(NetworkPort::kConnectTimeoutMs / 1000) + " s"};
        default:
            return {};
    }
}

FailureCause RunTimeFailureCause(SerialError error, const PortDetails& details) {
    // A port on a serial server fails by its connection, whatever the call that found it out.
    if (IsNetworkPortName(details.path) &&
        (error == SerialError::ConnectionLost || error == SerialError::DeviceGone ||
         error == SerialError::ReadFailed || error == SerialError::WriteFailed)) {
        return {std::string(product::kConnectionLostLine),
                "the connection to " + Shown(details.path) +
                    " was lost (server gone or network down); the port was closed"};
    }
    const std::string gone(product::kPortGoneLine);
    switch (error) {
        case SerialError::DeviceGone:
            return {gone, Shown(details.path) +
                              " went away while open (adapter unplugged or device "
                              "gone); the port was closed"};
        case SerialError::ReadFailed:
            return {gone, "reading " + Shown(details.path) + " failed; the port was closed"};
        case SerialError::WriteFailed:
            return {gone, "writing to " + Shown(details.path) + " failed; the port was closed"};
        default:
            return {};
    }
}

FailureCause NoPortChosenCause() {
    return {std::string(product::kNoPortChosenLine), "no serial port chosen"};
}

}  // namespace rtu
