#include "cli/Assignments.h"

#include "device/RegisterMap.h"

namespace cli {
namespace {

std::string ListChoices(const ConfigKey& key) {
    const auto items = ui::DefaultsOf(key.field).items;
    std::string text = "one of";
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += i == 0 ? " " : ", ";
        text += items[i];
    }
    text += " or an index 0.." + std::to_string(items.size() - 1);
    return text;
}

// A list entry by its text or its index; a number in its register's range.
std::optional<std::int32_t> ValueOf(const ConfigKey& key, std::string_view text) {
    if (key.kind == KeyKind::List) {
        const auto items = ui::DefaultsOf(key.field).items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == text) {
                return static_cast<std::int32_t>(i);
            }
        }
    }
    const auto n = device::TextToInt32(text);
    return n && device::Takes(key, *n) ? n : std::nullopt;
}

}  // namespace

std::string Refusal::Message() const {
    return key.empty() ? reason : key + ": " + reason;
}

std::optional<Refusal> Assign(ConfigValues& values, std::string_view key, std::string_view text) {
    const auto index = ConfigKeyIndex(key);
    if (!index) {
        return Refusal{std::string(key),
                       IsReportKey(key)
                           ? "is read from the device and cannot be written"
                           : "not a configuration key; the keys are " + SavedKeyNames()};
    }
    const ConfigKey& k = kConfigKeys[*index];
    const auto value = ValueOf(k, text);
    if (!value) {
        const std::string expected = k.kind == KeyKind::List ? ListChoices(k)
                                     : k.kind == KeyKind::Number16
                                         ? "a whole number from 0 to 65535"
                                         : "a whole number from 0 to 2147483647";
        return Refusal{std::string(key),
                       "\"" + std::string(text) + "\" is refused: expected " + expected};
    }
    values[*index] = value;
    return std::nullopt;
}

std::optional<Refusal> ParseAssignments(std::span<const std::string> pairs, ConfigValues& values) {
    for (const std::string& pair : pairs) {
        const auto eq = pair.find('=');
        if (eq == std::string::npos || eq == 0) {
            return Refusal{"", "\"" + pair + "\" is not KEY=VALUE"};
        }
        const std::string_view view(pair);
        const std::string_view key = view.substr(0, eq);
        const auto index = ConfigKeyIndex(key);
        if (index && !kConfigKeys[*index].Saved()) {
            return Refusal{std::string(key), "is written by preset, not by save"};
        }
        if (auto refused = Assign(values, key, view.substr(eq + 1))) {
            return refused;
        }
    }
    return std::nullopt;
}

}  // namespace cli
