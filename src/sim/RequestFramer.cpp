#include "sim/RequestFramer.h"

#include <algorithm>

#include "link/FrameTable.h"

namespace sim {

std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> head) {
    if (head.size() < 2) {
        return std::nullopt;
    }
    switch (head[1]) {
        case rtu::kReadHoldingRegisters:
            return rtu::kReadFrameLength;
        case rtu::kWriteMultipleRegisters:
            if (head.size() < 7) {
                return std::nullopt;
            }
            return 9 + static_cast<std::size_t>(head[6]);
        default:
            return std::nullopt;
    }
}

void RequestFramer::Push(std::span<const std::uint8_t> bytes, std::int64_t nowUs) {
    if (bytes.empty()) {
        return;
    }
    // A silence the caller did not poll for still separates frames.
    if (size_ > closed_ && nowUs - lastByteUs_ >= silenceUs_) {
        closed_ = size_;
    }
    const std::size_t room = kCapacity - size_;
    const std::size_t count = std::min(room, bytes.size());
    std::copy_n(bytes.begin(), count, waiting_.begin() + static_cast<std::ptrdiff_t>(size_));
    size_ += count;
    lastByteUs_ = nowUs;
}

std::optional<std::span<const std::uint8_t>> RequestFramer::Next(std::int64_t nowUs) {
    if (closed_ > 0) {
        const std::size_t count = closed_;
        closed_ = 0;
        return TakeFront(count);
    }
    if (size_ == 0) {
        return std::nullopt;
    }
    if (const auto expected = RequestLength(std::span(waiting_).first(size_));
        expected && *expected <= size_) {
        return TakeFront(*expected);
    }
    if (nowUs - lastByteUs_ >= silenceUs_) {
        return TakeFront(size_);
    }
    return std::nullopt;
}

std::optional<std::int64_t> RequestFramer::Deadline() const {
    if (size_ == 0) {
        return std::nullopt;
    }
    return lastByteUs_ + silenceUs_;
}

std::span<const std::uint8_t> RequestFramer::TakeFront(std::size_t count) {
    std::copy_n(waiting_.begin(), count, frame_.begin());
    std::copy(waiting_.begin() + static_cast<std::ptrdiff_t>(count),
              waiting_.begin() + static_cast<std::ptrdiff_t>(size_), waiting_.begin());
    size_ -= count;
    return std::span<const std::uint8_t>(frame_).first(count);
}

}  // namespace sim
