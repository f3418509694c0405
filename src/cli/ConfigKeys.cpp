#include "cli/ConfigKeys.h"

#include <algorithm>

namespace cli {

std::optional<std::size_t> ConfigKeyIndex(std::string_view name) {
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        if (kConfigKeys[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

std::string SavedKeyNames() {
    std::string names;
    for (const ConfigKey& key : kConfigKeys) {
        if (key.Saved()) {
            names += names.empty() ? "" : ", ";
            names += key.name;
        }
    }
    return names;
}

bool IsReportKey(std::string_view name) {
    return std::find(kReportKeys.begin(), kReportKeys.end(), name) != kReportKeys.end();
}

const ConfigKey* KeyOfRegister(std::size_t reg) {
    for (const ConfigKey& key : kConfigKeys) {
        if (key.Holds(reg)) {
            return &key;
        }
    }
    return nullptr;
}

}  // namespace cli
