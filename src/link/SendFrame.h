#pragma once

#include <cstdint>
#include <span>

#include "link/SerialControl.h"

namespace rtu {

enum class SendResult : std::uint8_t {
    Sent,
    PortClosed,   // nothing was touched
    WriteFailed,  // the control refused the bytes (adapter gone, write error)
};

// Discards pending input, discards pending output, then queues the whole frame, element 0 first.
// Does not wait for the bytes to leave and touches neither the reply buffer nor any timer.
SendResult SendFrame(SerialControl& serial, std::span<const std::uint8_t> frame);

}  // namespace rtu
