#pragma once

#include <cstdint>
#include <span>

#include "link/ReplyFramer.h"
#include "link/SerialControl.h"
#include "link/TrafficTrace.h"

namespace rtu {

enum class SendResult : std::uint8_t {
    Sent,
    PortClosed,   // nothing was touched
    WriteFailed,  // the control refused the bytes (adapter gone, write error)
};

// Discards pending input, discards pending output, then queues the whole frame, element 0 first.
// Does not wait for the bytes to leave and touches neither the reply buffer nor any timer.
// `trace`, when given, hears the frame once it is queued, or the refused write.
SendResult SendFrame(SerialControl& serial, std::span<const std::uint8_t> frame,
                     TrafficTrace* trace = nullptr);

// The same, for a link whose replies `framer` gathers: a queued frame is traced through the
// framer's trace and remembered by the framer, which removes its echo from the reply.
SendResult SendFrame(SerialControl& serial, std::span<const std::uint8_t> frame,
                     ReplyFramer& framer);

}  // namespace rtu
