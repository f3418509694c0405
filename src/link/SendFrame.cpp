#include "link/SendFrame.h"

namespace rtu {

SendResult SendFrame(SerialControl& serial, std::span<const std::uint8_t> frame) {
    if (!serial.IsOpen()) {
        return SendResult::PortClosed;
    }
    serial.DiscardInput();
    serial.DiscardOutput();
    return serial.Write(frame) ? SendResult::Sent : SendResult::WriteFailed;
}

}  // namespace rtu
