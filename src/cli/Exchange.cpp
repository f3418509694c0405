#include "cli/Exchange.h"

#include <algorithm>

#include "cli/AddressedFrame.h"
#include "link/SendFrame.h"

namespace cli {
namespace {

// A reply that was still coming in when the timeout passed is taken 50 ms after its last byte;
// it is given that long, and a little more for a loaded machine, once.
constexpr int kLastReplyGraceMs = 80;

constexpr std::size_t kExceptionLength = 5;
constexpr std::size_t kWriteReplyLength = 8;

}  // namespace

Exchange::Exchange(rtu::SerialControl& serial, seams::Timer& timer1, Wait& wait,
                   const LinkSettings& link, rtu::TrafficTrace* trace)
    : serial_(serial),
      wait_(wait),
      trace_(trace),
      link_(link),
      framer_(serial, timer1, *this, static_cast<rtu::TrafficTrace*>(this)) {}

Outcome Exchange::Ask(std::span<const std::uint8_t> request) {
    requestLength_ = AddressedFrame(request, link_.address, request_).size();
    const auto frame = std::span(request_).first(requestLength_);
    garble_ = cli::Garble::None;
    for (int attempt = 0; attempt <= link_.retries; ++attempt) {
        waiting_ = Waiting::Reply;
        if (rtu::SendFrame(serial_, frame, framer_) != rtu::SendResult::Sent &&
            portError_ == rtu::SerialError::None) {
            portError_ = rtu::SerialError::WriteFailed;
        }
        if (portError_ == rtu::SerialError::None) {
            wait_.For(link_.timeoutMs);
            if (waiting_ == Waiting::Reply && framer_.RxLength() > 0) {
                wait_.For(kLastReplyGraceMs);
            }
        }
        const Waiting result = waiting_;
        waiting_ = Waiting::Nothing;
        if (portError_ != rtu::SerialError::None) {
            return Outcome::PortFailed;
        }
        if (wait_.Interrupted()) {
            return Outcome::Interrupted;
        }
        if (result == Waiting::Answered) {
            return Outcome::Answered;
        }
        if (result == Waiting::Exception) {
            return Outcome::Exception;
        }
    }
    return garble_ == cli::Garble::None ? Outcome::NoAnswer : Outcome::Garbled;
}

void Exchange::HandleReply(const rtu::RxBufferBytes& rx) {
    if (waiting_ != Waiting::Reply) {
        return;  // a late reply to an attempt already given up
    }
    const auto length = static_cast<std::size_t>(framer_.RxLength());
    const std::uint8_t function = request_[1];
    // A request to address 0 is answered as the window expects it, whatever address the reply
    // names; any other address must come back.
    if (link_.address != 0 && rx[0] != link_.address) {
        garble_ = cli::Garble::Unfitting;
        return;
    }
    bool fits = false;
    if (rx[1] == (function | rtu::kExceptionFlag)) {
        fits = length == kExceptionLength;
    } else if (rx[1] == function && function == rtu::kReadHoldingRegisters) {
        const std::size_t dataBytes = 2 * (request_[4] * 256u + request_[5]);
        fits = rx[2] == dataBytes && length == 5 + dataBytes;
    } else if (rx[1] == function && function == rtu::kWriteMultipleRegisters) {
        fits = length == kWriteReplyLength &&
               std::equal(rx.begin() + 2, rx.begin() + 6, request_.begin() + 2);
    }
    if (!fits) {
        garble_ = cli::Garble::Unfitting;
        return;
    }
    std::copy(rx.begin(), rx.begin() + static_cast<std::ptrdiff_t>(length), answer_.begin());
    waiting_ = (rx[1] & rtu::kExceptionFlag) != 0 ? Waiting::Exception : Waiting::Answered;
    wait_.Stop();
}

void Exchange::Tx(std::span<const std::uint8_t> frame) {
    if (trace_ != nullptr) {
        trace_->Tx(frame);
    }
}

void Exchange::Rx(std::span<const std::uint8_t> bytes, rtu::RxVerdict verdict) {
    if (waiting_ == Waiting::Reply) {
        if (verdict == rtu::RxVerdict::Checksum) {
            garble_ = cli::Garble::Checksum;
        } else if (verdict == rtu::RxVerdict::Short) {
            garble_ = cli::Garble::Short;
        }
    }
    if (trace_ != nullptr) {
        trace_->Rx(bytes, verdict);
    }
}

void Exchange::Open(std::string_view port) {
    if (trace_ != nullptr) {
        trace_->Open(port);
    }
}

void Exchange::Close() {
    if (trace_ != nullptr) {
        trace_->Close();
    }
}

void Exchange::Error(std::string_view text) {
    if (trace_ != nullptr) {
        trace_->Error(text);
    }
}

void Exchange::OnSerialError(rtu::SerialError error) {
    if (portError_ == rtu::SerialError::None) {
        portError_ = error;
    }
    wait_.Stop();
}

}  // namespace cli
