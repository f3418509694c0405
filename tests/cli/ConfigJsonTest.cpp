#include "ConfigJson.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using cli::ConfigKeyIndex;
using cli::ConfigValues;

cli::DeviceReading SampleReading() {
    cli::DeviceReading reading;
    const std::int32_t values[] = {17, 3,     1,  2,          0, 2,     1, 1024,
                                   1,  60000, 12, 2147483647, 5, 99999, 0, 123};
    for (std::size_t i = 0; i < cli::kConfigKeyCount; ++i) {
        reading.config[i] = values[i];
    }
    reading.position = 4242;
    reading.status = "Pass";
    reading.version = 258;
    return reading;
}

TEST(ConfigJson, ReadOutputShowsListTextsAndSavesBackToTheSameValues) {
    const cli::DeviceReading reading = SampleReading();
    const std::string json = cli::ReadingJson(reading);
    EXPECT_NE(json.find("\"BaudRate\": \"38400\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"Parity\": \"ODD\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"Protocol\": \"MODBUS\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"CycleValue\": 2147483647"), std::string::npos) << json;
    EXPECT_NE(json.find("\"FirmwareVersion\": \"Ver0258\""), std::string::npos) << json;
    EXPECT_LT(json.find("CommAddress"), json.find("BaudRate"));  // register order

    ConfigValues saved{};
    const auto refused = cli::ApplyConfigJson(json, saved);
    ASSERT_FALSE(refused) << refused->Message();
    ConfigValues expected = reading.config;
    expected[*ConfigKeyIndex("PresetPosition")].reset();  // preset's register, not save's
    EXPECT_EQ(saved, expected);
}

TEST(ConfigJson, UnreadableFieldsArePrintedAsNullAndSkippedOnSave) {
    cli::DeviceReading reading = SampleReading();
    reading.config[*ConfigKeyIndex("Protocol")].reset();
    reading.position.reset();
    reading.version.reset();
    reading.status = "Unknow";
    const std::string json = cli::ReadingJson(reading);
    EXPECT_NE(json.find("\"Protocol\": null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"CurrentPosition\": null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"FirmwareVersion\": null"), std::string::npos) << json;
    ConfigValues saved{};
    ASSERT_FALSE(cli::ApplyConfigJson(json, saved));
    EXPECT_FALSE(saved[*ConfigKeyIndex("Protocol")]);
    EXPECT_EQ(saved[*ConfigKeyIndex("WorkMode")], 2);
}

TEST(ConfigJson, RefusesInputNamingTheKey) {
    struct Row {
        std::string_view json;
        std::optional<std::string_view> refusedKey;  // "" for the input as a whole
        std::optional<std::int32_t> baudRate;
    };
    const Row rows[] = {
        {R"({"BaudRate": 5})", std::nullopt, 5},
        {R"({"BaudRate": "115200"})", std::nullopt, 5},
        {R"({"BaudRate": "5"})", std::nullopt, 5},
        {R"({"BaudRate": 6})", "BaudRate", std::nullopt},
        {R"({"BaudRate": 115200})", std::nullopt, 5},  // the entry whose text it is
        {R"({"WorkMode": 1.5})", "WorkMode", std::nullopt},
        {R"({"CycleValue": 3e9})", "CycleValue", std::nullopt},
        {R"({"CommAddress": true})", "CommAddress", std::nullopt},
        {R"({"CommAddress": [1]})", "CommAddress", std::nullopt},
        {R"({"Bogus": 1})", "Bogus", std::nullopt},
        {R"([1, 2])", "", std::nullopt},
        {R"({"BaudRate": 5)", "", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.json);
        ConfigValues values{};
        const auto refused = cli::ApplyConfigJson(row.json, values);
        ASSERT_EQ(refused.has_value(), row.refusedKey.has_value());
        if (refused) {
            EXPECT_EQ(refused->key, *row.refusedKey);
        }
        EXPECT_EQ(values[*ConfigKeyIndex("BaudRate")], row.baudRate);
    }
}

}  // namespace
