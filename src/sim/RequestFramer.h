#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace sim {

// The whole length of the read or write request that starts with `head`: 8 for a read, 9 plus
// the byte count for a write. Nothing when the head is too short to tell, or is another function.
std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> head);

// Cuts the bytes a slave hears into request frames. A read (function 0x03) is complete at its
// 8th byte and a write (0x10) at byte 9 + its byte count, so well-formed requests are taken the
// moment their last byte arrives, even when several come in one burst. Anything else (another
// function, garbage, a frame cut short) ends at the first silence of `silenceUs`, as Modbus RTU
// frames end, and is handed over whole for the device to refuse or ignore.
//
// Use: Push what arrived, then take frames with Next until it gives none; call Next again once
// Deadline() has passed.
class RequestFramer {
public:
    // The longest Modbus RTU frame.
    static constexpr std::size_t kCapacity = 256;

    explicit RequestFramer(std::int64_t silenceUs) : silenceUs_(silenceUs) {}

    // Bytes that arrived at nowUs. Bytes beyond kCapacity waiting are dropped; the frame they
    // belong to is broken anyway.
    void Push(std::span<const std::uint8_t> bytes, std::int64_t nowUs);
    // The next complete frame, valid until the next call; nothing when none is complete by nowUs.
    std::optional<std::span<const std::uint8_t>> Next(std::int64_t nowUs);
    // When the bytes waiting will be closed by silence; nothing when none wait.
    std::optional<std::int64_t> Deadline() const;

private:
    std::span<const std::uint8_t> TakeFront(std::size_t count);

    std::int64_t silenceUs_;
    std::array<std::uint8_t, kCapacity> waiting_{};
    std::size_t size_ = 0;
    // Bytes at the front that a silence has already closed into one frame.
    std::size_t closed_ = 0;
    std::int64_t lastByteUs_ = 0;
    std::array<std::uint8_t, kCapacity> frame_{};
};

}  // namespace sim
