#include "ConfigJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>

#include "device/RegisterMap.h"

namespace cli {
namespace {

void AppendString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendMember(std::string& out, std::string_view name, bool& first) {
    out += first ? "{\n  " : ",\n  ";
    first = false;
    AppendString(out, name);
    out += ": ";
}

template <typename T>
void AppendNumber(std::string& out, const std::optional<T>& value) {
    out += value ? std::string(device::DecimalText(*value).View()) : "null";
}

}  // namespace

std::string ReadingJson(const DeviceReading& reading) {
    std::string out;
    bool first = true;
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        const ConfigKey& key = kConfigKeys[i];
        const auto& value = reading.config[i];
        AppendMember(out, key.name, first);
        if (key.kind == KeyKind::List && value) {
            AppendString(out, ui::DefaultsOf(key.field).items[static_cast<std::size_t>(*value)]);
        } else {
            AppendNumber(out, value);
        }
    }
    AppendMember(out, "CurrentPosition", first);
    AppendNumber(out, reading.position);
    AppendMember(out, "Status", first);
    AppendString(out, reading.status);
    AppendMember(out, "FirmwareVersion", first);
    if (reading.version) {
        AppendString(out, "Ver" + std::string(device::DecimalText(*reading.version, 4).View()));
    } else {
        out += "null";
    }
    out += "\n}\n";
    return out;
}

std::optional<Refusal> ApplyConfigJson(std::string_view json, ConfigValues& values) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(json.data(), static_cast<qsizetype>(json.size())), &error);
    if (error.error != QJsonParseError::NoError) {
        return Refusal{"", "not JSON: " + error.errorString().toStdString() + " at byte " +
                               std::to_string(error.offset)};
    }
    if (!document.isObject()) {
        return Refusal{"", "not a JSON object"};
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string key = it.key().toStdString();
        const QJsonValue value = it.value();
        const auto index = ConfigKeyIndex(key);
        if (IsReportKey(key) || value.isNull() || (index && !kConfigKeys[*index].Saved())) {
            continue;
        }
        if (!index) {
            return Refusal{key, "not a configuration key"};
        }
        std::string text;
        if (value.isString()) {
            text = value.toString().toStdString();
        } else if (value.isDouble()) {
            // Whole numbers only; anything past the 32-bit range is refused by Assign as text.
            const double number = value.toDouble();
            if (number != std::floor(number) || std::fabs(number) > 1e15) {
                return Refusal{
                    key, "expected a whole number, not " + QString::number(number).toStdString()};
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
