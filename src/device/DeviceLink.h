#pragma once

#include <cstdint>
#include <span>

#include "link/SendFrame.h"

namespace device {

// What the scheduler and the reply interpreter need of the open port.
class DeviceLink {
public:
    virtual ~DeviceLink() = default;
    // Sends one whole frame. A port that refuses it has been reported and closed by the time
    // this returns WriteFailed.
    virtual rtu::SendResult Send(std::span<const std::uint8_t> frame) = 0;
    virtual bool IsPortOpen() const = 0;
    // The close steps of the open/close button.
    virtual void ClosePort() = 0;
};

}  // namespace device
