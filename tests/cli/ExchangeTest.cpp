#include "cli/Exchange.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "harness/FakeSerialControl.h"
#include "harness/FakeTimer.h"
#include "harness/Rig.h"
#include "harness/VirtualClock.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Micros;
using harness::Ms;
using harness::Sealed;

// Lets virtual time run, a millisecond at a time, until stopped or the time is up.
class VirtualWait : public cli::Wait {
public:
    explicit VirtualWait(harness::VirtualClock& clock) : clock_(clock) {}
    void For(int ms) override {
        const Micros until = clock_.Now() + Ms(ms);
        while (!stopped_ && clock_.Now() < until) {
            clock_.AdvanceBy(Ms(1));
        }
        stopped_ = false;
    }
    void Stop() override { stopped_ = true; }
    bool Interrupted() const override { return false; }

private:
    harness::VirtualClock& clock_;
    bool stopped_ = false;
};

const Bytes kReadVersion = Hex("00 03 00 1B 00 01 F5 DC");
const Bytes kPreset = Hex("00 10 00 13 00 02 04 00 01 86 A0 85 92");

// Pairs each request with its answer only: 500 ms a try, two retries.
TEST(Exchange, TakesOnlyTheAnswerThatFitsTheRequest) {
    struct Row {
        const char* name;
        Bytes request;
        std::uint8_t address;
        std::optional<Bytes> reply;  // sent 10 ms after each request
        Micros replyDelay;
        cli::Outcome outcome;
        std::size_t requests;
    };
    const Row rows[] = {
        {"version", kReadVersion, 0, Sealed(Hex("00 03 02 01 02")), Ms(10), cli::Outcome::Answered,
         1},
        {"from any address to 0", kReadVersion, 0, Sealed(Hex("05 03 02 01 02")), Ms(10),
         cli::Outcome::Answered, 1},
        {"from another address", kReadVersion, 1, Sealed(Hex("05 03 02 01 02")), Ms(10),
         cli::Outcome::Garbled, 3},
        {"another byte count", kReadVersion, 0, Sealed(Hex("00 03 04 00 00 00 01")), Ms(10),
         cli::Outcome::Garbled, 3},
        {"another function", kReadVersion, 0, Sealed(Hex("00 10 00 13 00 02")), Ms(10),
         cli::Outcome::Garbled, 3},
        {"exception", kReadVersion, 0, Sealed(Hex("00 83 02")), Ms(10), cli::Outcome::Exception, 1},
        {"write", kPreset, 0, Sealed(Hex("00 10 00 13 00 02")), Ms(10), cli::Outcome::Answered, 1},
        {"write of other registers", kPreset, 0, Sealed(Hex("00 10 00 00 00 13")), Ms(10),
         cli::Outcome::Garbled, 3},
        // An echoing adapter with a silent device behind it: nothing came from the device.
        {"echo alone", kReadVersion, 0, kReadVersion, 0, cli::Outcome::NoAnswer, 3},
        {"write refused", kPreset, 0, Sealed(Hex("00 90 04")), Ms(10), cli::Outcome::Exception, 1},
        // The last byte comes just inside the timeout; the 50 ms of silence end after it.
        {"complete at the timeout", kReadVersion, 0, Sealed(Hex("00 03 02 01 02")), Ms(495),
         cli::Outcome::Answered, 1},
        {"silent", kReadVersion, 0, std::nullopt, 0, cli::Outcome::NoAnswer, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        harness::VirtualClock clock;
        harness::FakeSerialControl serial(clock);
        harness::FakeTimer timer1(clock, 50);
        VirtualWait wait(clock);
        cli::Exchange exchange(serial, timer1, wait, {.address = row.address});
        timer1.OnTick([&] { exchange.Timer1_Timer(); });
        serial.SetListener(&exchange);
        serial.AddPort("ttyUSB0");
        serial.SelectPort("ttyUSB0");
        ASSERT_EQ(serial.Open(), rtu::SerialError::None);
        serial.OnWrite([&](std::span<const std::uint8_t>) {
            if (row.reply) {
                serial.DeliverAt(clock.Now() + row.replyDelay, *row.reply);
            }
        });

        EXPECT_EQ(exchange.Ask(row.request), row.outcome);
        EXPECT_EQ(serial.Written().size(), row.requests);
        EXPECT_EQ(serial.Written().front().bytes[0], row.address);
        if (row.outcome == cli::Outcome::Exception) {
            EXPECT_EQ(exchange.ExceptionCode(), (*row.reply)[2]);
        }
        if (row.outcome == cli::Outcome::NoAnswer || row.outcome == cli::Outcome::Garbled) {
            EXPECT_GE(clock.Now(), Ms(3 * 500));
        }
    }
}

// What came back when no answer did: the last garbled reply of the attempts, whichever attempt
// it came in; silence in every attempt is no answer.
TEST(Exchange, SaysWhatCameBackInsteadOfAnAnswer) {
    struct Row {
        const char* name;
        std::vector<std::optional<Bytes>> replies;  // one per attempt, nothing for silence
        cli::Outcome outcome;
        cli::Garble garble;
    };
    const Bytes checksum = Hex("00 03 02 01 02 00 00");
    const Bytes shortReply = Hex("00 03");
    const Bytes unfitting = Sealed(Hex("00 03 04 00 00 00 01"));
    const Row rows[] = {
        {"checksum", {checksum, checksum, checksum}, cli::Outcome::Garbled, cli::Garble::Checksum},
        {"short",
         {shortReply, std::nullopt, std::nullopt},
         cli::Outcome::Garbled,
         cli::Garble::Short},
        {"unfitting",
         {std::nullopt, unfitting, std::nullopt},
         cli::Outcome::Garbled,
         cli::Garble::Unfitting},
        {"the last kind",
         {checksum, shortReply, std::nullopt},
         cli::Outcome::Garbled,
         cli::Garble::Short},
        {"silence",
         {std::nullopt, std::nullopt, std::nullopt},
         cli::Outcome::NoAnswer,
         cli::Garble::None},
        {"garbled, then answered",
         {checksum, Sealed(Hex("00 03 02 01 02")), std::nullopt},
         cli::Outcome::Answered,
         cli::Garble::Checksum},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        harness::VirtualClock clock;
        harness::FakeSerialControl serial(clock);
        harness::FakeTimer timer1(clock, 50);
        VirtualWait wait(clock);
        cli::Exchange exchange(serial, timer1, wait, {});
        timer1.OnTick([&] { exchange.Timer1_Timer(); });
        serial.SetListener(&exchange);
        serial.AddPort("ttyUSB0");
        serial.SelectPort("ttyUSB0");
        ASSERT_EQ(serial.Open(), rtu::SerialError::None);
        std::size_t attempt = 0;
        serial.OnWrite([&](std::span<const std::uint8_t>) {
            if (const auto& reply = row.replies.at(attempt++)) {
                serial.DeliverAt(clock.Now() + Ms(10), *reply);
            }
        });
        EXPECT_EQ(exchange.Ask(kReadVersion), row.outcome);
        if (row.outcome != cli::Outcome::Answered) {
            EXPECT_EQ(exchange.GarbleSeen(), row.garble);
        }
    }
}

}  // namespace
