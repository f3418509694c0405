#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Assignments.h"
#include "cli/ConfigKeys.h"
#include "product/Texts.h"

namespace cli {

// What read learned from the device. Empty values are printed as null.
struct DeviceReading {
    ConfigValues config{};
    std::optional<std::int32_t> position;
    std::string_view status = product::kStatusUnknown;  // else "Pass" or "Fail"
    std::optional<std::uint16_t> version;
};

// One JSON object, a key a line, in register order: numbers as JSON numbers, lists as their
// entry's text, then CurrentPosition, Status and FirmwareVersion ("Ver0258"). With a port, the
// object is one line that starts with "Port": what read prints for each of several ports.
std::string ReadingJson(const DeviceReading& reading, std::optional<std::string_view> port = {});

// What read prints, as one of several ports, for a device whose configuration did not come:
// {"Port": "ttyUSB1", "Error": "no answer"} on one line. Save refuses it (Error is no key).
std::string FailedReadingJson(std::string_view port, std::string_view error);

// A value as read prints it, without quotes: a list's entry text, else the number.
std::string ValueText(const ConfigKey& key, std::int32_t value);

// Applies a JSON object such as read prints to `values`: each configuration key through Assign
// (a list entry as its text or its index, a number as a JSON number or its text). Null values,
// PresetPosition (written by preset, not by save) and the keys read reports beside the
// configuration ("Port" included) are passed over; `nullKeys`, when given, gets the keys save
// writes that are null, in byte order. Anything else, a key given twice included, refuses the
// whole input.
std::optional<Refusal> ApplyConfigJson(std::string_view json, ConfigValues& values,
                                       std::vector<std::string>* nullKeys = nullptr);

}  // namespace cli
