#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "link/SerialControl.h"
#include "link/TrafficTrace.h"
#include "seams/Timer.h"

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
//
// Adapters that echo: many 2-wire RS485 converters hear their own transmitter, so every request
// comes back, byte for byte, just before the device's reply, and both are gathered as one. When
// the gathered bytes begin with exactly the frame sent last, that echo is removed first and the
// rest is tested and handed on as the reply, from index 0. A real reply never begins with its own
// request: a 0x03 reply has its byte count at byte 2, where every read request of this device has
// 0x00, the high byte of a register number below 256; a 0x10 reply is 8 bytes, shorter than any
// write request. So no reply is mistaken for an echo, and nothing needs to be set. An echo alone
// leaves nothing to test and is dropped silently.
// The echo counts against the 81 bytes: the longest request, a save (47 bytes), leaves 34 for its
// 8-byte reply; bytes past 81 are discarded as always, and what is left after the echo then fails
// its checksum.
class ReplyFramer {
public:
    // `trace`, when given, hears every gathered reply with its verdict.
    ReplyFramer(SerialControl& serial, seams::Timer& timer1, ReplyHandler& handler,
                TrafficTrace* trace = nullptr);

    // Remembers the bytes of a frame that has just been queued, as they were sent, for telling
    // its echo apart. SendFrame(serial, frame, framer) calls it. A frame longer than the reply
    // buffer is not remembered: its echo could not be gathered whole.
    void FrameSent(std::span<const std::uint8_t> frame);

    // Receive notification: move every waiting byte into the buffer and restart the 50 ms.
    // Bytes that find the buffer full are discarded; nothing is written past index 80.
    void MSComm1_OnComm();
    // End-of-reply check: stop Timer1, test and hand over, empty the buffer in every case.
    void Timer1_Timer();

    const RxBufferBytes& RxBuffer() const { return rxBuffer_; }
    std::int16_t RxLength() const { return rxLength_; }
    TrafficTrace* Trace() const { return trace_; }

private:
    // Removes the echo of the frame sent last from the front of the gathered bytes, moving the
    // rest to index 0; returns the bytes left.
    std::span<const std::uint8_t> WithoutEcho(std::span<const std::uint8_t> gathered);

    SerialControl& serial_;
    seams::Timer& timer1_;
    ReplyHandler& handler_;
    TrafficTrace* trace_;
    RxBufferBytes rxBuffer_{};
    std::int16_t rxLength_ = 0;
    // A copy, not a view of the frame table: the save and preset commands may rewrite their frame
    // while its echo is still being gathered.
    RxBufferBytes lastSent_{};
    std::size_t lastSentLength_ = 0;
};

}  // namespace rtu
