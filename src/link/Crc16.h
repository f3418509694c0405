#pragma once

#include <cstdint>
#include <span>

namespace rtu {

// CRC-16/MODBUS over the first `count` bytes of `frame`: 0..65535. A count of 0 or below reads
// nothing and gives 65535. A count past the end of the frame, or -32768, is a caller's fault and
// throws (no caller can pass one: the counts in use are 45, 11 and 3..79).
std::int32_t Crc16(std::span<const std::uint8_t> frame, std::int16_t count);

// Whether the last two bytes of `frame` are the checksum of the rest, low byte first. A frame
// shorter than three bytes has no room for one and is never right.
bool HasRightChecksum(std::span<const std::uint8_t> frame);

// Stores the checksum of everything before the last two bytes in those two bytes, low byte first.
void SealFrame(std::span<std::uint8_t> frame);

}  // namespace rtu
