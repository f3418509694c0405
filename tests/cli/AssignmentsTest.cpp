#include "cli/Assignments.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using cli::ConfigKeyIndex;
using cli::ConfigValues;

std::optional<std::int32_t> ValueOf(const ConfigValues& values, std::string_view key) {
    return values[*ConfigKeyIndex(key)];
}

TEST(Assign, TakesValuesWithTheWindowsLimits) {
    struct Row {
        std::string_view key;
        std::string_view text;
        std::optional<std::int32_t> stored;  // nothing: refused
    };
    const Row rows[] = {
        {"CommAddress", "65535", 65535},
        {"CommAddress", " 7 ", 7},  // the window's conversion allows blanks and a sign
        {"CommAddress", "+0", 0},
        {"CommAddress", "65536", std::nullopt},
        {"CommAddress", "-1", std::nullopt},
        {"ResolutionPerTurn", "", std::nullopt},
        {"ResolutionPerTurn", "36O0", std::nullopt},
        {"CycleValue", "2147483647", 2147483647},
        {"CycleValue", "2147483648", std::nullopt},
        {"LowerLimitPosition", "-5", std::nullopt},
        {"UpperLimitPosition", "1.5", std::nullopt},
        {"BaudRate", "115200", 5},  // an entry by its text
        {"BaudRate", "4800", 0},
        {"BaudRate", "5", 5},  // or by its index
        {"BaudRate", "6", std::nullopt},
        {"BaudRate", "-1", std::nullopt},
        {"Parity", "无校验", 0},
        {"Parity", "EVEN", 2},
        {"Parity", "even", std::nullopt},
        {"Protocol", "MODBUS", 2},
        {"Protocol", "3", std::nullopt},  // the protocol rule is for reading only
        {"TurnCountMode", "单圈", 0},
        {"WorkMode", "测速", 2},
        {"RotationDirection", "逆时针", 1},
        {"GearSelection", "7组", 1},
        {"GearSelection", "2", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.key) + "=" + std::string(row.text));
        ConfigValues values{};
        const auto refused = cli::Assign(values, row.key, row.text);
        if (row.stored) {
            EXPECT_FALSE(refused) << refused->Message();
            EXPECT_EQ(ValueOf(values, row.key), row.stored);
        } else {
            ASSERT_TRUE(refused);
            EXPECT_EQ(refused->key, row.key);
            EXPECT_EQ(values, ConfigValues{});
        }
    }
}

TEST(ParseAssignments, AppliesPairsInOrderAndNamesTheFirstRefusedKey) {
    struct Row {
        std::vector<std::string> pairs;
        std::optional<std::string> refusedKey;  // "" when the pair itself is malformed
    };
    const Row rows[] = {
        {{"WorkMode=1", "CommAddress=9", "WorkMode=2"}, std::nullopt},
        {{"WorkMode=1", "CycleValue=-1", "Bogus=1"}, "CycleValue"},
        {{"Bogus=1"}, "Bogus"},
        {{"Status=Pass"}, "Status"},
        {{"PresetPosition=5"}, "PresetPosition"},  // preset's register, not save's
        {{"CommAddress"}, ""},
        {{"=5"}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pairs.front());
        ConfigValues values{};
        const auto refused = cli::ParseAssignments(row.pairs, values);
        ASSERT_EQ(refused.has_value(), row.refusedKey.has_value());
        if (refused) {
            EXPECT_EQ(refused->key, *row.refusedKey);
        } else {
            EXPECT_EQ(ValueOf(values, "WorkMode"), 2);
            EXPECT_EQ(ValueOf(values, "CommAddress"), 9);
        }
    }
}

}  // namespace
