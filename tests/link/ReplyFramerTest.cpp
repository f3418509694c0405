#include "link/ReplyFramer.h"

#include <gtest/gtest.h>

#include "harness/FakeSerialControl.h"
#include "harness/FakeTimer.h"
#include "harness/Rig.h"
#include "link/Crc16.h"
#include "link/FrameTable.h"
#include "link/SendFrame.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Ms;

using Heard = std::pair<rtu::RxVerdict, Bytes>;

// What the framer tells a trace about each gathering.
class RecordingTrace : public rtu::TrafficTrace {
public:
    void Tx(std::span<const std::uint8_t>) override {}
    void Rx(std::span<const std::uint8_t> bytes, rtu::RxVerdict verdict) override {
        rx.emplace_back(verdict, Bytes(bytes.begin(), bytes.end()));
    }
    void Open(std::string_view) override {}
    void Close() override {}
    void Error(std::string_view) override {}
    std::vector<Heard> rx;
};

// The framer on a fake port, with a handler that records each reply it is given.
class Framing : public testing::Test, public rtu::ReplyHandler, public rtu::SerialListener {
protected:
    Framing() {
        serial.AddPort("ttyUSB0");
        serial.SetListener(this);
        serial.SelectPort("ttyUSB0");
        EXPECT_EQ(serial.Open(), rtu::SerialError::None);
        timer1.OnTick([this] { framer.Timer1_Timer(); });
    }

    void HandleReply(const rtu::RxBufferBytes& rx) override {
        lengthsAtHandover.push_back(framer.RxLength());
        replies.emplace_back(rx.begin(), rx.begin() + framer.RxLength());
    }
    void OnBytesWaiting() override { framer.MSComm1_OnComm(); }
    void OnSerialError(rtu::SerialError) override {}

    harness::VirtualClock clock;
    harness::FakeSerialControl serial{clock};
    harness::FakeTimer timer1{clock, 50};
    RecordingTrace trace;
    rtu::ReplyFramer framer{serial, timer1, *this, &trace};
    std::vector<Bytes> replies;
    std::vector<int> lengthsAtHandover;
};

const Bytes kPositionReply = Hex("00 03 04 00 01 E2 40 F2 63");

TEST_F(Framing, ReplySplitOverNotificationsUnder50MsApartIsTestedOnce) {
    serial.DeliverAt(Ms(0), Bytes(kPositionReply.begin(), kPositionReply.begin() + 3));
    serial.DeliverAt(Ms(49), Bytes(kPositionReply.begin() + 3, kPositionReply.begin() + 7));
    serial.DeliverAt(Ms(98), Bytes(kPositionReply.begin() + 7, kPositionReply.end()));
    clock.AdvanceTo(Ms(147));
    EXPECT_TRUE(replies.empty()) << "the check runs 50 ms after the last byte, not before";
    clock.AdvanceTo(Ms(148));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], kPositionReply);
    EXPECT_EQ(framer.RxLength(), 0);
    clock.AdvanceTo(Ms(1000));
    EXPECT_EQ(replies.size(), 1u);
}

TEST_F(Framing, BytesSeparatedByFiftyMsAreTwoGatherings) {
    serial.DeliverAt(Ms(0), Bytes(kPositionReply.begin(), kPositionReply.begin() + 4));
    serial.DeliverAt(Ms(51), Bytes(kPositionReply.begin() + 4, kPositionReply.end()));
    clock.AdvanceTo(Ms(200));
    EXPECT_TRUE(replies.empty()) << "neither half has a valid checksum";
}

TEST_F(Framing, OneToFourBytesAreDroppedWithoutATest) {
    for (std::size_t n = 1; n <= 4; ++n) {
        // Four bytes that happen to end in their own checksum must still not be handed over.
        Bytes bytes = harness::Sealed(Bytes(kPositionReply.begin(), kPositionReply.begin() + 2));
        bytes.resize(n);
        serial.Deliver(bytes);
        clock.AdvanceBy(Ms(60));
        EXPECT_EQ(framer.RxLength(), 0) << n << " bytes";
    }
    EXPECT_TRUE(replies.empty());
}

TEST_F(Framing, FiveByteExceptionReplyReachesTheHandler) {
    serial.Deliver(Hex("00 83 02 91 31"));
    clock.AdvanceBy(Ms(50));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], Hex("00 83 02 91 31"));
    EXPECT_EQ(lengthsAtHandover[0], 5) << "RxLength is reset only after the handler returns";
}

TEST_F(Framing, AnyCorruptedByteDropsTheReply) {
    for (std::size_t i = 0; i < kPositionReply.size(); ++i) {
        Bytes corrupted = kPositionReply;
        corrupted[i] ^= 0x10;
        serial.Deliver(corrupted);
        clock.AdvanceBy(Ms(60));
        EXPECT_EQ(framer.RxLength(), 0);
    }
    EXPECT_TRUE(replies.empty());
}

TEST_F(Framing, EightyOneBytesAreCheckedOverTheFirst79) {
    Bytes body(79);
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    const Bytes reply = harness::Sealed(body);
    ASSERT_EQ(reply.size(), 81u);
    serial.Deliver(reply);
    clock.AdvanceBy(Ms(50));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], reply);
}

TEST_F(Framing, BytesPastEightyOneAreDiscardedAndTheBufferHolds81) {
    Bytes body(79, 0x5A);
    Bytes reply = harness::Sealed(body);
    // 40 extra bytes: the buffer keeps the first 81, so the sealed reply is still accepted.
    Bytes tooLong = reply;
    tooLong.insert(tooLong.end(), 40, 0xEE);
    serial.Deliver(Bytes(tooLong.begin(), tooLong.begin() + 60));
    serial.Deliver(Bytes(tooLong.begin() + 60, tooLong.end()));
    EXPECT_EQ(framer.RxLength(), 81);
    clock.AdvanceBy(Ms(50));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], reply);
    EXPECT_EQ(framer.RxLength(), 0);
}

TEST_F(Framing, ReceiveHandlerLeavesNoByteInThePort) {
    // A burst larger than the handler's read chunk is drained completely in one notification.
    Bytes big(200, 0x11);
    serial.Deliver(big);
    EXPECT_EQ(serial.WaitingBytes(), 0u);
    EXPECT_EQ(framer.RxLength(), 81);
    EXPECT_EQ(std::count(serial.Calls().begin(), serial.Calls().end(), "DiscardInput"), 0);
}

TEST_F(Framing, ClosingWhileGatheringStillChecks50MsAfterTheLastByte) {
    serial.DeliverAt(Ms(0), kPositionReply);
    clock.AdvanceTo(Ms(10));
    serial.Close();
    clock.AdvanceTo(Ms(49));
    EXPECT_TRUE(replies.empty());
    clock.AdvanceTo(Ms(50));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], kPositionReply);
}

TEST_F(Framing, TwoRepliesWithoutAGapAreDroppedTogether) {
    Bytes glued = kPositionReply;
    glued.insert(glued.end(), kPositionReply.begin(), kPositionReply.end());
    serial.DeliverAt(Ms(0), Bytes(glued.begin(), glued.begin() + 9));
    serial.DeliverAt(Ms(5), Bytes(glued.begin() + 9, glued.end()));
    clock.AdvanceTo(Ms(100));
    EXPECT_TRUE(replies.empty());
}

// --- Adapters that hear their own transmitter ---

Bytes Joined(std::span<const std::uint8_t> first, const Bytes& second) {
    Bytes bytes(first.begin(), first.end());
    bytes.insert(bytes.end(), second.begin(), second.end());
    return bytes;
}

class EchoFraming : public Framing {
protected:
    EchoFraming() {
        frames.Build();
        for (std::size_t i = 7; i < 45; ++i) {
            frames.SaveConfigFrame[i] = static_cast<std::uint8_t>(i * 5);
        }
        rtu::SealFrame(frames.SaveConfigFrame);
        frames.SetPositionFrame[10] = 0x40;
        rtu::SealFrame(frames.SetPositionFrame);
    }

    void Send(std::span<const std::uint8_t> frame) {
        ASSERT_EQ(rtu::SendFrame(serial, frame, framer), rtu::SendResult::Sent);
    }

    rtu::FrameTable frames;
    const Bytes configReply = harness::Sealed([] {
        Bytes body{0x00, 0x03, 0x2A};
        body.resize(45, 0x07);
        return body;
    }());
    const Bytes saveReply = harness::Sealed(Hex("00 10 00 00 00 13"));
};

TEST_F(EchoFraming, EchoOfEachFrameIsRemovedAndTheReplyHandedOnFromIndexZero) {
    struct Case {
        const char* name;
        std::span<const std::uint8_t> frame;
        Bytes reply;
    };
    const Case cases[] = {
        {"ReadPositionFrame", frames.ReadPositionFrame, kPositionReply},
        {"ReadAllFrame", frames.ReadAllFrame, configReply},
        {"ReadStatusFrame", frames.ReadStatusFrame,
         harness::Sealed(Hex("00 03 06 00 01 00 00 00 00"))},
        {"ReadVersionFrame", frames.ReadVersionFrame, Hex("00 03 02 01 02 05 D5")},
        {"SaveConfigFrame", frames.SaveConfigFrame, saveReply},
        {"SetPositionFrame", frames.SetPositionFrame, harness::Sealed(Hex("00 10 00 13 00 02"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        replies.clear();
        lengthsAtHandover.clear();
        trace.rx.clear();
        Send(c.frame);
        serial.Deliver(Joined(c.frame, c.reply));
        clock.AdvanceBy(Ms(50));
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0], c.reply);
        EXPECT_EQ(lengthsAtHandover[0], static_cast<int>(c.reply.size()));
        EXPECT_EQ(trace.rx, (std::vector<Heard>{{rtu::RxVerdict::Echo, Joined(c.frame, {})},
                                                {rtu::RxVerdict::Ok, c.reply}}));
    }
}

TEST_F(EchoFraming, OnlyTheWholeFrameSentLastCountsAsEcho) {
    struct Case {
        const char* name;
        Bytes line;
        bool handedOn;
    };
    const Case cases[] = {
        {"reply without echo", configReply, true},
        {"echo cut short", Joined(std::span(frames.ReadAllFrame).first(6), configReply), false},
        {"echo of another frame", Joined(frames.ReadPositionFrame, configReply), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        replies.clear();
        trace.rx.clear();
        Send(frames.ReadAllFrame);
        serial.Deliver(c.line);
        clock.AdvanceBy(Ms(50));
        ASSERT_EQ(replies.size(), c.handedOn ? 1u : 0u);
        ASSERT_EQ(trace.rx.size(), 1u) << "nothing removed";
        EXPECT_EQ(trace.rx[0].second, c.line);
        if (c.handedOn) {
            EXPECT_EQ(replies[0], configReply);
        }
    }
}

TEST_F(EchoFraming, EchoSplitOverSeveralNotificationsIsStillRemoved) {
    Send(frames.SaveConfigFrame);
    const Bytes line = Joined(frames.SaveConfigFrame, saveReply);
    serial.DeliverAt(Ms(0), Bytes(line.begin(), line.begin() + 5));
    serial.DeliverAt(Ms(20), Bytes(line.begin() + 5, line.begin() + 30));
    serial.DeliverAt(Ms(40), Bytes(line.begin() + 30, line.begin() + 50));
    serial.DeliverAt(Ms(60), Bytes(line.begin() + 50, line.end()));
    clock.AdvanceTo(Ms(109));
    EXPECT_TRUE(replies.empty());
    clock.AdvanceTo(Ms(110));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], saveReply);
}

TEST_F(EchoFraming, SaveCommandRewritingItsFrameDoesNotHideTheEchoOfTheFrameSent) {
    Send(frames.SaveConfigFrame);
    const Bytes echo = Joined(frames.SaveConfigFrame, {});
    frames.SaveConfigFrame[7] ^= 0xFF;
    rtu::SealFrame(frames.SaveConfigFrame);
    serial.Deliver(Joined(echo, saveReply));
    clock.AdvanceBy(Ms(50));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], saveReply);
}

// The echo shares the 81 bytes with the reply. A save's 47-byte echo and its 8-byte reply fit
// with room to spare; bytes past 81 are discarded, and what follows the echo then fails. An echo
// alone leaves nothing to test.
TEST_F(EchoFraming, EchoAndReplyShareTheEightyOneBytes) {
    const auto sealedOf = [](std::size_t length) {
        Bytes body{0x00, 0x03, static_cast<std::uint8_t>(length - 5)};
        body.resize(length - 2, 0x3C);
        return harness::Sealed(body);
    };
    Bytes saveThenNoise = saveReply;
    saveThenNoise.insert(saveThenNoise.end(), 30, 0xA5);
    struct Case {
        const char* name;
        std::span<const std::uint8_t> frame;
        Bytes tail;
        bool handedOn;
        std::size_t testedBytes;
    };
    const Case cases[] = {
        {"echo alone", frames.ReadAllFrame, {}, false, 0},
        {"save echo 47 + reply 8 = 55", frames.SaveConfigFrame, saveReply, true, 8},
        {"read echo 8 + reply 73 = 81", frames.ReadAllFrame, sealedOf(73), true, 73},
        {"read echo 8 + reply 74 = 82", frames.ReadAllFrame, sealedOf(74), false, 73},
        {"save echo 47 + reply 8 + 30 noise = 85", frames.SaveConfigFrame, saveThenNoise, false,
         34},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        replies.clear();
        trace.rx.clear();
        Send(c.frame);
        serial.Deliver(Joined(c.frame, c.tail));
        EXPECT_LE(framer.RxLength(), 81);
        clock.AdvanceBy(Ms(50));
        EXPECT_EQ(replies.size(), c.handedOn ? 1u : 0u);
        EXPECT_EQ(framer.RxLength(), 0);
        ASSERT_EQ(trace.rx.size(), c.tail.empty() ? 1u : 2u);
        EXPECT_EQ(trace.rx[0], Heard(rtu::RxVerdict::Echo, Joined(c.frame, {})));
        if (c.tail.empty()) {
            continue;
        }
        EXPECT_EQ(trace.rx[1].first, c.handedOn ? rtu::RxVerdict::Ok : rtu::RxVerdict::Checksum);
        EXPECT_EQ(trace.rx[1].second, Bytes(c.tail.begin(), c.tail.begin() + c.testedBytes));
    }
}

}  // namespace
