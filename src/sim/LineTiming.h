#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

// The device's line always runs at 115200 baud, 8N1: ten bits a byte, so a byte takes
// 10 / 115200 s, about 86.8 us, and the longest frame (47 bytes) about 4.1 ms.
inline constexpr std::int64_t kBaud = 115200;
inline constexpr std::int64_t kBitsPerByte = 10;

// How long `bytes` bytes take on the line, rounded up to whole microseconds: 8 bytes 695 us,
// 47 bytes 4080 us.
constexpr std::int64_t WireTimeUs(std::size_t bytes) {
    const auto bits = static_cast<std::int64_t>(bytes) * kBitsPerByte * 1'000'000;
    return (bits + kBaud - 1) / kBaud;
}

}  // namespace sim
