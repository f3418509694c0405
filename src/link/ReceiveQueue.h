#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rtu {

// The bytes a serial control has received and not yet handed on, in a fixed buffer: what comes
// while it is full is lost, as on a full serial line. Nothing is allocated.
template <std::size_t Capacity>
class ReceiveQueue {
public:
    // Appends as much of `bytes` as there is room for; returns how many.
    std::size_t Put(std::span<const std::uint8_t> bytes) {
        const std::size_t taken = std::min(bytes.size(), Capacity - size_);
        std::copy_n(bytes.begin(), taken, bytes_.begin() + static_cast<std::ptrdiff_t>(size_));
        size_ += taken;
        return taken;
    }
    // Moves up to into.size() bytes, oldest first, into `into`; returns how many.
    std::size_t Take(std::span<std::uint8_t> into) {
        const std::size_t count = std::min(into.size(), size_);
        std::copy_n(bytes_.begin(), count, into.begin());
        std::copy(bytes_.begin() + static_cast<std::ptrdiff_t>(count),
                  bytes_.begin() + static_cast<std::ptrdiff_t>(size_), bytes_.begin());
        size_ -= count;
        return count;
    }
    std::size_t Size() const { return size_; }
    void Clear() { size_ = 0; }

private:
    std::array<std::uint8_t, Capacity> bytes_{};
    std::size_t size_ = 0;
};

}  // namespace rtu
