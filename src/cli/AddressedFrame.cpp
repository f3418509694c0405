#include "cli/AddressedFrame.h"

#include <algorithm>
#include <stdexcept>

#include "link/Crc16.h"

namespace cli {

std::span<const std::uint8_t> AddressedFrame(std::span<const std::uint8_t> frame,
                                             std::uint8_t address, std::span<std::uint8_t> into) {
    if (frame.size() < 4 || into.size() < frame.size()) {
        throw std::length_error("AddressedFrame: no room for the frame");
    }
    const auto copy = into.first(frame.size());
    std::copy(frame.begin(), frame.end(), copy.begin());
    copy[0] = address;
    rtu::SealFrame(copy);
    return copy;
}

}  // namespace cli
