#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace rtu {

// What the link made of one gathered reply.
enum class RxVerdict : std::uint8_t {
    Ok,        // five bytes or more, checksum right: handed on
    Short,     // fewer than five bytes: dropped
    Checksum,  // wrong checksum: dropped
    Echo,      // the adapter's echo of the frame sent last: removed
};

// Hears every event on the link, in the order it happens, on the thread that runs the link.
// Given to SendFrame and ReplyFramer as an optional pointer; without one nothing is traced.
// Implementations must not allocate per call: they run for every frame.
class TrafficTrace {
public:
    virtual ~TrafficTrace() = default;
    // A frame was queued for transmission.
    virtual void Tx(std::span<const std::uint8_t> frame) = 0;
    // A reply was gathered (or the echo at its front removed), with what became of it.
    virtual void Rx(std::span<const std::uint8_t> bytes, RxVerdict verdict) = 0;
    virtual void Open(std::string_view port) = 0;
    virtual void Close() = 0;
    // A failure of the port, in English words.
    virtual void Error(std::string_view text) = 0;
};

}  // namespace rtu
