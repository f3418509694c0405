#include "link/SendFrame.h"

#include "link/TraceLine.h"

namespace rtu {

SendResult SendFrame(SerialControl& serial, std::span<const std::uint8_t> frame,
                     TrafficTrace* trace) {
    if (!serial.IsOpen()) {
        return SendResult::PortClosed;
    }
    serial.DiscardInput();
    serial.DiscardOutput();
    if (!serial.Write(frame)) {
        if (trace != nullptr) {
            trace->Error(ErrorWords(SerialError::WriteFailed));
        }
        return SendResult::WriteFailed;
    }
    if (trace != nullptr) {
        trace->Tx(frame);
    }
    return SendResult::Sent;
}

SendResult SendFrame(SerialControl& serial, std::span<const std::uint8_t> frame,
                     ReplyFramer& framer) {
    const SendResult result = SendFrame(serial, frame, framer.Trace());
    if (result == SendResult::Sent) {
        framer.FrameSent(frame);
    }
    return result;
}

}  // namespace rtu
