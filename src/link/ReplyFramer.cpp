#include "link/ReplyFramer.h"

#include <algorithm>

#include "link/TraceLine.h"

namespace rtu {

ReplyFramer::ReplyFramer(SerialControl& serial, seams::Timer& timer1, ReplyHandler& handler,
                         TrafficTrace* trace)
    : serial_(serial), timer1_(timer1), handler_(handler), trace_(trace) {}

void ReplyFramer::FrameSent(std::span<const std::uint8_t> frame) {
    if (frame.size() > lastSent_.size()) {
        lastSentLength_ = 0;
        return;
    }
    std::copy(frame.begin(), frame.end(), lastSent_.begin());
    lastSentLength_ = frame.size();
}

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
    const auto reply = WithoutEcho(std::span(rxBuffer_).first(static_cast<std::size_t>(rxLength_)));
    if (reply.empty()) {
        return;
    }
    const RxVerdict verdict = JudgeFrame(reply);
    if (trace_ != nullptr) {
        trace_->Rx(reply, verdict);
    }
    if (verdict == RxVerdict::Ok) {
        handler_.HandleReply(rxBuffer_);
    }
}

std::span<const std::uint8_t> ReplyFramer::WithoutEcho(std::span<const std::uint8_t> gathered) {
    const std::size_t echo = lastSentLength_;
    if (echo == 0 || gathered.size() < echo ||
        !std::equal(lastSent_.begin(), lastSent_.begin() + static_cast<std::ptrdiff_t>(echo),
                    gathered.begin())) {
        return gathered;
    }
    if (trace_ != nullptr) {
        trace_->Rx(gathered.first(echo), RxVerdict::Echo);
    }
    const std::size_t rest = gathered.size() - echo;
    std::copy(rxBuffer_.begin() + static_cast<std::ptrdiff_t>(echo),
              rxBuffer_.begin() + static_cast<std::ptrdiff_t>(gathered.size()), rxBuffer_.begin());
    rxLength_ = static_cast<std::int16_t>(rest);
    return std::span(rxBuffer_).first(rest);
}

}  // namespace rtu
