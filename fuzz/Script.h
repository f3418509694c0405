#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzz {

// Reads a fuzzer's input as a script: one byte at a time, zeros once it is used up.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data, size) {}

    bool Done() const { return at_ >= data_.size(); }
    std::uint8_t Byte() { return Done() ? 0 : data_[at_++]; }
    // Up to `count` bytes, fewer at the end of the input.
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        const std::size_t n = count < data_.size() - at_ ? count : data_.size() - at_;
        const auto bytes = data_.subspan(at_, n);
        at_ += n;
        return bytes;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t at_ = 0;
};

}  // namespace fuzz
