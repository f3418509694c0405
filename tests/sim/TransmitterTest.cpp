#include "sim/Transmitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "harness/Rig.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Sealed;

constexpr std::int64_t kSecond = 1'000'000;

// The answer the device puts on the line for `request`, all chunks together; empty when silent.
Bytes Answer(sim::Transmitter& device, const Bytes& request, std::int64_t nowUs = 0) {
    sim::Reply reply;
    device.Handle(request, nowUs, reply);
    Bytes bytes;
    for (std::size_t chunk = 0; chunk < reply.ChunkCount(); ++chunk) {
        const auto piece = reply.Bytes(chunk);
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    return bytes;
}

std::array<std::uint16_t, sim::kRegisterCount> Registers(const sim::Transmitter& device) {
    std::array<std::uint16_t, sim::kRegisterCount> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = device.Register(i);
    }
    return values;
}

struct Exchange {
    std::string name;
    std::function<void(sim::Transmitter&)> setUp;
    std::string request;
    std::string reply;
};
void PrintTo(const Exchange& row, std::ostream* os) {
    *os << row.name;
}

class WorkedExample : public testing::TestWithParam<Exchange> {};

TEST_P(WorkedExample, RepliesByteForByte) {
    sim::Transmitter device;
    GetParam().setUp(device);
    EXPECT_EQ(Answer(device, Hex(GetParam().request)), Hex(GetParam().reply));
}

// The factory state holds the example configuration (address 1, 115200, no parity, active,
// multi-turn, reciprocating, clockwise, 3600 per turn, current 3276..0, cycle, reciprocation and
// upper limit 4096, lower limit 0) and firmware version 258.
INSTANTIATE_TEST_SUITE_P(
    Replies, WorkedExample,
    testing::Values(
        Exchange{"ConfigurationWithPreset100000",
                 [](sim::Transmitter& d) {
                     d.SetRegister(19, 0x0001);
                     d.SetRegister(20, 0x86A0);
                 },
                 "00 03 00 00 00 15 85 D4",
                 "00 03 2A 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC 00 00 00 00 "
                 "10 00 00 00 10 00 00 00 10 00 00 00 00 00 00 01 86 A0 A6 21"},
        Exchange{"Position123456", [](sim::Transmitter& d) { d.SetPosition(123456); },
                 "00 03 00 15 00 02 D4 1E", "00 03 04 00 01 E2 40 F2 63"},
        Exchange{"StatusAllZero", [](sim::Transmitter& d) { d.SetRegister(23, 0); },
                 "00 03 00 17 00 03 B4 1E", "00 03 06 00 00 00 00 00 00 2C E5"},
        Exchange{"StatusOneInSecondWord",
                 [](sim::Transmitter& d) {
                     d.SetRegister(23, 0);
                     d.SetRegister(24, 1);
                 },
                 "00 03 00 17 00 03 B4 1E", "00 03 06 00 00 00 01 00 00 7D 25"},
        Exchange{"Version258", [](sim::Transmitter&) {}, "00 03 00 1B 00 01 F5 DC",
                 "00 03 02 01 02 05 D5"},
        Exchange{"SaveConfiguration", [](sim::Transmitter&) {},
                 "00 10 00 00 00 13 26 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC "
                 "00 00 00 00 10 00 00 00 10 00 00 00 10 00 00 00 00 00 97 CB",
                 "00 10 00 00 00 13 80 15"},
        Exchange{"SetPosition100000", [](sim::Transmitter&) {},
                 "00 10 00 13 00 02 04 00 01 86 A0 85 92", "00 10 00 13 00 02 B1 DC"}),
    [](const auto& row) { return row.param.name; });

TEST(Transmitter, FactoryStatusWordsReadAsPass) {
    sim::Transmitter device;
    EXPECT_EQ(Answer(device, Hex("00 03 00 17 00 03 B4 1E")),
              Sealed(Hex("00 03 06 00 01 00 00 00 00")));
}

struct WriteEffect {
    std::string name;
    std::string request;
    // Every register the write must change: from `first` on, these values.
    std::size_t first;
    std::vector<std::uint16_t> values;
};
void PrintTo(const WriteEffect& row, std::ostream* os) {
    *os << row.name;
}

class WriteChangesExactlyItsRegisters : public testing::TestWithParam<WriteEffect> {};

TEST_P(WriteChangesExactlyItsRegisters, OthersKeepTheirValues) {
    sim::Transmitter device;
    // Values unlike any the write carries, so that every register it touches visibly changes.
    for (std::size_t i = 0; i < sim::kRegisterCount; ++i) {
        device.SetRegister(i, static_cast<std::uint16_t>(0xA500 + i));
    }
    auto expected = Registers(device);
    std::copy(GetParam().values.begin(), GetParam().values.end(),
              expected.begin() + static_cast<std::ptrdiff_t>(GetParam().first));
    ASSERT_FALSE(Answer(device, Hex(GetParam().request)).empty());
    EXPECT_EQ(Registers(device), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, WriteChangesExactlyItsRegisters,
    testing::Values(
        WriteEffect{"SaveConfigFrameWritesRegisters0To18",
                    "00 10 00 00 00 13 26 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C "
                    "CC 00 00 00 00 10 00 00 00 10 00 00 00 10 00 00 00 00 00 97 CB",
                    0,
                    {1, 5, 0, 0, 1, 0, 0, 3600, 0, 3276, 0, 0, 4096, 0, 4096, 0, 4096, 0, 0}},
        // The preset also becomes the live position, registers 21-22.
        WriteEffect{"SetPositionFrameWritesThePresetAndMovesThePosition",
                    "00 10 00 13 00 02 04 00 01 86 A0 85 92",
                    19,
                    {1, 0x86A0, 1, 0x86A0}}),
    [](const auto& row) { return row.param.name; });

struct Refusal {
    std::string name;
    Bytes request;
    Bytes reply;  // empty: no reply at all
};
void PrintTo(const Refusal& row, std::ostream* os) {
    *os << row.name;
}

class RefusedRequest : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedRequest, AnswersAsModbusSaysAndChangesNothing) {
    sim::Transmitter device;
    const auto before = Registers(device);
    EXPECT_EQ(Answer(device, GetParam().request), GetParam().reply);
    EXPECT_EQ(Registers(device), before);
}

Bytes Corrupted(Bytes frame) {
    frame.back() ^= 0x01;
    return frame;
}

// A write request of `count` registers from `start` carrying `byteCount` data bytes of 0x11.
Bytes WriteRequest(std::uint16_t start, std::uint16_t count, std::uint8_t byteCount) {
    Bytes body{0x00,
               0x10,
               static_cast<std::uint8_t>(start >> 8),
               static_cast<std::uint8_t>(start & 0xFF),
               static_cast<std::uint8_t>(count >> 8),
               static_cast<std::uint8_t>(count & 0xFF),
               byteCount};
    body.insert(body.end(), byteCount, 0x11);
    return Sealed(body);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RefusedRequest,
    testing::Values(
        Refusal{"OtherSlaveAddress", Sealed(Hex("02 03 00 1B 00 01")), {}},
        Refusal{"WrongChecksum", Corrupted(Hex("00 03 00 1B 00 01 F5 DC")), {}},
        Refusal{"TooShortToBeAFrame", Hex("00 03 00"), {}},
        Refusal{"ReadOfNineBytes", Sealed(Hex("00 03 00 1B 00 01 00")), {}},
        Refusal{"WriteShorterThanItsByteCount", Sealed(Hex("00 10 00 13 00 02 04 00 01 86")), {}},
        Refusal{"ReadInputRegisters", Sealed(Hex("00 04 00 00 00 01")), Sealed(Hex("00 84 01"))},
        Refusal{"WriteSingleRegister", Sealed(Hex("01 06 00 00 00 07")), Sealed(Hex("01 86 01"))},
        Refusal{"ReadPastTheLastRegister", Sealed(Hex("00 03 00 1B 00 02")),
                Sealed(Hex("00 83 02"))},
        Refusal{"ReadStartingPastTheLastRegister", Sealed(Hex("00 03 00 1C 00 01")),
                Sealed(Hex("00 83 02"))},
        Refusal{"ReadOf125RegistersIsAnAddressFault", Sealed(Hex("00 03 00 00 00 7D")),
                Sealed(Hex("00 83 02"))},
        Refusal{"ReadOfNoRegister", Sealed(Hex("00 03 00 00 00 00")), Sealed(Hex("00 83 03"))},
        Refusal{"ReadOf126Registers", Sealed(Hex("00 03 00 00 00 7E")), Sealed(Hex("00 83 03"))},
        Refusal{"WriteOfNoRegister", WriteRequest(0, 0, 0), Sealed(Hex("00 90 03"))},
        Refusal{"WriteOf124Registers", WriteRequest(0, 124, 248), Sealed(Hex("00 90 03"))},
        Refusal{"WriteByteCountNotTwiceTheCount", WriteRequest(0, 2, 2), Sealed(Hex("00 90 03"))},
        Refusal{"WriteOfThePosition", WriteRequest(21, 2, 4), Sealed(Hex("00 90 02"))},
        Refusal{"WriteFromPresetIntoPosition", WriteRequest(19, 3, 6), Sealed(Hex("00 90 02"))},
        Refusal{"WriteOfTheVersion", WriteRequest(27, 1, 2), Sealed(Hex("00 90 02"))},
        Refusal{"WritePastTheLastRegister", WriteRequest(28, 1, 2), Sealed(Hex("00 90 02"))}),
    [](const auto& row) { return row.param.name; });

TEST(Transmitter, AnswersItsOwnAddressAndZeroWithTheRequestsAddress) {
    sim::Transmitter device;
    device.SetRegister(sim::reg::kCommAddress, 7);
    EXPECT_EQ(Answer(device, Sealed(Hex("07 03 00 1B 00 01"))), Sealed(Hex("07 03 02 01 02")));
    EXPECT_EQ(Answer(device, Sealed(Hex("00 03 00 1B 00 01"))), Sealed(Hex("00 03 02 01 02")));
    EXPECT_TRUE(Answer(device, Sealed(Hex("01 03 00 1B 00 01"))).empty());
}

TEST(Transmitter, SavedAddressTakesEffectForTheNextRequest) {
    sim::Transmitter device;
    EXPECT_EQ(Answer(device, Sealed(Hex("01 10 00 00 00 01 02 00 09"))),
              Sealed(Hex("01 10 00 00 00 01")));
    EXPECT_TRUE(Answer(device, Sealed(Hex("01 03 00 1B 00 01"))).empty());
    EXPECT_FALSE(Answer(device, Sealed(Hex("09 03 00 1B 00 01"))).empty());
}

struct Motion {
    std::string name;
    std::uint16_t turnMode;
    std::uint16_t direction;
    std::uint16_t resolution;
    std::uint32_t speed;
    std::uint32_t start;
    std::int64_t elapsedUs;
    std::uint32_t expected;
};
void PrintTo(const Motion& row, std::ostream* os) {
    *os << row.name;
}

class TurningShaft : public testing::TestWithParam<Motion> {};

TEST_P(TurningShaft, PositionFollowsElapsedTime) {
    const Motion& m = GetParam();
    sim::Transmitter device;
    device.SetRegister(sim::reg::kTurnCountMode, m.turnMode);
    device.SetRegister(sim::reg::kRotationDirection, m.direction);
    device.SetRegister(sim::reg::kResolutionPerTurn, m.resolution);
    device.AdvanceTo(5 * kSecond);
    device.SetPosition(m.start);
    device.SetSpeed(m.speed);
    device.AdvanceTo(5 * kSecond + m.elapsedUs);
    EXPECT_EQ(device.Position(), m.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shaft, TurningShaft,
    testing::Values(
        Motion{"MultiTurnClockwiseCountsUp", 1, 0, 3600, 100, 0, 2'500'000, 250},
        Motion{"MultiTurnCounterClockwiseCountsDown", 1, 1, 3600, 100, 1000, kSecond, 900},
        Motion{"MultiTurnCountsPastOneTurn", 1, 0, 3600, 1000, 3000, 2 * kSecond, 5000},
        Motion{"MultiTurnWrapsBelowZero", 1, 1, 3600, 100, 10, kSecond, 0xFFFFFFFFu - 89},
        Motion{"MultiTurnWrapsAtTheTop", 1, 0, 3600, 32, 0xFFFFFFF0u, kSecond, 0x10},
        Motion{"SingleTurnWrapsAtTheResolution", 0, 0, 3600, 1000, 3000, kSecond, 400},
        Motion{"SingleTurnBackwardsWrapsToTheTop", 0, 1, 3600, 1000, 100, kSecond, 2700},
        Motion{"SingleTurnManyTurns", 0, 0, 360, 1000, 0, 10 * kSecond, 10000 % 360},
        Motion{"SingleTurnReportsAPresetWithinTheTurn", 0, 0, 3600, 0, 100000, kSecond, 2800},
        Motion{"WholeCountsOnlyJustBefore", 1, 0, 3600, 3, 0, kSecond - 1, 2},
        Motion{"WholeCountsOnlyOnTheSecond", 1, 0, 3600, 3, 0, kSecond, 3},
        Motion{"NoDriftOverADay", 1, 0, 3600, 7, 0, 86'400 * kSecond + 123'456, 604'800},
        Motion{"StillShaft", 1, 0, 3600, 0, 42, 60 * kSecond, 42}),
    [](const auto& row) { return row.param.name; });

TEST(TurningShaft, ChangesApplyFromTheirMomentOn) {
    sim::Transmitter device;
    device.SetSpeed(100);
    device.AdvanceTo(3 * kSecond);
    // Counter-clockwise from now on, by a write as the master makes it.
    ASSERT_FALSE(Answer(device, Sealed(Hex("00 10 00 06 00 01 02 00 01")), 3 * kSecond).empty());
    device.AdvanceTo(4 * kSecond);
    EXPECT_EQ(device.Position(), 200u);
    device.SetSpeed(10);
    device.AdvanceTo(6 * kSecond);
    EXPECT_EQ(device.Position(), 180u);
}

TEST(TurningShaft, PresetWriteRestartsThePositionWhichTurnsOnFromThere) {
    sim::Transmitter device;
    device.SetSpeed(1000);
    EXPECT_EQ(Answer(device, Hex("00 03 00 15 00 02 D4 1E"), 1'500'000),
              Sealed(Hex("00 03 04 00 00 05 DC")));
    ASSERT_FALSE(
        Answer(device, Hex("00 10 00 13 00 02 04 00 01 86 A0 85 92"), 2 * kSecond).empty());
    EXPECT_EQ(device.Position(), 100000u);
    EXPECT_EQ(Answer(device, Hex("00 03 00 15 00 02 D4 1E"), 3 * kSecond),
              Sealed(Hex("00 03 04 00 01 8A 88")));
}

TEST(TurningShaft, RawPositionRegistersAreReadBackAsStored) {
    sim::Transmitter device;
    device.SetRegister(21, 0x8000);
    device.SetRegister(22, 0x0000);
    EXPECT_EQ(Answer(device, Hex("00 03 00 15 00 02 D4 1E")), Sealed(Hex("00 03 04 80 00 00 00")));
}

}  // namespace
