#include "device/Identity.h"

#include <algorithm>

#include "device/RegisterCodec.h"
#include "device/RegisterMap.h"
#include "link/FrameTable.h"
#include "product/Texts.h"

namespace device {

std::string_view StatusOf(const rtu::RxBufferBytes& rx) {
    const auto data = rx.begin() + rtu::kReplyDataStart;
    const bool anySet = std::any_of(data, data + 6, [](std::uint8_t b) { return b != 0; });
    return anySet ? product::kStatusPass : product::kStatusFail;
}

VersionText::VersionText(std::uint16_t version) {
    const std::string_view prefix = product::kVersionPrefix;
    const DecimalText digits(version, 4);
    const auto end = std::copy(prefix.begin(), prefix.end(), chars_.begin());
    length_ = static_cast<std::size_t>(std::copy(digits.View().begin(), digits.View().end(), end) -
                                       chars_.begin());
}

VersionText VersionText::Of(const rtu::RxBufferBytes& rx) {
    return VersionText(Decode16(rx, rtu::kReplyDataStart));
}

}  // namespace device
