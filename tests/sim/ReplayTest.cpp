#include "sim/Replay.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "harness/Rig.h"

namespace {

using harness::Bytes;
using harness::Hex;

const Bytes kReadAll = Hex("00 03 00 00 00 15 85 D4");
const Bytes kReadVersion = Hex("00 03 00 1B 00 01 F5 DC");
const Bytes kVersionReply = Hex("00 03 02 01 02 05 D5");

sim::ReplayScript Script(std::string_view text) {
    std::string error;
    auto script = sim::ReplayScript::Parse(text, error);
    EXPECT_TRUE(script) << error;
    return script ? std::move(*script) : sim::ReplayScript();
}

// An answer as "AFTER_MS:HEX|AFTER_MS:HEX", "" for silence, "none" for a request never seen.
std::string Show(const sim::ReplayAnswer* answer) {
    if (answer == nullptr) {
        return "none";
    }
    std::string text;
    for (const sim::ReplayChunk& chunk : *answer) {
        text += text.empty() ? "" : "|";
        text += std::to_string(chunk.afterUs / 1000) + ":";
        for (std::size_t i = 0; i < chunk.bytes.size(); ++i) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            text += i == 0 ? "" : " ";
            text += kHex[chunk.bytes[i] >> 4];
            text += kHex[chunk.bytes[i] & 0xF];
        }
    }
    return text;
}

TEST(ReplayScript, RefusesWhatIsNoTraceOfTheMaster) {
    struct Row {
        std::string_view text;
        std::string_view error;
    };
    const Row rows[] = {
        {"1.000000 open p\nnoon tx 00", "line 2: \"noon\" is no time stamp"},
        {"1.000000 open p\n1.2.3 tx 00", "line 2: \"1.2.3\" is no time stamp"},
        {"1.000000 open p\n1.1234567 tx 00", "line 2: \"1.1234567\" is no time stamp"},
        {"1.000000 open p\n\n2.000000", "line 3: a time stamp without an event"},
        {"1.000000 open p\n2.000000 tx", "line 2: tx without its bytes in hex"},
        {"1.000000 open p\n2.000000 tx 00 3", "line 2: tx without its bytes in hex"},
        {"1.000000 open p\n2.000000 tx 00 0G", "line 2: tx without its bytes in hex"},
        {"1.000000 open p\n2.000000 rx 00 03", "line 2: rx without its verdict"},
        {"1.000000 open p\n2.000000 rx 00 0X ok", "line 2: rx without its bytes in hex"},
        {"1.000000 open p\n2.000000 dropped 00", "line 2: unknown event \"dropped\""},
        // transmitter-sim --log: the device's side, requests as rx and chunks as tx.
        {"1.000000 rx 00 03 00 1B 00 01 F5 DC ok\n1.000800 tx 00 03 02 01 02 05 D5",
         "no open line"},
        {"1.000000 open p\n1.500000 close", "no request in it"},
        {"", "no open line"},
    };
    for (const Row& row : rows) {
        std::string error;
        EXPECT_FALSE(sim::ReplayScript::Parse(row.text, error)) << row.text;
        EXPECT_EQ(error.substr(0, row.error.size()), row.error) << row.text;
    }
}

// Each request gets what followed it up to the next request, its chunks due 50 ms before they
// were judged; the answers in turn, then the last again.
TEST(ReplayScript, AnswersEachRequestWithWhatFollowedIt) {
    const std::string trace =
        "10.000000 open /dev/ttyUSB0\n"
        "10.000010 rx 00 03 ok\n"  // before anything was asked: no answer's
        "10.100000 tx 00 03 00 1B 00 01 F5 DC\n"
        // An echo and a reply gathered together: one chunk.
        "10.160000 rx 00 03 00 1B 00 01 F5 DC echo\n"
        "10.160004 rx 00 03 02 01 02 05 D5 ok\n"
        // Noise 100 ms later: a gathering of its own.
        "10.260000 rx 11 22 33 short\n"
        "10.300000 tx 00 03 00 1B 00 01 F5 DC\n"  // silence
        "10.800000 tx 00 03 00 1B 00 01 F5 DC\n"
        "10.870000 rx 00 03 02 01 02 05 00 checksum\n"
        "10.900000 tx 00 03 00 00 00 15 85 D4\n"
        "10.920000 rx 00 83 02 C0 F1 ok\n"  // judged within 50 ms of the request: due at once
        "10.990000 close\r\n"
        "11.000000 rx 00 00 00 00 00 checksum\n"  // after the close: nobody's
        "11.000000 error device gone\n";
    sim::ReplayScript script = Script(trace);
    EXPECT_EQ(script.RequestCount(), 2u);
    EXPECT_EQ(script.AnswerCount(), 4u);

    const std::string expected[] = {
        "10:00 03 00 1B 00 01 F5 DC 00 03 02 01 02 05 D5|110:11 22 33",
        "",
        "20:00 03 02 01 02 05 00",
        "20:00 03 02 01 02 05 00",  // the last, again
        "20:00 03 02 01 02 05 00",
    };
    for (const std::string& answer : expected) {
        EXPECT_EQ(Show(script.Answer(kReadVersion)), answer);
    }
    EXPECT_EQ(Show(script.Answer(kReadAll)), "0:00 83 02 C0 F1");
    EXPECT_EQ(Show(script.Answer(kReadAll)), "0:00 83 02 C0 F1");
    EXPECT_EQ(Show(script.Answer(Hex("00 03 00 15 00 02 D4 1E"))), "none");
}

class Written {
public:
    sim::LinePeer::Writer Writer(std::int64_t now) {
        return [this, now](std::span<const std::uint8_t> bytes) {
            chunks.push_back({now, Bytes(bytes.begin(), bytes.end())});
            return bytes.size();
        };
    }
    struct Chunk {
        std::int64_t at;
        Bytes bytes;
        bool operator==(const Chunk&) const = default;
    };
    std::vector<Chunk> chunks;
};

// On the line: each chunk goes out whole when it is due after the request was heard; what is
// still due when the next request comes goes out as well; an unknown request gets nothing.
TEST(ReplayDevice, WritesEachChunkWhenItIsDue) {
    sim::ReplayDevice device(
        Script("1.000000 open p\n"
               "1.000000 tx 00 03 00 1B 00 01 F5 DC\n"
               "1.080000 rx 00 03 02 01 02 05 D5 ok\n"
               "1.250000 rx 11 22 short\n"));
    std::vector<std::string> log;
    device.SetLog([&](std::string_view event, std::span<const std::uint8_t> bytes, std::int64_t at,
                      std::string_view verdict) {
        log.push_back(std::string(event) + " " + std::to_string(bytes.size()) + " " +
                      std::to_string(at) + " " + std::string(verdict));
    });
    Written written;
    const std::int64_t heard = 1'000'000;
    device.Hear(kReadVersion, heard);
    EXPECT_EQ(device.NextWakeUs(), heard + 30'000);
    device.WriteDue(heard + 29'999, written.Writer(heard + 29'999));
    EXPECT_TRUE(written.chunks.empty());
    device.WriteDue(heard + 30'000, written.Writer(heard + 30'000));
    EXPECT_EQ(written.chunks, (std::vector<Written::Chunk>{{heard + 30'000, kVersionReply}}));
    EXPECT_EQ(device.NextWakeUs(), heard + 200'000);

    // The next request comes before the noise: the noise still goes, then the new answer.
    device.Hear(kReadVersion, heard + 100'000);
    device.Hear(kReadAll, heard + 100'000);  // never recorded
    EXPECT_EQ(device.NextWakeUs(), heard + 130'000);
    device.WriteDue(heard + 400'000, written.Writer(heard + 400'000));
    EXPECT_EQ(written.chunks, (std::vector<Written::Chunk>{{heard + 30'000, kVersionReply},
                                                           {heard + 400'000, kVersionReply},
                                                           {heard + 400'000, Hex("11 22")},
                                                           {heard + 400'000, Hex("11 22")}}));
    EXPECT_EQ(device.NextWakeUs(), -1);
    EXPECT_EQ(log.front(), "rx 8 1000000 ok");
    EXPECT_EQ(log.size(), 3u + 4u);

    // A reset forgets what was due.
    device.Hear(kReadVersion, heard + 500'000);
    device.Reset();
    EXPECT_EQ(device.NextWakeUs(), -1);
}

}  // namespace
