#include "link/Crc16.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "link/FrameTable.h"

namespace {

std::vector<std::uint8_t> Ascii(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(Crc16, CheckValueOfTheStandardString) {
    const auto bytes = Ascii("123456789");
    EXPECT_EQ(rtu::Crc16(bytes, 9), 0x4B37);
}

struct StoredChecksum {
    const char* name;
    rtu::ReadFrame rtu::FrameTable::*frame;
    std::int32_t crc;
};

class ReadFrameChecksum : public testing::TestWithParam<StoredChecksum> {};

TEST_P(ReadFrameChecksum, FirstSixBytesGiveTheStoredChecksum) {
    rtu::FrameTable table;
    table.Build();
    const rtu::ReadFrame& frame = table.*(GetParam().frame);
    const std::int32_t crc = rtu::Crc16(frame, 6);
    EXPECT_EQ(crc, GetParam().crc);
    EXPECT_EQ(frame[6], crc % 256);
    EXPECT_EQ(frame[7], crc / 256);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ReadFrameChecksum,
    testing::Values(StoredChecksum{"ReadPositionFrame", &rtu::FrameTable::ReadPositionFrame,
                                   0x1ED4},
                    StoredChecksum{"ReadAllFrame", &rtu::FrameTable::ReadAllFrame, 0xD485},
                    StoredChecksum{"ReadStatusFrame", &rtu::FrameTable::ReadStatusFrame, 0x1EB4},
                    StoredChecksum{"ReadVersionFrame", &rtu::FrameTable::ReadVersionFrame, 0xDCF5}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Crc16, ZeroAndNegativeCountsReadNothing) {
    // An empty span: any read would be out of bounds, so these prove nothing is read.
    const std::span<const std::uint8_t> empty;
    for (std::int16_t count : {0, -1, -2, -100, -32767}) {
        EXPECT_EQ(rtu::Crc16(empty, count), 65535) << "count " << count;
    }
}

TEST(Crc16, BytesFromCountOnAreIgnored) {
    auto bytes = Ascii("123456789");
    bytes.push_back(0xAA);
    bytes.push_back(0x55);
    EXPECT_EQ(rtu::Crc16(bytes, 9), 0x4B37);
}

TEST(Crc16, CountsNoCallerCanPassAreRefused) {
    const std::array<std::uint8_t, 4> bytes{};
    EXPECT_THROW(rtu::Crc16(bytes, 5), std::out_of_range);
    EXPECT_THROW(rtu::Crc16(bytes, -32768), std::overflow_error);
}

TEST(SealFrame, StoresTheChecksumLowByteFirstInTheLastTwoBytes) {
    rtu::FrameTable table;
    table.Build();
    // A preset of 100000: 00 01 86 A0 seals as 85 92.
    auto frame = table.SetPositionFrame;
    frame[7] = 0x00;
    frame[8] = 0x01;
    frame[9] = 0x86;
    frame[10] = 0xA0;
    rtu::SealFrame(frame);
    EXPECT_EQ(frame[11], 0x85);
    EXPECT_EQ(frame[12], 0x92);
}

TEST(FrameTable, WriteFramesStartWithTheirHeaderAndZeros) {
    rtu::FrameTable table;
    table.Build();
    const std::array<std::uint8_t, 7> saveHeader{0x00, 0x10, 0x00, 0x00, 0x00, 0x13, 0x26};
    const std::array<std::uint8_t, 7> presetHeader{0x00, 0x10, 0x00, 0x13, 0x00, 0x02, 0x04};
    EXPECT_TRUE(std::equal(saveHeader.begin(), saveHeader.end(), table.SaveConfigFrame.begin()));
    EXPECT_TRUE(
        std::equal(presetHeader.begin(), presetHeader.end(), table.SetPositionFrame.begin()));
    EXPECT_TRUE(std::all_of(table.SaveConfigFrame.begin() + 7, table.SaveConfigFrame.end(),
                            [](auto b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(table.SetPositionFrame.begin() + 7, table.SetPositionFrame.end(),
                            [](auto b) { return b == 0; }));
}

}  // namespace
