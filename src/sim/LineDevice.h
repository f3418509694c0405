#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "sim/LinePeer.h"
#include "sim/Reply.h"
#include "sim/RequestFramer.h"
#include "sim/Transmitter.h"

namespace sim {

// The simulated transmitter as its line sees it, in real time units: bytes heard from the master
// are gathered into requests, and each chunk of the reply is held until the moment its last byte
// would have arrived on a 115200 baud line. Whatever carries the bytes (a pseudo-terminal, an
// in-process port) hands them over at once, so the line's pace is kept here: a request counts as
// complete n * 87 us after its n bytes came in. Not thread-safe; its owner serialises the calls.
class LineDevice : public LinePeer {
public:
    void SetLog(LogSink log) override { log_ = std::move(log); }

    Transmitter& Device() { return device_; }
    void Reset() override;
    void Hear(std::span<const std::uint8_t> bytes, std::int64_t nowUs) override;
    void TakeFrames(std::int64_t nowUs) override;
    // Hands every reply chunk due by `nowUs` to `write`, the earliest first.
    void WriteDue(std::int64_t nowUs, const Writer& write) override;
    std::int64_t NextWakeUs() const override;

    // Frames are closed by their length (0x03, 0x10), else by 2 ms of silence. On a wire the
    // Modbus rule is 3.5 characters, fixed at 1.75 ms above 19200 baud; a pty hands over what a
    // master writes in one burst, and the scheduling of two processes adds jitter, so the gap
    // used here is a little longer. It only matters for frames the device will refuse anyway.
    static constexpr std::int64_t kSilenceUs = 2000;

private:
    // A reply chunk waiting for its time.
    struct Pending {
        bool used = false;
        std::int64_t dueUs = 0;
        std::size_t size = 0;
        std::array<std::uint8_t, Reply::kCapacity> bytes{};
    };

    void Schedule(const Reply& reply, std::int64_t requestEndUs, std::int64_t nowUs);
    void Log(std::string_view event, std::span<const std::uint8_t> bytes, std::int64_t atUs,
             std::string_view verdict = {}) const;

    static constexpr std::size_t kMaxPending = 16;

    Transmitter device_;
    RequestFramer framer_{kSilenceUs};
    Reply reply_;
    std::array<Pending, kMaxPending> pending_{};
    LogSink log_;
};

}  // namespace sim
