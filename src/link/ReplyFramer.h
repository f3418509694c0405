#pragma once

#include <array>
#include <cstdint>

#include "link/SerialControl.h"
#include "ui/Timer.h"

namespace rtu {

inline constexpr std::size_t kRxBufferSize = 81;
using RxBufferBytes = std::array<std::uint8_t, kRxBufferSize>;

// Takes each reply that the framer accepted. It sees the whole buffer, as it was when the reply
// ended: the reply from index 0, and beyond it whatever earlier replies left there.
class ReplyHandler {
public:
    virtual ~ReplyHandler() = default;
    virtual void HandleReply(const RxBufferBytes& rxBuffer) = 0;
};

// Gathers received bytes into RxBuffer and takes a reply as complete after 50 ms without a new
// notification (Timer1). A reply of five bytes or more whose last two bytes are the Crc16 of the
// rest, low byte first, goes to the handler; anything else is dropped silently.
//
// At 115200 8N1 a byte takes about 87 us, so the longest reply (47 bytes, about 4.1 ms) is far
// inside the 50 ms; the silence only marks the gap after a reply.
class ReplyFramer {
public:
    ReplyFramer(SerialControl& serial, ui::Timer& timer1, ReplyHandler& handler);

    // Receive notification: move every waiting byte into the buffer and restart the 50 ms.
    // Bytes that find the buffer full are discarded; nothing is written past index 80.
    void MSComm1_OnComm();
    // End-of-reply check: stop Timer1, test and hand over, empty the buffer in every case.
    void Timer1_Timer();

    const RxBufferBytes& RxBuffer() const { return rxBuffer_; }
    std::int16_t RxLength() const { return rxLength_; }

private:
    SerialControl& serial_;
    ui::Timer& timer1_;
    ReplyHandler& handler_;
    RxBufferBytes rxBuffer_{};
    std::int16_t rxLength_ = 0;
};

}  // namespace rtu
