#include "cli/ConfigFields.h"

#include <gtest/gtest.h>

#include "cli/AddressedFrame.h"
#include "harness/Rig.h"

namespace {

using cli::ConfigKeyIndex;
using harness::Bytes;
using harness::Hex;

// The configuration reply that holds the window's own example values, and the save request the
// window builds from them.
const Bytes kConfigReply = Hex(
    "00 03 2A 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC 00 00 00 00 10 00 00 00 "
    "10 00 00 00 10 00 00 00 00 00 00 01 86 A0 A6 21");
const Bytes kSaveRequest = Hex(
    "00 10 00 00 00 13 26 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC 00 00 00 00 "
    "10 00 00 00 10 00 00 00 10 00 00 00 00 00 97 CB");

rtu::RxBufferBytes Reply(const Bytes& bytes) {
    rtu::RxBufferBytes rx{};
    std::copy(bytes.begin(), bytes.end(), rx.begin());
    return rx;
}

rtu::FrameTable Frames() {
    rtu::FrameTable frames;
    frames.Build();
    return frames;
}

TEST(ConfigFields, AReadConfigurationSavesAsTheWindowsRequest) {
    const cli::ConfigValues values = cli::DecodeConfiguration(Reply(kConfigReply));
    const std::int32_t expected[] = {1, 5,    0, 0,    1,    0,    0, 3600,
                                     0, 3276, 0, 4096, 4096, 4096, 0, 100000};
    for (std::size_t i = 0; i < cli::kConfigKeyCount; ++i) {
        EXPECT_EQ(values[i], expected[i]) << cli::kConfigKeys[i].name;
    }
    rtu::SaveConfigFrameBytes frame = Frames().SaveConfigFrame;
    EXPECT_FALSE(cli::FillSaveFrame(values, frame));
    EXPECT_EQ(Bytes(frame.begin(), frame.end()), kSaveRequest);
}

TEST(ConfigFields, UndecodableFieldsAreLeftEmptyAndTheOthersDecoded) {
    Bytes reply = kConfigReply;
    reply[10] = 6;     // protocol: past the list even by the protocol rule
    reply[25] = 0x80;  // cycle value: past 2147483647
    reply[20] = 4;     // gear selection: two entries only
    cli::ConfigValues values = cli::DecodeConfiguration(Reply(reply));
    EXPECT_FALSE(values[*ConfigKeyIndex("Protocol")]);
    EXPECT_FALSE(values[*ConfigKeyIndex("CycleValue")]);
    EXPECT_FALSE(values[*ConfigKeyIndex("GearSelection")]);
    EXPECT_EQ(values[*ConfigKeyIndex("WorkMode")], 0);
    EXPECT_EQ(values[*ConfigKeyIndex("ReciprocationValue")], 4096);

    // Nothing is built while a saved field has no value.
    rtu::SaveConfigFrameBytes frame = Frames().SaveConfigFrame;
    const rtu::SaveConfigFrameBytes before = frame;
    EXPECT_EQ(cli::FillSaveFrame(values, frame), ConfigKeyIndex("Protocol"));
    EXPECT_EQ(frame, before);

    reply[10] = 4;  // "被动" by the protocol rule; a save writes the plain index
    values = cli::DecodeConfiguration(Reply(reply));
    EXPECT_EQ(values[*ConfigKeyIndex("Protocol")], 1);
}

TEST(ConfigFields, PresetFrameIsTheWindows) {
    rtu::SetPositionFrameBytes frame = Frames().SetPositionFrame;
    ASSERT_TRUE(cli::FillPresetFrame(100000, frame));
    EXPECT_EQ(Bytes(frame.begin(), frame.end()), Hex("00 10 00 13 00 02 04 00 01 86 A0 85 92"));
    EXPECT_FALSE(cli::FillPresetFrame(-1, frame));
}

TEST(AddressedFrame, ChangesTheAddressAndTheChecksumOnly) {
    const rtu::FrameTable frames = Frames();
    struct Row {
        std::span<const std::uint8_t> frame;
        std::uint8_t address;
        Bytes expected;
    };
    const Row rows[] = {
        {frames.ReadAllFrame, 0, Hex("00 03 00 00 00 15 85 D4")},
        {frames.ReadAllFrame, 1, Hex("01 03 00 00 00 15 84 05")},
        {frames.ReadVersionFrame, 1, Hex("01 03 00 1B 00 01 F4 0D")},
    };
    for (const Row& row : rows) {
        std::array<std::uint8_t, rtu::kSaveConfigFrameLength> into{};
        const auto copy = cli::AddressedFrame(row.frame, row.address, into);
        EXPECT_EQ(Bytes(copy.begin(), copy.end()), row.expected);
    }
}

}  // namespace
