#include "link/TelnetCodec.h"

namespace rtu {

using namespace telnet;

std::span<const std::uint8_t> TelnetCodec::Opening(const LineSettings& settings) {
    state_ = State::Data;
    ours_.reset();
    theirs_.reset();
    subLength_ = 0;
    answerLength_ = 0;
    requested_ = kLineSettings;
    // Asked for now, taken as agreed: the peer's confirmation then calls for no answer.
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        AppendCommand(kWill, option);
        AppendCommand(kDo, option);
        ours_.set(option);
        theirs_.set(option);
    }
    if (role_ == Role::Server) {
        AppendCommand(kDo, kComPortOption);
        theirs_.set(kComPortOption);
        return Answer();
    }
    AppendCommand(kWill, kComPortOption);
    ours_.set(kComPortOption);
    const auto baud = static_cast<std::uint32_t>(settings.baudRate);
    const std::uint8_t baudBytes[] = {
        static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
        static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
    AppendComPort(kSetBaudRate, baudBytes);
    const std::uint8_t dataBits[] = {settings.dataBits};
    AppendComPort(kSetDataSize, dataBits);
    const std::uint8_t parity[] = {static_cast<std::uint8_t>(settings.parity == Parity::Odd ? 2
                                                             : settings.parity == Parity::Even
                                                                 ? 3
                                                                 : 1)};
    AppendComPort(kSetParity, parity);
    const std::uint8_t stopBits[] = {settings.stopBits == 2 ? std::uint8_t{2} : std::uint8_t{1}};
    AppendComPort(kSetStopSize, stopBits);
    const std::uint8_t noFlowControl[] = {1};
    AppendComPort(kSetControl, noFlowControl);
    return Answer();
}

bool TelnetCodec::Take(std::uint8_t byte, std::uint8_t& data) {
    switch (state_) {
        case State::Data:
            if (byte == kIac) {
                state_ = State::Command;
                return false;
            }
            data = byte;
            return true;
        case State::Command:
            state_ = State::Data;
            if (byte == kIac) {
                data = kIac;  // a doubled 0xFF is one data byte
                return true;
            }
            if (byte >= kWill && byte <= kDont) {
                verb_ = byte;
                state_ = State::Option;
            } else if (byte == kSb) {
                subLength_ = 0;
                state_ = State::Sub;
            }
            // Any other command (NOP, go-ahead, a stray SE, ...) asks for nothing here.
            return false;
        case State::Option:
            state_ = State::Data;
            Negotiate(verb_, byte);
            return false;
        case State::Sub:
            if (byte == kIac) {
                state_ = State::SubCommand;
            } else if (subLength_ < sub_.size()) {
                sub_[subLength_++] = byte;
            }
            return false;
        case State::SubCommand:
            if (byte == kSe) {
                state_ = State::Data;
                EndSubnegotiation();
            } else {
                // A doubled 0xFF is a value byte; anything else is not allowed here, and the
                // subnegotiation goes on as if it were one.
                state_ = State::Sub;
                if (subLength_ < sub_.size()) {
                    sub_[subLength_++] = byte;
                }
            }
            return false;
    }
    return false;
}

bool TelnetCodec::Offers(std::uint8_t option) const {
    return option == kBinary || option == kSuppressGoAhead ||
           (option == kComPortOption && role_ == Role::Client);
}

bool TelnetCodec::Accepts(std::uint8_t option) const {
    return option == kBinary || option == kSuppressGoAhead ||
           (option == kComPortOption && role_ == Role::Server);
}

void TelnetCodec::Negotiate(std::uint8_t verb, std::uint8_t option) {
    // Only a change of state is answered, so two ends that agree fall silent (RFC 854).
    switch (verb) {
        case kWill:
            if (!Accepts(option)) {
                AppendCommand(kDont, option);
            } else if (!theirs_.test(option)) {
                theirs_.set(option);
                AppendCommand(kDo, option);
            }
            break;
        case kWont:
            if (theirs_.test(option)) {
                theirs_.reset(option);
                AppendCommand(kDont, option);
            }
            break;
        case kDo:
            if (!Offers(option)) {
                AppendCommand(kWont, option);
            } else if (!ours_.test(option)) {
                ours_.set(option);
                AppendCommand(kWill, option);
            }
            break;
        case kDont:
            if (ours_.test(option)) {
                ours_.reset(option);
                AppendCommand(kWont, option);
            }
            break;
        default:
            break;
    }
}

void TelnetCodec::EndSubnegotiation() {
    // The client takes the server's confirmations and notifications (line and modem state) as
    // they come: none of them changes what it sends. The server sets what the client asks and
    // confirms it with the value.
    if (role_ != Role::Server || subLength_ < 2 || sub_[0] != kComPortOption) {
        return;
    }
    const std::uint8_t command = sub_[1];
    const std::span<const std::uint8_t> value = std::span(sub_).subspan(2, subLength_ - 2);
    if (command > 12) {
        return;  // a server's own command, or none this server knows
    }
    if (command == kSetBaudRate && value.size() == 4) {
        const std::uint32_t baud = (std::uint32_t{value[0]} << 24) |
                                   (std::uint32_t{value[1]} << 16) |
                                   (std::uint32_t{value[2]} << 8) | value[3];
        if (baud != 0 && baud <= 4'000'000) {
            requested_.baudRate = static_cast<std::int32_t>(baud);
        }
    } else if (command == kSetDataSize && value.size() == 1 && value[0] >= 5 && value[0] <= 8) {
        requested_.dataBits = value[0];
    } else if (command == kSetParity && value.size() == 1 && value[0] >= 1 && value[0] <= 3) {
        requested_.parity = value[0] == 2   ? Parity::Odd
                            : value[0] == 3 ? Parity::Even
                                            : Parity::None;
    } else if (command == kSetStopSize && value.size() == 1 && (value[0] == 1 || value[0] == 2)) {
        requested_.stopBits = value[0];
    }
    AppendComPort(static_cast<std::uint8_t>(command + kServerReply), value);
}

TelnetCodec::Escaped TelnetCodec::Escape(std::span<const std::uint8_t> data,
                                         std::span<std::uint8_t> out) {
    Escaped escaped{0, 0};
    for (const std::uint8_t byte : data) {
        const std::size_t needed = byte == kIac ? 2 : 1;
        if (escaped.written + needed > out.size()) {
            break;
        }
        out[escaped.written++] = byte;
        if (byte == kIac) {
            out[escaped.written++] = kIac;
        }
        ++escaped.taken;
    }
    return escaped;
}

void TelnetCodec::Append(std::span<const std::uint8_t> bytes) {
    if (answerLength_ + bytes.size() > answer_.size()) {
        return;  // a flood of requests is not answered past the buffer
    }
    for (const std::uint8_t byte : bytes) {
        answer_[answerLength_++] = byte;
    }
}

void TelnetCodec::AppendCommand(std::uint8_t verb, std::uint8_t option) {
    const std::uint8_t command[] = {kIac, verb, option};
    Append(command);
}

void TelnetCodec::AppendComPort(std::uint8_t command, std::span<const std::uint8_t> value) {
    // IAC SB 44 command value IAC SE, the value (at most six bytes) escaped.
    std::array<std::uint8_t, 4 + 12 + 2> bytes{kIac, kSb, kComPortOption, command};
    std::size_t length = 4;
    length += Escape(value, std::span(bytes).subspan(length, 12)).written;
    bytes[length++] = kIac;
    bytes[length++] = kSe;
    Append(std::span(bytes).first(length));
}

}  // namespace rtu
