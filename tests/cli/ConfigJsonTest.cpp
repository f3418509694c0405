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

// Malformed input is refused as a whole, on one line that names where the parser stopped (lines
// and columns from 1, a column in bytes) and then why, in the parser's own words.
TEST(ConfigJson, MalformedInputIsNamedByItsLineAndColumn) {
    struct Row {
        std::string_view json;
        std::string_view at;
    };
    const Row rows[] = {
        {"", "line 1, column 1"},
        {R"({"a": tru})", "line 1, column 10"},
        {"{\"WorkMode\": \"1\t\"}", "line 1, column 16"},  // a raw control byte in a text
        {"\xEF\xBB\xBF{\"a\":1,}", "line 1, column 11"},   // the byte order mark is 3 bytes
        {"{\n  \"a\": 1,\n  \"b\": 2\n  \"c\": 3\n}", "line 4, column 5"},
        {"{\n  \"a\": tru\n}", "line 2, column 11"},  // a newline is on the line it ends
        {"{\n  \"a\": 1,\n", "line 3, column 1"},
        {R"({"a": 1e400})", "line 1, column 11"},
        // The parser would end the text at a zero byte and pass over the rest.
        {std::string_view("{\"a\":1}\n\0x", 10), "line 2, column 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.json);
        ConfigValues values{};
        const auto refused = cli::ApplyConfigJson(row.json, values);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->key, "");
        EXPECT_EQ(refused->reason.rfind(std::string(row.at) + ": ", 0), 0u) << refused->reason;
        EXPECT_GT(refused->reason.size(), row.at.size() + 2) << refused->reason;
        EXPECT_EQ(refused->reason.find('\n'), std::string::npos) << refused->reason;
    }
    for (const char* json : {"[1, 2]", "5", "\xEF\xBB\xBF null"}) {
        ConfigValues values{};
        EXPECT_EQ(cli::ApplyConfigJson(json, values)->reason, "not a JSON object") << json;
    }
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

    // A port's path may hold bytes that are no UTF-8: each such sequence becomes U+FFFD, and the
    // line stays JSON.
    const std::string odd = cli::ReadingJson(reading, "/dev/tty\xFFx\xE6\x88");
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(odd.rfind("{\"Port\": \"/dev/tty" + replacement + "x" + replacement + "\", ", 0), 0u)
        << odd;
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
