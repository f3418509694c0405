// Register values as they travel, apart from any window: what a reply decodes to, which values a
// register takes, and the order in which the save refuses them.
#include "device/RegisterCodec.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>
#include <vector>

#include "harness/Rig.h"
#include "link/Crc16.h"

namespace {

using device::RegisterNamed;
using harness::Hex;

// The register's place in the table, and so in ConfigValues.
std::size_t Slot(std::string_view name) {
    return static_cast<std::size_t>(&RegisterNamed(name) - device::kRegisterTable.data());
}

// A read reply whose data starts with register `firstReg`, holding `hex` at register `name`.
rtu::RxBufferBytes ReplyWith(std::string_view name, std::string_view hex, std::uint8_t firstReg) {
    rtu::RxBufferBytes rx{};
    const auto bytes = Hex(hex);
    std::copy(bytes.begin(), bytes.end(),
              rx.begin() + 3 + 2 * (RegisterNamed(name).reg - firstReg));
    return rx;
}

TEST(RegisterCodec, DecodesEachKindWithinItsLimits) {
    struct Row {
        std::string_view name;
        std::string_view hex;
        std::optional<std::int32_t> value;
        std::uint8_t firstReg = 0;
    };
    const Row rows[] = {
        {"BaudRate", "00 05", 5},
        {"BaudRate", "00 06", std::nullopt},  // past the six rates
        {"BaudRate", "01 02", 2},             // a list's high byte is not looked at
        {"GearSelection", "00 02", std::nullopt},
        {"Protocol", "00 02", 2},
        {"Protocol", "00 03", 0},  // 3-5 mean what 0-2 mean
        {"Protocol", "00 05", 2},
        {"Protocol", "00 06", std::nullopt},
        {"CommAddress", "FF FF", 65535},
        {"CycleValue", "7F FF FF FF", 2147483647},
        {"CycleValue", "80 00 00 00", std::nullopt},
        {"PresetPosition", "00 01 86 A0", 100000},
        {"CurrentPosition", "00 00 30 39", 12345, 21},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(device::DecodeValue(ReplyWith(row.name, row.hex, row.firstReg), row.firstReg,
                                      RegisterNamed(row.name)),
                  row.value)
            << row.name << " " << row.hex;
    }
}

// The save converts the window's text fields first, in the order of their names, then its lists
// in register order; the first value that is missing or not taken is named and nothing is written.
TEST(RegisterCodec, SaveNamesTheFirstRefusalInTheWindowsOrder) {
    rtu::FrameTable frames;
    frames.Build();
    device::ConfigValues zeros{};
    for (std::size_t i = 0; i < zeros.size(); ++i) {
        zeros[i] = 0;
    }
    using Change = std::pair<std::string_view, std::optional<std::int32_t>>;
    struct Row {
        const char* what;
        std::vector<Change> changes;
        std::string_view refused;
    };
    const Row rows[] = {
        {"a number before a list",
         {{"BaudRate", std::nullopt}, {"CycleValue", std::nullopt}},
         "CycleValue"},
        {"the text fields by name",
         {{"ResolutionPerTurn", 70000}, {"CycleValue", -1}},
         "CycleValue"},
        {"every number before a list",
         {{"BaudRate", 6}, {"LowerLimitPosition", -5}},
         "LowerLimitPosition"},
        {"the lists by register", {{"GearSelection", 2}, {"Parity", 3}}, "Parity"},
    };
    for (const Row& row : rows) {
        device::ConfigValues values = zeros;
        for (const auto& [name, value] : row.changes) {
            values[Slot(name)] = value;
        }
        rtu::SaveConfigFrameBytes frame = frames.SaveConfigFrame;
        const auto refused = device::FillSaveFrame(frame, values);
        ASSERT_TRUE(refused) << row.what;
        EXPECT_EQ(device::kRegisterTable[*refused].name, row.refused) << row.what;
        EXPECT_EQ(frame, frames.SaveConfigFrame) << row.what;
    }

    device::ConfigValues values = zeros;
    values[Slot("CycleValue")] = 0x01020304;
    rtu::SaveConfigFrameBytes frame = frames.SaveConfigFrame;
    ASSERT_FALSE(device::FillSaveFrame(frame, values));
    EXPECT_EQ(harness::Bytes(frame.begin() + 29, frame.begin() + 33), Hex("01 02 03 04"));
    EXPECT_TRUE(rtu::HasRightChecksum(frame));
}

}  // namespace
