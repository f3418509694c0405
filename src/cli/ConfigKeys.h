#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/RegisterCodec.h"
#include "device/RegisterTable.h"

namespace cli {

using KeyKind = device::RegisterKind;
// A register by the name scripts use for it, and the window field that shows it.
using ConfigKey = device::ConfigRegister;

inline constexpr std::size_t kConfigKeyCount = device::kConfigRegisterCount;

// Registers 0-20, in register order: the order read prints them in. The live position, the
// table's last entry, is reported beside them.
inline constexpr std::array<ConfigKey, kConfigKeyCount> kConfigKeys = [] {
    std::array<ConfigKey, kConfigKeyCount> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        keys[i] = device::kRegisterTable[i];
    }
    return keys;
}();
static_assert(device::kRegisterTable.size() == kConfigKeyCount + 1 &&
              device::kRegisterTable.back().writtenBy == device::WrittenBy::Nothing);

// What read prints beside the configuration; save accepts these keys in its input and ignores
// them, so that read's output can be saved as it is.
inline constexpr std::array<std::string_view, 3> kReportKeys{"CurrentPosition", "Status",
                                                             "FirmwareVersion"};

// The keys save writes, in register order, for a message that names them: "CommAddress,
// BaudRate, ..., LowerLimitPosition".
std::string SavedKeyNames();

// The index of the key in kConfigKeys.
std::optional<std::size_t> ConfigKeyIndex(std::string_view name);
bool IsReportKey(std::string_view name);
// The key a register belongs to (either half of a pair), or nothing past register 20.
const ConfigKey* KeyOfRegister(std::size_t reg);

// A value for each key: the number, or for a list the entry's index. Empty where nothing is known
// or nothing was given.
using ConfigValues = device::ConfigValues;

}  // namespace cli
