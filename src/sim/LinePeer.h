#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace sim {

// What answers a master on a line in real time units: bytes heard are gathered into requests,
// and what goes back is held until it is due. The simulated transmitter (LineDevice) and a
// replayed trace (ReplayDevice) are such peers; whatever carries the bytes (a pseudo-terminal)
// drives one through these calls. Not thread-safe; its owner serialises the calls.
class LinePeer {
public:
    // One line of traffic: the event ("rx", "tx", "dropped"), its bytes, when (us) and, for a
    // request, its verdict ("ok", "short", "checksum").
    using LogSink = std::function<void(std::string_view event, std::span<const std::uint8_t> bytes,
                                       std::int64_t atUs, std::string_view verdict)>;
    // Takes bytes for the master; returns how many it took (the rest is lost, as on a full line).
    using Writer = std::function<std::size_t(std::span<const std::uint8_t> bytes)>;

    virtual ~LinePeer() = default;

    virtual void SetLog(LogSink log) = 0;
    // Forgets the bytes of an unfinished request and what is not yet sent.
    virtual void Reset() = 0;
    // Bytes from the master, at `nowUs`.
    virtual void Hear(std::span<const std::uint8_t> bytes, std::int64_t nowUs) = 0;
    // Answers the requests that silence has closed by `nowUs`.
    virtual void TakeFrames(std::int64_t nowUs) = 0;
    // Hands everything due by `nowUs` to `write`, the earliest first.
    virtual void WriteDue(std::int64_t nowUs, const Writer& write) = 0;
    // When something is next due (a request closed by silence, a chunk), or -1 when nothing is.
    virtual std::int64_t NextWakeUs() const = 0;
};

}  // namespace sim
