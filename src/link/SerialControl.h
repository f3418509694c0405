#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/PortDetails.h"

namespace rtu {

enum class Parity : std::uint8_t { None, Odd, Even };

struct LineSettings {
    std::int32_t baudRate;
    Parity parity;
    std::uint8_t dataBits;
    std::uint8_t stopBits;
    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The line always runs at "115200,n,8,1", whatever the device's own baud-rate and parity
// registers say: those are values stored in the device, not settings of this link.
inline constexpr LineSettings kLineSettings{115200, Parity::None, 8, 1};

// What can go wrong with a port, mapped once from the platform's own error codes.
enum class SerialError : std::uint8_t {
    None,
    NotFound,          // no such port
    PermissionDenied,  // e.g. not in the dialout group
    Busy,              // another program holds the port
    OpenFailed,        // any other reason the open failed
    WriteFailed,       // bytes could not be queued or written
    DeviceGone,        // adapter pulled, other end of a pseudo-terminal closed
    ReadFailed,
    // Ports on an Ethernet serial server (tcp://, rfc2217://).
    BadAddress,         // not tcp://HOST:PORT or rfc2217://HOST:PORT
    HostNotFound,       // the name does not resolve
    ConnectionRefused,  // nothing listens there, or the server takes no further client
    NoAnswer,           // no answer within the connect timeout
    ConnectionLost,     // the connection closed or failed while open
    Unknown,
};

// Receives the control's notifications, on the window's thread.
class SerialListener {
public:
    virtual ~SerialListener() = default;
    // At least one received byte is waiting.
    virtual void OnBytesWaiting() = 0;
    // A run-time error of the open port. Reported once per failure; the port stays open until
    // the listener closes it.
    virtual void OnSerialError(SerialError error) = 0;
};

// The serial port as the logic needs it: raw bytes both ways, every value 0x00..0xFF unchanged,
// no flow control.
class SerialControl {
public:
    virtual ~SerialControl() = default;

    virtual void SetListener(SerialListener* listener) = 0;

    // The names of the ports the system reports (not checked for being openable). Pseudo-terminals
    // are not among them.
    virtual std::vector<std::string> SystemPortNames() const = 0;

    // What the system tells about the port by that name (a system name, a device path or a short
    // name the control resolves): its device file at least.
    virtual PortDetails DetailsOf(std::string_view name) const {
        PortDetails details;
        details.path = name;
        return details;
    }

    // Chooses the port the next Open applies to: a system name (ttyUSB0, COM3) or a device path.
    virtual void SelectPort(std::string_view name) = 0;
    virtual void SetLineSettings(const LineSettings& settings) = 0;
    // Opens the selected port. Returns None on success.
    virtual SerialError Open() = 0;
    // Opens the selected port and closes it again at once: None when it could be opened. The
    // port list is made of the ports that pass.
    virtual SerialError OpenAndClose() {
        const SerialError error = Open();
        if (error != SerialError::None || !IsOpen()) {
            return error == SerialError::None ? SerialError::OpenFailed : error;
        }
        Close();
        return SerialError::None;
    }
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;

    // Moves up to into.size() waiting bytes into `into` and returns how many; 0 when none wait.
    virtual std::size_t Read(std::span<std::uint8_t> into) = 0;
    virtual void DiscardInput() = 0;
    virtual void DiscardOutput() = 0;
    // Queues all bytes for transmission, in order. False when the port refuses them.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace rtu
