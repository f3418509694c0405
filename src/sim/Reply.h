#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "sim/LineTiming.h"

namespace sim {

// What the device puts on the line for one request: up to four chunks of bytes, each with the
// time its first byte starts, counted from the moment the device took the request as complete
// (negative for an echo, which crosses the line with the request).
// Within a chunk the bytes follow each other at the line's pace; between chunks the line is
// silent. A transport delivers each chunk as one piece when its last byte has arrived, that is
// StartUs + WireTimeUs(size) after the request. No reply at all is a Reply with no chunks.
class Reply {
public:
    // The echo of the longest request a slave takes (256 bytes), the longest reply (all 28
    // registers, 61 bytes) sent twice, plus the most noise.
    static constexpr std::size_t kCapacity = 256 + 192;
    // Echo, the reply in two halves, noise.
    static constexpr std::size_t kMaxChunks = 4;

    void Clear() {
        size_ = 0;
        chunkCount_ = 0;
    }

    void Append(std::int64_t startUs, std::span<const std::uint8_t> bytes) {
        if (chunkCount_ == kMaxChunks || size_ + bytes.size() > kCapacity) {
            throw std::length_error("Reply: too many chunks or bytes");
        }
        chunks_[chunkCount_++] = {startUs, size_, bytes.size()};
        for (std::uint8_t b : bytes) {
            bytes_[size_++] = b;
        }
    }

    bool Empty() const { return chunkCount_ == 0; }
    std::size_t ChunkCount() const { return chunkCount_; }
    std::int64_t StartUs(std::size_t chunk) const { return chunks_.at(chunk).startUs; }
    std::span<const std::uint8_t> Bytes(std::size_t chunk) const {
        const Chunk& c = chunks_.at(chunk);
        return std::span<const std::uint8_t>(bytes_).subspan(c.first, c.count);
    }
    // When the chunk's last byte has arrived at the master, counted like StartUs.
    std::int64_t ArrivalUs(std::size_t chunk) const {
        return StartUs(chunk) + WireTimeUs(Bytes(chunk).size());
    }

private:
    struct Chunk {
        std::int64_t startUs = 0;
        std::size_t first = 0;
        std::size_t count = 0;
    };

    std::array<std::uint8_t, kCapacity> bytes_{};
    std::size_t size_ = 0;
    std::array<Chunk, kMaxChunks> chunks_{};
    std::size_t chunkCount_ = 0;
};

}  // namespace sim
