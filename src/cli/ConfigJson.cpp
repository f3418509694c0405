#include "cli/ConfigJson.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "cli/JsonInput.h"
#include "device/Identity.h"
#include "device/RegisterMap.h"

namespace cli {
namespace {

// The length of the well-formed UTF-8 sequence at the front of `text`, or 0 (RFC 3629: no
// overlong forms, no surrogates, nothing past U+10FFFF).
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// A JSON string. A byte that is no part of UTF-8 (a port's path may hold any) becomes U+FFFD,
// so that the output stays JSON.
void AppendString(std::string& out, std::string_view text) {
    out += '"';
    while (!text.empty()) {
        const char c = text.front();
        const std::size_t length = Utf8Length(text);
        if (length == 0) {
            out += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    out += '"';
}

void AppendMember(std::string& out, std::string_view name, bool& first, bool oneLine) {
    if (oneLine) {
        out += first ? "{" : ", ";
    } else {
        out += first ? "{\n  " : ",\n  ";
    }
    first = false;
    AppendString(out, name);
    out += ": ";
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

template <typename T>
void AppendNumber(std::string& out, const std::optional<T>& value) {
    out += value ? std::string(device::DecimalText(*value).View()) : "null";
}

}  // namespace

std::string FailedReadingJson(std::string_view port, std::string_view error) {
    std::string out;
    bool first = true;
    AppendMember(out, "Port", first, true);
    AppendString(out, port);
    AppendMember(out, "Error", first, true);
    AppendString(out, error);
    out += "}\n";
    return out;
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
    std::string out;
    bool first = true;
    const bool oneLine = port.has_value();
    if (port) {
        AppendMember(out, "Port", first, oneLine);
        AppendString(out, *port);
    }
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        const ConfigKey& key = kConfigKeys[i];
        const auto& value = reading.config[i];
        AppendMember(out, key.name, first, oneLine);
        if (key.kind == KeyKind::List && value) {
            AppendString(out, ui::DefaultsOf(key.field).items[static_cast<std::size_t>(*value)]);
        } else {
            AppendNumber(out, value);
        }
    }
    AppendMember(out, "CurrentPosition", first, oneLine);
    AppendNumber(out, reading.position);
    AppendMember(out, "Status", first, oneLine);
    AppendString(out, reading.status);
    AppendMember(out, "FirmwareVersion", first, oneLine);
    if (reading.version) {
        AppendString(out, device::VersionText(*reading.version).View());
    } else {
        out += "null";
    }
    out += oneLine ? "}\n" : "\n}\n";
    return out;
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
