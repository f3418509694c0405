#include "link/ReplyFramer.h"

#include <gtest/gtest.h>

#include "harness/FakeSerialControl.h"
#include "harness/FakeTimer.h"
#include "harness/Rig.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Ms;

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
    rtu::ReplyFramer framer{serial, timer1, *this};
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

}  // namespace
