#include "harness/SimulatedDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/Rig.h"
#include "link/Crc16.h"
#include "sim/LineTiming.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Micros;
using harness::Ms;
using harness::Sealed;
using sim::WireTimeUs;

const Bytes kReadAll = Hex("00 03 00 00 00 15 85 D4");
const Bytes kReadPosition = Hex("00 03 00 15 00 02 D4 1E");
const Bytes kReadStatus = Hex("00 03 00 17 00 03 B4 1E");
const Bytes kReadVersion = Hex("00 03 00 1B 00 01 F5 DC");
const Bytes kSetPosition = Hex("00 10 00 13 00 02 04 00 01 86 A0 85 92");
const Bytes kVersionReply = Hex("00 03 02 01 02 05 D5");

struct Notification {
    Micros at;
    Bytes bytes;
};

bool ChecksumIsRight(const Bytes& frame) {
    const auto body = static_cast<std::int16_t>(frame.size() - 2);
    return frame.size() >= 5 &&
           rtu::Crc16(frame, body) == frame[frame.size() - 2] + 256 * frame[frame.size() - 1];
}

// The transmitter behind an open fake port, and what the master side hears: each receive
// notification with its time and the bytes waiting then.
class AtTheMaster : public testing::Test, public rtu::SerialListener {
protected:
    AtTheMaster() {
        serial.AddPort("ttyUSB0");
        serial.SetListener(this);
        serial.SelectPort("ttyUSB0");
        EXPECT_EQ(serial.Open(), rtu::SerialError::None);
    }

    void OnBytesWaiting() override {
        Bytes bytes(256);
        bytes.resize(serial.Read(bytes));
        heard.push_back({clock.Now(), bytes});
    }
    void OnSerialError(rtu::SerialError) override {}

    // Writes `request` at `at` and lets 200 ms pass, one tick of the tool's scheduler.
    std::vector<Notification> Exchange(const Bytes& request, Micros at = Ms(10)) {
        heard.clear();
        clock.AdvanceTo(at);
        serial.Write(request);
        clock.AdvanceTo(at + Ms(200));
        return heard;
    }

    void SetFaults(const sim::Faults& faults) { device.Device().SetFaults(faults); }

    harness::VirtualClock clock;
    harness::FakeSerialControl serial{clock};
    harness::SimulatedDevice device{clock, serial};
    std::vector<Notification> heard;
};

TEST_F(AtTheMaster, ReplyArrivesAfterTheRequestAndTheReplyHaveCrossedTheLine) {
    const auto heardNow = Exchange(kReadAll, Ms(10));
    ASSERT_EQ(heardNow.size(), 1u);
    EXPECT_EQ(heardNow[0].at, Ms(10) + WireTimeUs(8) + WireTimeUs(47));
    EXPECT_EQ(heardNow[0].bytes.size(), 47u);
    EXPECT_EQ(WireTimeUs(8) + WireTimeUs(47), 695 + 4080);
}

TEST_F(AtTheMaster, ResponseDelayComesBetweenRequestAndReply) {
    SetFaults({.responseDelayUs = Ms(30)});
    const auto heardNow = Exchange(kReadVersion, Ms(10));
    ASSERT_EQ(heardNow.size(), 1u);
    EXPECT_EQ(heardNow[0].at, Ms(10) + WireTimeUs(8) + Ms(30) + WireTimeUs(7));
    EXPECT_EQ(heardNow[0].bytes, kVersionReply);
}

TEST_F(AtTheMaster, WritesFollowEachOtherOnTheLine) {
    clock.AdvanceTo(Ms(10));
    serial.Write(kReadVersion);
    serial.Write(kReadVersion);
    clock.AdvanceTo(Ms(100));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].at, Ms(10) + WireTimeUs(8) + WireTimeUs(7));
    EXPECT_EQ(heard[1].at, Ms(10) + 2 * WireTimeUs(8) + WireTimeUs(7));
}

TEST_F(AtTheMaster, OtherFunctionIsRefusedOnceTheSilenceHasEndedIt) {
    const auto heardNow = Exchange(Sealed(Hex("00 04 00 00 00 01")), Ms(10));
    ASSERT_EQ(heardNow.size(), 1u);
    EXPECT_EQ(heardNow[0].at, Ms(10) + WireTimeUs(8) + 1750 + WireTimeUs(5));
    EXPECT_EQ(heardNow[0].bytes, Sealed(Hex("00 84 01")));
}

// For each fault scope: which of the five requests the tool sends are affected.
struct ScopeCase {
    std::string name;
    sim::Scope scope;
    std::vector<bool> affected;  // config, position, status, version, preset
};
void PrintTo(const ScopeCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<Bytes>& ToolRequests() {
    static const std::vector<Bytes> requests{kReadAll, kReadPosition, kReadStatus, kReadVersion,
                                             kSetPosition};
    return requests;
}

class FaultScope : public AtTheMaster, public testing::WithParamInterface<ScopeCase> {};

TEST_P(FaultScope, SilenceHitsOnlyItsKind) {
    SetFaults({.silentFor = GetParam().scope});
    for (std::size_t i = 0; i < ToolRequests().size(); ++i) {
        const auto heardNow = Exchange(ToolRequests()[i], Ms(10) + Ms(2000) * Micros(i));
        EXPECT_EQ(heardNow.empty(), GetParam().affected[i]) << "request " << i;
    }
    const bool presetIgnored = GetParam().affected[4];
    EXPECT_EQ(device.Device().Register(19), presetIgnored ? 0 : 1)
        << "a silenced write changes nothing";
}

TEST_P(FaultScope, ExceptionHitsOnlyItsKind) {
    SetFaults({.exceptionFor = GetParam().scope, .exceptionCode = 0x06});
    for (std::size_t i = 0; i < ToolRequests().size(); ++i) {
        const Bytes& request = ToolRequests()[i];
        const auto heardNow = Exchange(request, Ms(10) + Ms(2000) * Micros(i));
        ASSERT_EQ(heardNow.size(), 1u);
        const Bytes refusal = Sealed({0x00, static_cast<std::uint8_t>(request[1] | 0x80), 0x06});
        EXPECT_EQ(heardNow[0].bytes == refusal, GetParam().affected[i]) << "request " << i;
    }
    const bool presetRefused = GetParam().affected[4];
    EXPECT_EQ(device.Device().Register(19), presetRefused ? 0 : 1)
        << "a refused write changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FaultScope,
    testing::Values(
        ScopeCase{"None", sim::Scope::None, {false, false, false, false, false}},
        ScopeCase{"Every", sim::Scope::Every, {true, true, true, true, true}},
        ScopeCase{
            "Configuration", sim::Scope::ConfigurationRead, {true, false, false, false, false}},
        ScopeCase{"Position", sim::Scope::PositionRead, {false, true, false, false, false}},
        ScopeCase{"Status", sim::Scope::StatusRead, {false, false, true, false, false}},
        ScopeCase{"Version", sim::Scope::VersionRead, {false, false, false, true, false}},
        ScopeCase{"Write", sim::Scope::Write, {false, false, false, false, true}}),
    [](const auto& row) { return row.param.name; });

TEST_F(AtTheMaster, EveryThirdReplyHasAWrongChecksum) {
    SetFaults({.corruptEvery = 3});
    std::vector<bool> intact;
    for (int i = 0; i < 7; ++i) {
        const auto heardNow = Exchange(kReadVersion, Ms(10) + Ms(300) * i);
        ASSERT_EQ(heardNow.size(), 1u);
        EXPECT_EQ(heardNow[0].bytes.size(), kVersionReply.size());
        intact.push_back(ChecksumIsRight(heardNow[0].bytes));
    }
    EXPECT_EQ(intact, (std::vector<bool>{true, true, false, true, true, false, true}));
}

TEST_F(AtTheMaster, SplitReplyComesAsTwoNotificationsWithTheGapBetween) {
    SetFaults({.responseDelayUs = Ms(2), .split = true, .splitGapUs = Ms(20)});
    const auto heardNow = Exchange(kReadAll, Ms(10));
    ASSERT_EQ(heardNow.size(), 2u);
    const Micros firstEnd = Ms(10) + WireTimeUs(8) + Ms(2) + WireTimeUs(23);
    EXPECT_EQ(heardNow[0].at, firstEnd);
    EXPECT_EQ(heardNow[1].at, firstEnd + Ms(20) + WireTimeUs(24));
    Bytes whole = heardNow[0].bytes;
    whole.insert(whole.end(), heardNow[1].bytes.begin(), heardNow[1].bytes.end());
    EXPECT_EQ(heardNow[0].bytes.size(), 23u);
    EXPECT_TRUE(ChecksumIsRight(whole));
    EXPECT_EQ(whole.size(), 47u);
}

TEST_F(AtTheMaster, GluedReplyIsFollowedByItsCopyWithoutAGap) {
    SetFaults({.glue = true});
    const auto heardNow = Exchange(kReadVersion, Ms(10));
    ASSERT_EQ(heardNow.size(), 1u);
    EXPECT_EQ(heardNow[0].at, Ms(10) + WireTimeUs(8) + WireTimeUs(14));
    Bytes twice = kVersionReply;
    twice.insert(twice.end(), kVersionReply.begin(), kVersionReply.end());
    EXPECT_EQ(heardNow[0].bytes, twice);
}

TEST_F(AtTheMaster, NoiseComesBetweenFramesAfterTheReply) {
    SetFaults({.noiseBytes = 8, .noiseGapUs = Ms(100)});
    const auto heardNow = Exchange(kReadVersion, Ms(10));
    ASSERT_EQ(heardNow.size(), 2u);
    EXPECT_EQ(heardNow[0].bytes, kVersionReply);
    EXPECT_EQ(heardNow[1].at, heardNow[0].at + Ms(100) + WireTimeUs(8));
    EXPECT_EQ(heardNow[1].bytes.size(), 8u);
    // The next request is still understood and answered.
    const auto next = Exchange(kReadVersion, Ms(500));
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(next[0].bytes, kVersionReply);
}

TEST_F(AtTheMaster, NoiseAlsoFillsTheSilenceOfASilencedRequest) {
    SetFaults({.responseDelayUs = Ms(5),
               .silentFor = sim::Scope::Every,
               .noiseBytes = 3,
               .noiseGapUs = Ms(40)});
    const auto heardNow = Exchange(kReadVersion, Ms(10));
    ASSERT_EQ(heardNow.size(), 1u);
    EXPECT_EQ(heardNow[0].at, Ms(10) + WireTimeUs(8) + Ms(45) + WireTimeUs(3));
    EXPECT_EQ(heardNow[0].bytes.size(), 3u);
}

TEST_F(AtTheMaster, EchoComesBackAsTheRequestLeavesBeforeAnyReply) {
    SetFaults({.echo = true});
    const auto answered = Exchange(kReadVersion, Ms(10));
    ASSERT_EQ(answered.size(), 2u);
    EXPECT_EQ(answered[0].at, Ms(10) + WireTimeUs(8));
    EXPECT_EQ(answered[0].bytes, kReadVersion);
    EXPECT_EQ(answered[1].at, Ms(10) + WireTimeUs(8) + WireTimeUs(7));
    EXPECT_EQ(answered[1].bytes, kVersionReply);

    // The adapter echoes what it sends whether or not the device answers.
    SetFaults({.silentFor = sim::Scope::Every, .echo = true});
    const auto unanswered = Exchange(kSetPosition, Ms(300));
    ASSERT_EQ(unanswered.size(), 1u);
    EXPECT_EQ(unanswered[0].bytes, kSetPosition);
}

}  // namespace
