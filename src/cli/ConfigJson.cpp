#include "cli/ConfigJson.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>

#include "cli/JsonInput.h"
#include "device/Identity.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;  // keys in the order they are put in

// Texts stay UTF-8, not \u escapes. A port's path may hold any bytes: each sequence that is no
// UTF-8 becomes U+FFFD, where the strict handler would throw and lose the device's reading.
std::string Dumped(const Json& value, int indent = -1) {
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

// The object on one line, its members separated by ", " and each key by ": ".
std::string OneLine(const Json& object) {
    std::string line;
    for (const auto& [key, value] : object.items()) {
        line += (line.empty() ? "{" : ", ") + Dumped(key) + ": " + Dumped(value);
    }
    return line + "}\n";
}

template <typename T>
Json OrNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json();
}

// Six significant digits as %g gives them, except that a value exactly halfway between two
// rounds away from zero, as refusals have always printed it.
std::string ShortText(double number) {
    // Every digit of the double's exact decimal expansion (at most 767 of them): d.ddddd, then
    // the digit that decides the rounding and the rest.
    std::array<char, 800> exact{};
    std::snprintf(exact.data(), exact.size(), "%.767e", number);
    const std::string_view digits(exact.data() + (std::signbit(number) ? 1 : 0));
    const std::string_view rest = digits.substr(8, digits.find('e') - 8);
    if (digits[7] == '5' && rest.find_first_not_of('0') == std::string_view::npos) {
        number = std::nextafter(number, std::signbit(number) ? -HUGE_VAL : HUGE_VAL);
    }
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%g", number);
    return text.data();
}

}  // namespace

std::string FailedReadingJson(std::string_view port, std::string_view error) {
    return OneLine({{"Port", port}, {"Error", error}});
}

std::string ValueText(const ConfigKey& key, std::int32_t value) {
    if (key.kind == KeyKind::List) {
        const auto items = ui::DefaultsOf(key.field).items;
        if (value >= 0 && static_cast<std::size_t>(value) < items.size()) {
            return std::string(items[static_cast<std::size_t>(value)]);
        }
    }
    return std::to_string(value);
}

std::string ReadingJson(const DeviceReading& reading, std::optional<std::string_view> port) {
    Json object = Json::object();
    if (port) {
        object["Port"] = *port;
    }
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        const ConfigKey& key = kConfigKeys[i];
        const auto& value = reading.config[i];
        Json& member = object[std::string(key.name)];
        if (key.kind == KeyKind::List && value) {
            member = ui::DefaultsOf(key.field).items[static_cast<std::size_t>(*value)];
        } else {
            member = OrNull(value);
        }
    }
    object["CurrentPosition"] = OrNull(reading.position);
    object["Status"] = reading.status;
    object["FirmwareVersion"] =
        reading.version ? Json(device::VersionText(*reading.version).View()) : Json();
    return port ? OneLine(object) : Dumped(object, 2) + "\n";
}

std::optional<Refusal> ApplyConfigJson(std::string_view json, ConfigValues& values,
                                       std::vector<std::string>* nullKeys) {
    JsonMembers members;
    if (auto why = ReadJsonObject(json, members)) {
        return Refusal{"", std::move(*why)};
    }
    for (const auto& [key, value] : members) {
        const auto index = ConfigKeyIndex(key);
        const bool saved = index && kConfigKeys[*index].Saved();
        if (saved && value.type == JsonValue::Type::Null && nullKeys != nullptr) {
            nullKeys->push_back(key);
        }
        // Port: read's key for the device's port when it read several.
        if (IsReportKey(key) || key == "Port" || value.type == JsonValue::Type::Null ||
            (index && !saved)) {
            continue;
        }
        if (!index) {
            return Refusal{key, "not a configuration key; the keys are " + SavedKeyNames()};
        }
        std::string text;
        if (value.type == JsonValue::Type::Text) {
            text = value.text;
        } else if (value.type == JsonValue::Type::Number) {
            // Whole numbers only; anything past the 32-bit range is refused by Assign as text.
            const double number = value.number;
            if (number != std::floor(number) || std::fabs(number) > 1e15) {
                return Refusal{key, "expected a whole number, not " + ShortText(number)};
            }
            text = std::to_string(static_cast<long long>(number));
        } else {
            return Refusal{key, "expected a number or a text"};
        }
        if (auto refused = Assign(values, key, text)) {
            return refused;
        }
    }
    return std::nullopt;
}

}  // namespace cli
