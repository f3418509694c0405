#include "sim/RequestFramer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/Rig.h"

namespace {

using harness::Bytes;
using harness::Hex;

constexpr std::int64_t kSilence = 2000;

struct Arrival {
    std::int64_t atUs;
    Bytes bytes;
};

struct Taken {
    std::int64_t atUs;
    Bytes frame;
    friend bool operator==(const Taken&, const Taken&) = default;
};

void PrintTo(const Taken& t, std::ostream* os) {
    *os << "at " << t.atUs << ":";
    for (auto b : t.frame) {
        *os << ' ' << std::hex << int(b) << std::dec;
    }
}

// Feeds the arrivals to a framer as a server loop does (take frames after each arrival and
// whenever the deadline passes) and records each frame with the time it was taken.
std::vector<Taken> Feed(const std::vector<Arrival>& arrivals) {
    sim::RequestFramer framer(kSilence);
    std::vector<Taken> taken;
    const auto takeAll = [&](std::int64_t now) {
        while (const auto frame = framer.Next(now)) {
            taken.push_back({now, Bytes(frame->begin(), frame->end())});
        }
    };
    for (const Arrival& a : arrivals) {
        while (const auto deadline = framer.Deadline()) {
            if (*deadline > a.atUs) {
                break;
            }
            takeAll(*deadline);
        }
        framer.Push(a.bytes, a.atUs);
        takeAll(a.atUs);
    }
    while (const auto deadline = framer.Deadline()) {
        takeAll(*deadline);
    }
    return taken;
}

struct FramingCase {
    std::string name;
    std::vector<Arrival> arrivals;
    std::vector<Taken> expected;
};
void PrintTo(const FramingCase& row, std::ostream* os) {
    *os << row.name;
}

class Framing : public testing::TestWithParam<FramingCase> {};

TEST_P(Framing, CutsRequestsWhereTheyEnd) {
    EXPECT_EQ(Feed(GetParam().arrivals), GetParam().expected);
}

const Bytes kRead = Hex("00 03 00 1B 00 01 F5 DC");
const Bytes kWrite = Hex("00 10 00 13 00 02 04 00 01 86 A0 85 92");

Bytes Part(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(to));
}

Bytes Joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Framing,
    testing::Values(
        FramingCase{"ReadInOneBurstIsTakenAtOnce", {{100, kRead}}, {{100, kRead}}},
        FramingCase{"ReadInPiecesIsTakenAtItsLastByte",
                    {{100, Part(kRead, 0, 3)}, {400, Part(kRead, 3, 7)}, {700, Part(kRead, 7, 8)}},
                    {{700, kRead}}},
        FramingCase{
            "WriteIsTakenAtTheLengthItsByteCountGives",
            {{100, Part(kWrite, 0, 6)}, {300, Part(kWrite, 6, 12)}, {500, Part(kWrite, 12, 13)}},
            {{500, kWrite}}},
        FramingCase{"TwoRequestsInOneBurstAreTwoFrames",
                    {{100, Joined(kRead, kWrite)}},
                    {{100, kRead}, {100, kWrite}}},
        FramingCase{"OtherFunctionEndsAtTheSilence",
                    {{100, Hex("00 04 00 00 00 01 31 DB")}},
                    {{100 + kSilence, Hex("00 04 00 00 00 01 31 DB")}}},
        FramingCase{"ReadCutShortBySilenceIsHandedOverAndTheNextReadStandsAlone",
                    {{100, Part(kRead, 0, 5)}, {100 + kSilence + 10, kRead}},
                    {{100 + kSilence, Part(kRead, 0, 5)}, {110 + kSilence, kRead}}},
        FramingCase{"SilenceJustShortOfTheGapKeepsTheFrameTogether",
                    {{100, Part(kRead, 0, 5)}, {100 + kSilence - 1, Part(kRead, 5, 8)}},
                    {{99 + kSilence, kRead}}},
        FramingCase{"GarbageBeyondTheLongestFrameIsDropped",
                    {{100, Bytes(300, 0xFF)}},
                    {{100 + kSilence, Bytes(sim::RequestFramer::kCapacity, 0xFF)}}},
        FramingCase{"WriteAnnouncingMoreThanAFrameHoldsEndsAtTheSilence",
                    {{100, Hex("00 10 00 00 00 7F FE 01 02")}},
                    {{100 + kSilence, Hex("00 10 00 00 00 7F FE 01 02")}}}),
    [](const auto& row) { return row.param.name; });

TEST(RequestFramer, SilenceNotPolledForStillSeparatesFrames) {
    sim::RequestFramer framer(kSilence);
    framer.Push(Part(kRead, 0, 4), 0);
    framer.Push(kRead, 5 * kSilence);
    const auto first = framer.Next(5 * kSilence);
    ASSERT_TRUE(first);
    EXPECT_EQ(Bytes(first->begin(), first->end()), Part(kRead, 0, 4));
    const auto second = framer.Next(5 * kSilence);
    ASSERT_TRUE(second);
    EXPECT_EQ(Bytes(second->begin(), second->end()), kRead);
    EXPECT_FALSE(framer.Next(100 * kSilence));
    EXPECT_FALSE(framer.Deadline());
}

}  // namespace
