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
    if (rxLength_ >= 5) {
        const auto crcCount = static_cast<std::int16_t>(rxLength_ - 2);
        const std::int32_t received = 256 * rxBuffer_[static_cast<std::size_t>(rxLength_ - 1)] +
                                      rxBuffer_[static_cast<std::size_t>(rxLength_ - 2)];
        if (Crc16(rxBuffer_, crcCount) == received) {
            // The buffer is emptied after the handler, even if it throws.
            struct ResetLength {
                std::int16_t& length;
                ~ResetLength() { length = 0; }
            } reset{rxLength_};
            handler_.HandleReply(rxBuffer_);
            return;
        }
    }
    rxLength_ = 0;
}

}  // namespace rtu
