#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/SerialControl.h"
#include "link/TrafficTrace.h"

namespace rtu {

// One line of the traffic trace, as the tool and the simulated transmitter both write it: the
// time on the monotonic clock in seconds with six digits of microseconds, then the event, its
// bytes in upper-case hex and a last word, all separated by single spaces:
//
//   8412.200031 tx 00 03 00 15 00 02 D4 1E
//   8412.254977 rx 00 03 04 00 01 E2 40 F2 63 ok
//
// Built in a fixed buffer; a line that would not fit is cut off at kCapacity characters. Control
// characters in words are written as '?', so that one event stays one line.
class TraceLine {
public:
    // The longest request a slave may be sent (256 bytes) in hex, with room to spare.
    static constexpr std::size_t kCapacity = 1024;

    explicit TraceLine(std::int64_t monotonicUs);

    TraceLine& Word(std::string_view word);
    TraceLine& Hex(std::span<const std::uint8_t> bytes);

    // The line so far, without and with its line end.
    std::string_view Text() const { return {text_.data(), size_}; }
    std::string_view WithLineEnd() const { return {text_.data(), size_ + 1}; }

private:
    void Put(char c);

    // One more for the line end, which always follows the last character.
    std::array<char, kCapacity + 1> text_{'\n'};
    std::size_t size_ = 0;
};

// ok, short (fewer than five bytes) or checksum, for bytes gathered as one frame.
RxVerdict JudgeFrame(std::span<const std::uint8_t> bytes);

std::string_view VerdictWord(RxVerdict verdict);

// The English words a trace gives for a port failure: "no such port", "device gone", ...
std::string_view ErrorWords(SerialError error);

// Microseconds on the monotonic clock that both sides of a trace share (CLOCK_MONOTONIC on
// Linux), so that lines from the tool and from the simulated transmitter can be read together.
std::int64_t MonotonicMicros();

}  // namespace rtu
