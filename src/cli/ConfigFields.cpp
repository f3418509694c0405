#include "cli/ConfigFields.h"

#include "device/RegisterCodec.h"

namespace cli {

ConfigValues DecodeConfiguration(const rtu::RxBufferBytes& reply) {
    ConfigValues values{};
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        values[i] = device::DecodeValue(reply, 0, kConfigKeys[i]);
    }
    return values;
}

std::optional<std::size_t> FillSaveFrame(const ConfigValues& values,
                                         rtu::SaveConfigFrameBytes& frame) {
    // A value that is missing is named in register order, before the save's own order applies.
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        if (kConfigKeys[i].Saved() && !values[i]) {
            return i;
        }
    }
    return device::FillSaveFrame(frame, values);
}

bool FillPresetFrame(std::int32_t position, rtu::SetPositionFrameBytes& frame) {
    return device::FillPresetFrame(frame, position);
}

}  // namespace cli
