#include "link/Crc16.h"

#include <limits>
#include <stdexcept>

namespace rtu {

std::int32_t Crc16(std::span<const std::uint8_t> frame, std::int16_t count) {
    if (count == std::numeric_limits<std::int16_t>::min()) {
        throw std::overflow_error("Crc16: count -32768");
    }
    if (count > 0 && static_cast<std::size_t>(count) > frame.size()) {
        throw std::out_of_range("Crc16: count past the end of the frame");
    }
    // The register is kept as two 8-bit halves; shifting the pair right moves bit 0 of the high
    // half into bit 7 of the low half. 0xA001 is the reflected polynomial 0x8005.
    std::uint8_t high = 0xFF;
    std::uint8_t low = 0xFF;
    for (std::int16_t i = 0; i < count; ++i) {
        low ^= frame[static_cast<std::size_t>(i)];
        for (int bit = 0; bit < 8; ++bit) {
            const bool highCarry = (high & 0x01) != 0;
            const bool lowCarry = (low & 0x01) != 0;
            high = static_cast<std::uint8_t>(high >> 1);
            low = static_cast<std::uint8_t>(low >> 1);
            if (highCarry) {
                low |= 0x80;
            }
            if (lowCarry) {
                high ^= 0xA0;
                low ^= 0x01;
            }
        }
    }
    return high * 256 + low;
}

bool HasRightChecksum(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3) {
        return false;
    }
    const std::size_t body = frame.size() - 2;
    return Crc16(frame, static_cast<std::int16_t>(body)) == frame[body] + 256 * frame[body + 1];
}

void SealFrame(std::span<std::uint8_t> frame) {
    const auto body = static_cast<std::int16_t>(frame.size() - 2);
    const std::int32_t crc = Crc16(frame, body);
    frame[frame.size() - 2] = static_cast<std::uint8_t>(crc % 256);
    frame[frame.size() - 1] = static_cast<std::uint8_t>(crc / 256);
}

}  // namespace rtu
