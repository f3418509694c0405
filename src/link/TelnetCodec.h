#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/SerialControl.h"

namespace rtu {

// Telnet's codes as RFC 854, 856, 858 and 2217 give them.
namespace telnet {
inline constexpr std::uint8_t kIac = 255;  // "interpret as command": what follows is no data
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;  // subnegotiation begins ...
inline constexpr std::uint8_t kSe = 240;  // ... and ends
inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPortOption = 44;
// COM-PORT-OPTION commands from the client; the server confirms each with the command plus 100
// and the value it set.
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;  // 1 none, 2 odd, 3 even
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kSetControl = 5;  // 1: no flow control
inline constexpr std::uint8_t kServerReply = 100;
}  // namespace telnet

// The Telnet framing of an RFC 2217 connection, either end of it: data with 0xFF doubled, and
// commands and option negotiation between the data, which never reach the data. Both ends agree
// on 8-bit binary data both ways and suppress go-ahead; the client offers COM-PORT-OPTION and
// sets the line with it, the server takes it. Any other option is refused, once per request, so
// that negotiation cannot loop. Its state is bounded and nothing is allocated: a peer that floods
// it with commands or an endless subnegotiation gets no further than the fixed buffers.
class TelnetCodec {
public:
    enum class Role : std::uint8_t { Client, Server };

    // What the longest opening and the answers to one burst may take; more answers are dropped.
    static constexpr std::size_t kAnswerCapacity = 96;

    explicit TelnetCodec(Role role) : role_(role) {}

    // The client's first words after connecting: the options it wants, then `settings` through
    // COM-PORT-OPTION with no flow control. The server's: the options it wants. Also resets the
    // codec to a new connection's state.
    std::span<const std::uint8_t> Opening(const LineSettings& settings);

    // Takes one byte from the network. True, with the data byte in `data`, when the byte ends a
    // data byte; false for the bytes of commands, which may leave an answer to send back.
    bool Take(std::uint8_t byte, std::uint8_t& data);

    // What the commands taken since ClearAnswer call for sending back, in order.
    std::span<const std::uint8_t> Answer() const { return std::span(answer_).first(answerLength_); }
    void ClearAnswer() { answerLength_ = 0; }

    // Writes `data` into `out` with every 0xFF doubled, as far as `out` takes whole bytes of it.
    // `out` holds all of them when it is twice as long.
    struct Escaped {
        std::size_t taken;    // bytes of `data`
        std::size_t written;  // bytes of `out`
    };
    static Escaped Escape(std::span<const std::uint8_t> data, std::span<std::uint8_t> out);

    // The server's view: the line the client asked for, where it did.
    const LineSettings& RequestedLine() const { return requested_; }

private:
    enum class State : std::uint8_t { Data, Command, Option, Sub, SubCommand };

    void Negotiate(std::uint8_t verb, std::uint8_t option);
    // An option this end takes on its own side (WILL) or lets the peer take (DO).
    bool Offers(std::uint8_t option) const;
    bool Accepts(std::uint8_t option) const;
    void EndSubnegotiation();
    void Append(std::span<const std::uint8_t> bytes);
    void AppendCommand(std::uint8_t verb, std::uint8_t option);
    void AppendComPort(std::uint8_t command, std::span<const std::uint8_t> value);

    Role role_;
    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::bitset<256> ours_;              // options enabled on this side
    std::bitset<256> theirs_;            // options enabled on the peer's side
    std::array<std::uint8_t, 8> sub_{};  // the subnegotiation so far; longer ones are cut
    std::size_t subLength_ = 0;
    std::array<std::uint8_t, kAnswerCapacity> answer_{};
    std::size_t answerLength_ = 0;
    LineSettings requested_ = kLineSettings;
};

}  // namespace rtu
