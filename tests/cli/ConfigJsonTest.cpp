#include "cli/ConfigJson.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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

// Malformed input is refused as a whole, in the words and at the bytes save has always named.
TEST(ConfigJson, MalformedInputIsNamedByItsFaultAndByte) {
    struct Row {
        std::string_view json;
        std::string_view reason;
    };
    const std::string deep = "{\"a\":" + std::string(1024, '[') + std::string(1024, ']') + "}";
    const Row rows[] = {
        {"", "illegal value at byte 0"},
        {"  ", "illegal value at byte 2"},
        {"5", "illegal value at byte 1"},
        {"\xEF\xBB\xBF"
         "5",
         "illegal value at byte 4"},
        {R"({"a":1,})", "object is missing after a comma at byte 8"},
        {R"({"a":})", "object is missing after a comma at byte 6"},
        {R"({,})", "unterminated object at byte 2"},
        {R"({"a" 1})", "missing name separator at byte 6"},
        {R"({"a" )", "missing name separator at byte 5"},
        {R"({"Bogu"": 1})", "missing name separator at byte 8"},
        {R"({"a":1 "b":2})", "unterminated object at byte 8"},
        {R"({"a":1-})", "unterminated object at byte 7"},
        {R"({"a":)", "unterminated object at byte 5"},
        {R"({"a":1)", "invalid termination by number at byte 6"},
        {R"({"a":e1)", "invalid termination by number at byte 7"},
        {R"({"a":tru})", "illegal value at byte 6"},
        {R"({"a":[tru]})", "illegal value at byte 10"},
        {R"({"a":true)", "illegal value at byte 6"},
        {R"({"a":-})", "illegal number at byte 6"},
        {R"({"a":+1})", "illegal number at byte 5"},
        {R"({"a"::1})", "illegal number at byte 5"},
        {R"({"a":1e400})", "illegal number at byte 10"},
        {R"({"a":[1 2]})", "missing value separator at byte 9"},
        {"[\n  \"CommAddress\": 17]", "missing value separator at byte 19"},
        {R"({"a":[1,2})", "unterminated array at byte 10"},
        {R"({"a":true}x)", "garbage at the end of the document at byte 10"},
        {std::string_view("{\"a\":1}\0", 8), "garbage at the end of the document at byte 7"},
        {std::string_view("{\"a\":\0"
                          "1}",
                          8),
         "illegal number at byte 5"},
        {R"({"a":"abc)", "unterminated string at byte 10"},
        {R"({"a":"\u12"})", "invalid escape sequence at byte 10"},
        {R"({"a":"\ue})", "invalid escape sequence at byte 8"},
        {"{\"a\":\"\xC3\"}", "invalid UTF8 string at byte 6"},
        {deep, "too deeply nested document at byte 1029"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.json);
        ConfigValues values{};
        const auto refused = cli::ApplyConfigJson(row.json, values);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->key, "");
        EXPECT_EQ(refused->reason, "not JSON: " + std::string(row.reason));
    }
    ConfigValues values{};
    EXPECT_EQ(cli::ApplyConfigJson("[1, 2]", values)->reason, "not a JSON object");
    // A raw control byte in a text is not JSON either; the refusal names it.
    const auto tab = cli::ApplyConfigJson("{\"WorkMode\": \"1\t\"}", values);
    ASSERT_TRUE(tab);
    EXPECT_EQ(tab->reason.rfind("not JSON: control character U+0009", 0), 0u) << tab->reason;
}

// Keys are taken in byte order, so the first refused is the first in that order, and values
// before it are already applied; a key given twice refuses the file, since which of the two was
// meant cannot be told.
TEST(ConfigJson, KeysAreTakenInByteOrderAndAKeyGivenTwiceIsRefused) {
    ConfigValues values{};
    auto refused = cli::ApplyConfigJson(R"({"Zeta": 1, "WorkMode": 1, "Bogus": 1})", values);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->key, "Bogus");
    EXPECT_FALSE(values[*ConfigKeyIndex("WorkMode")]);

    values = {};
    refused =
        cli::ApplyConfigJson(R"({"WorkMode": 1, "Parity": "ODD", "WorkMode": "测速"})", values);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->Message(), "the key \"WorkMode\" is given twice");
    EXPECT_EQ(values, ConfigValues{});
    // Twice, even as null or as a key save passes over.
    for (const char* json :
         {R"({"Status": "Pass", "Status": "Fail"})", R"({"Protocol": null, "Protocol": null})"}) {
        EXPECT_TRUE(cli::ApplyConfigJson(json, values)) << json;
    }
    // Only the object's own keys count: the same key in two nested objects is refused as a value.
    refused = cli::ApplyConfigJson(R"({"a": {"k": 1}, "b": {"k": 2}})", values);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->key, "a");
}

TEST(ConfigJson, NamesTheKeysSaveWritesThatAreNullAndPassesOverThePort) {
    ConfigValues values{};
    std::vector<std::string> nullKeys;
    const auto refused = cli::ApplyConfigJson(
        R"({"Port": "/dev/ttyUSB3", "WorkMode": null, "CommAddress": 4, "Protocol": null,
            "PresetPosition": null, "Status": null, "FirmwareVersion": null})",
        values, &nullKeys);
    ASSERT_FALSE(refused) << refused->Message();
    EXPECT_EQ(nullKeys, (std::vector<std::string>{"Protocol", "WorkMode"}));  // byte order
    EXPECT_EQ(values[*ConfigKeyIndex("CommAddress")], 4);
}

TEST(ConfigJson, AnUnknownKeyIsRefusedWithTheKeysSaveTakes) {
    ConfigValues values{};
    for (const auto& refused :
         {cli::ApplyConfigJson(R"({"Workmode": 1})", values), cli::Assign(values, "Bogus", "1")}) {
        ASSERT_TRUE(refused);
        EXPECT_NE(refused->reason.find("not a configuration key; the keys are CommAddress, "
                                       "BaudRate, Parity,"),
                  std::string::npos)
            << refused->reason;
        EXPECT_NE(refused->reason.find(", LowerLimitPosition"), std::string::npos);
        EXPECT_EQ(refused->reason.find("PresetPosition"), std::string::npos);
    }
}

TEST(ConfigJson, Utf16TextIsRefusedAsSuch) {
    ConfigValues values{};
    for (const std::string_view json :
         {std::string_view("\xFF\xFE{\0\"\0", 6), std::string_view("\xFE\xFF\0{\0\"", 6)}) {
        const auto refused = cli::ApplyConfigJson(json, values);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->reason, "not UTF-8: UTF-16 text (save it as UTF-8)");
    }
}

// As one of several ports, read prints one line a device that save takes back as it is.
TEST(ConfigJson, OneLineWithThePortSavesBackLikeTheObject) {
    const cli::DeviceReading reading = SampleReading();
    const std::string line = cli::ReadingJson(reading, "/dev/serial/by-id/usb-\"x\"");
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    EXPECT_EQ(line.rfind(R"({"Port": "/dev/serial/by-id/usb-\"x\"", "CommAddress": 17, )", 0), 0u)
        << line;
    ConfigValues fromLine{};
    ConfigValues fromObject{};
    ASSERT_FALSE(cli::ApplyConfigJson(line, fromLine));
    ASSERT_FALSE(cli::ApplyConfigJson(cli::ReadingJson(reading), fromObject));
    EXPECT_EQ(fromLine, fromObject);

    // A port's path may hold bytes that are no UTF-8; the line stays JSON.
    const std::string odd = cli::ReadingJson(reading, "/dev/tty\xFFx\xE6\x88");
    EXPECT_EQ(odd.rfind(R"({"Port": "/dev/tty\ufffdx\ufffd\ufffd", )", 0), 0u) << odd;
    ASSERT_FALSE(cli::ApplyConfigJson(odd, fromLine));

    // A device that did not answer: save must not take it for a configuration.
    const std::string failed = cli::FailedReadingJson("ttyUSB2", "no answer");
    EXPECT_EQ(failed, "{\"Port\": \"ttyUSB2\", \"Error\": \"no answer\"}\n");
    EXPECT_EQ(cli::ApplyConfigJson(failed, fromLine)->key, "Error");
}

// Every JSON number is a double: whole ones go on as their digits, others are refused and printed
// with six significant digits, a value exactly halfway rounded away from zero.
TEST(ConfigJson, NumbersAreWholeDoublesOrRefusedInShortForm) {
    struct Row {
        std::string_view number;
        std::optional<std::int32_t> cycleValue;
        std::string_view reason;  // when refused
    };
    const Row rows[] = {
        {"2.0", 2, ""},
        {"-0.0", 0, ""},
        {"1E2", 100, ""},
        {"1.5", std::nullopt, "expected a whole number, not 1.5"},
        {"123456.5", std::nullopt, "expected a whole number, not 123457"},
        {"7069.125", std::nullopt, "expected a whole number, not 7069.13"},
        {"-0.000123456789", std::nullopt, "expected a whole number, not -0.000123457"},
        {"1e16", std::nullopt, "expected a whole number, not 1e+16"},
        {"9007199254740993", std::nullopt, "expected a whole number, not 9.0072e+15"},
        {"3e9", std::nullopt,
         "\"3000000000\" is refused: expected a whole number from 0 to 2147483647"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        ConfigValues values{};
        const auto refused =
            cli::ApplyConfigJson(R"({"CycleValue": )" + std::string(row.number) + "}", values);
        EXPECT_EQ(values[*ConfigKeyIndex("CycleValue")], row.cycleValue);
        if (row.cycleValue) {
            EXPECT_FALSE(refused) << refused->Message();
        } else {
            ASSERT_TRUE(refused);
            EXPECT_EQ(refused->Message(), "CycleValue: " + std::string(row.reason));
        }
    }
}

}  // namespace
