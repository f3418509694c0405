#include "link/ReplyFramer.h"

#include "link/Crc16.h"

namespace rtu {

ReplyFramer::ReplyFramer(SerialControl& serial, ui::Timer& timer1, ReplyHandler& handler)
    : serial_(serial), timer1_(timer1), handler_(handler) {}

void ReplyFramer::MSComm1_OnComm() {
    timer1_.Stop();
    // Read until the control has nothing left, so no byte that reached the port is left behind.
    // The control's buffer is not discarded afterwards: a byte that arrives during this handler
    // raises another notification instead of being lost.
    std::array<std::uint8_t, 64> chunk{};
    for (;;) {
        const std::size_t count = serial_.Read(chunk);
        if (count == 0) {
            break;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (rxLength_ < static_cast<std::int16_t>(kRxBufferSize)) {
                rxBuffer_[static_cast<std::size_t>(rxLength_)] = chunk[i];
                ++rxLength_;
            }
        }
    }
    timer1_.Start();
}

void ReplyFramer::Timer1_Timer() {
    timer1_.Stop();
    // The buffer is emptied in every case: after a short or broken reply, and after the handler,
    // even if it throws.
    struct EmptyAfterwards {
        std::int16_t& length;
        ~EmptyAfterwards() { length = 0; }
    } empty{rxLength_};
    const auto gathered = std::span(rxBuffer_).first(static_cast<std::size_t>(rxLength_));
    if (gathered.size() >= 5 && HasRightChecksum(gathered)) {
        handler_.HandleReply(rxBuffer_);
    }
}

}  // namespace rtu
