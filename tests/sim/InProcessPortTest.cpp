#include "sim/InProcessPort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/FakeTimer.h"
#include "harness/Rig.h"
#include "sim/LineTiming.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Micros;
using harness::Ms;

const Bytes kReadAll = Hex("00 03 00 00 00 15 85 D4");
const Bytes kReadVersion = Hex("00 03 00 1B 00 01 F5 DC");
const Bytes kSetPosition = Hex("00 10 00 13 00 02 04 00 01 86 A0 85 92");

// Every byte the master side received, with the time of the notification that brought it.
class Receiver : public rtu::SerialListener {
public:
    Receiver(harness::VirtualClock& clock, rtu::SerialControl& port) : clock_(clock), port_(port) {
        port_.SetListener(this);
    }
    void OnBytesWaiting() override {
        std::array<std::uint8_t, 64> chunk{};
        while (const std::size_t n = port_.Read(chunk)) {
            for (std::size_t i = 0; i < n; ++i) {
                bytes.push_back(chunk[i]);
                times.push_back(clock_.Now());
            }
        }
    }
    void OnSerialError(rtu::SerialError) override { ++errors; }

    Bytes bytes;
    std::vector<Micros> times;
    int errors = 0;

private:
    harness::VirtualClock& clock_;
    rtu::SerialControl& port_;
};

// The in-process port carries what the transmitter answers, chunk by chunk, each when its last
// byte would have arrived on the line (on the pace timer's next millisecond): the same bytes and
// times as on a pseudo-terminal, whatever the faults.
TEST(InProcessPort, DeliversEachChunkOfTheReplyWhenItsLastByteWouldArrive) {
    struct Case {
        std::string what;
        sim::Faults faults;
        Bytes request;
    };
    const std::vector<Case> cases{
        {"version read", {}, kReadVersion},
        {"configuration read", {}, kReadAll},
        {"echo before the reply", {.echo = true}, kReadAll},
        {"reply in two halves", {.split = true, .splitGapUs = Ms(30)}, kReadAll},
        {"reply glued to its copy", {.glue = true}, kReadVersion},
        {"late reply", {.responseDelayUs = Ms(20)}, kReadVersion},
        {"exception to a write", {.exceptionFor = sim::Scope::Write}, kSetPosition},
        {"wrong checksum", {.corruptEvery = 1}, kReadVersion},
        {"noise after the reply", {.noiseBytes = 8}, kReadVersion},
        {"no reply", {.silentFor = sim::Scope::Every}, kReadAll},
    };
    for (const Case& c : cases) {
        harness::VirtualClock clock;
        harness::FakeTimer pace(clock, 1);
        sim::InProcessPort port(pace, [&clock] { return clock.Now(); });
        pace.OnTick([&port] { port.Tick(); });
        Receiver master(clock, port);
        port.Update([&](sim::Transmitter& device) { device.SetFaults(c.faults); });
        ASSERT_EQ(port.Open(), rtu::SerialError::None);

        // What the device answers, and when each chunk is due, on a line of its own.
        sim::Transmitter reference;
        reference.SetFaults(c.faults);
        sim::Reply reply;
        const Micros requestEnd = sim::WireTimeUs(c.request.size());
        reference.Handle(c.request, requestEnd, reply);

        ASSERT_TRUE(port.Write(c.request)) << c.what;
        clock.AdvanceBy(Ms(500));

        Bytes expected;
        std::size_t offset = 0;
        for (std::size_t chunk = 0; chunk < reply.ChunkCount(); ++chunk) {
            const auto bytes = reply.Bytes(chunk);
            expected.insert(expected.end(), bytes.begin(), bytes.end());
            const Micros due = requestEnd + reply.ArrivalUs(chunk);
            for (std::size_t i = 0; i < bytes.size() && offset + i < master.times.size(); ++i) {
                EXPECT_GE(master.times[offset + i], due) << c.what << ", chunk " << chunk;
                EXPECT_LE(master.times[offset + i], due + Ms(1)) << c.what << ", chunk " << chunk;
            }
            offset += bytes.size();
        }
        EXPECT_EQ(master.bytes, expected) << c.what;
        EXPECT_FALSE(pace.IsRunning()) << c.what << ": nothing is due, the pace timer rests";
        EXPECT_EQ(master.errors, 0) << c.what;
    }
}

// A port closed with a reply on its way hears nothing of it, opens again with nothing waiting,
// and refuses writes while closed.
TEST(InProcessPort, ClosingDropsWhatIsOnItsWayAndAClosedPortTakesNoWrite) {
    harness::VirtualClock clock;
    harness::FakeTimer pace(clock, 1);
    sim::InProcessPort port(pace, [&clock] { return clock.Now(); });
    pace.OnTick([&port] { port.Tick(); });
    Receiver master(clock, port);

    EXPECT_FALSE(port.Write(kReadVersion));
    ASSERT_EQ(port.Open(), rtu::SerialError::None);
    EXPECT_EQ(port.Open(), rtu::SerialError::Busy);
    ASSERT_TRUE(port.Write(kReadAll));
    clock.AdvanceBy(Ms(1));
    port.Close();
    EXPECT_FALSE(pace.IsRunning());
    clock.AdvanceBy(Ms(100));
    EXPECT_TRUE(master.bytes.empty());

    ASSERT_EQ(port.Open(), rtu::SerialError::None);
    std::array<std::uint8_t, 8> none{};
    EXPECT_EQ(port.Read(none), 0U);
}

}  // namespace
