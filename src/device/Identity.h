#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/ReplyFramer.h"

namespace device {

// What the device says of itself, as the operator reads it: its status and its firmware version.

// The status words' reply (three registers): "Pass" when any of its six data bytes is set, else
// "Fail". A refused status read is "Unknow" (product::kStatusUnknown).
std::string_view StatusOf(const rtu::RxBufferBytes& rx);

// "Ver" and the version register in at least four digits: "Ver0258", "Ver65535". Plain bytes,
// made without the heap, since the window makes one per version reply.
class VersionText {
public:
    explicit VersionText(std::uint16_t version);
    // The version register's reply.
    static VersionText Of(const rtu::RxBufferBytes& rx);
    std::string_view View() const { return {chars_.data(), length_}; }

private:
    std::array<char, 8> chars_{};
    std::size_t length_ = 0;
};

}  // namespace device
