#pragma once

#include <cstdint>
#include <span>

namespace cli {

// Copies a request frame of the window's table (built for slave address 0) into `into` with
// another slave address in byte 0, and reseals it. Returns the copy. `into` must be at least as
// long as the frame. For address 0 the copy is byte for byte the window's frame.
std::span<const std::uint8_t> AddressedFrame(std::span<const std::uint8_t> frame,
                                             std::uint8_t address, std::span<std::uint8_t> into);

}  // namespace cli
