#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Assignments.h"
#include "ConfigKeys.h"

namespace cli {

// What read learned from the device. Empty values are printed as null.
struct DeviceReading {
    ConfigValues config{};
    std::optional<std::int32_t> position;
    std::string_view status = "Unknow";  // "Pass", "Fail", or "Unknow" when not read
    std::optional<std::uint16_t> version;
};

// One JSON object, a key a line, in register order: numbers as JSON numbers, lists as their
// entry's text, then CurrentPosition, Status and FirmwareVersion ("Ver0258").
std::string ReadingJson(const DeviceReading& reading);

// Applies a JSON object such as read prints to `values`: each configuration key through Assign
// (a list entry as its text or its index, a number as a JSON number or its text). Null values,
// PresetPosition (written by preset, not by save) and the keys read reports beside the
// configuration are passed over. Anything else refuses the whole input.
std::optional<Refusal> ApplyConfigJson(std::string_view json, ConfigValues& values);

}  // namespace cli
