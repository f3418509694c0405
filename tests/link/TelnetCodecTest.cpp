// The Telnet framing of an RFC 2217 connection, both ends, byte by byte.
#include "link/TelnetCodec.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "harness/Rig.h"

namespace {

using harness::Bytes;
using harness::Hex;
using Role = rtu::TelnetCodec::Role;

struct Fed {
    Bytes data;
    Bytes answer;
};

Fed Feed(rtu::TelnetCodec& codec, const Bytes& input) {
    Fed fed;
    codec.ClearAnswer();
    for (const std::uint8_t byte : input) {
        std::uint8_t data = 0;
        if (codec.Take(byte, data)) {
            fed.data.push_back(data);
        }
    }
    fed.answer.assign(codec.Answer().begin(), codec.Answer().end());
    return fed;
}

Bytes Joined(std::initializer_list<Bytes> pieces) {
    Bytes bytes;
    for (const Bytes& piece : pieces) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    return bytes;
}

Bytes Repeated(const Bytes& piece, int times) {
    Bytes bytes;
    for (int i = 0; i < times; ++i) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    return bytes;
}

// What comes from the server after the client's opening: data, commands between it, and what
// the client answers.
TEST(TelnetCodec, TheClientKeepsCommandsOutOfTheDataAndAnswersOnlyChanges) {
    struct Case {
        std::string name;
        Bytes input;
        Bytes data;
        Bytes answer;
    };
    const Bytes longSub = Joined({Hex("FF FA 2C"), Repeated({0x41}, 1000), Hex("FF F0 07")});
    const std::vector<Case> cases{
        {"data passes", Hex("00 03 2A"), Hex("00 03 2A"), {}},
        {"a doubled FF is one data byte", Hex("01 FF FF 02"), Hex("01 FF 02"), {}},
        // ser2net's greeting: only its offer to echo our bytes is refused.
        {"ser2net's greeting",
         Hex("FF FB 03 FF FD 03 FF FB 01 FF FE 01 FF FD 00 FF FB 00 FF FD 2C"),
         {},
         Hex("FF FE 01")},
        {"confirmations and notifications",
         Hex("FF FA 2C 6B 00 FF F0 FF FA 2C 65 00 01 C2 00 FF F0 41"),
         Hex("41"),
         {}},
        {"FF inside a subnegotiation", Hex("FF FA 2C 65 FF FF 00 FF F0 42"), Hex("42"), {}},
        {"an option not offered", Hex("FF FD 18"), {}, Hex("FF FC 18")},
        {"a peer that stops binary mode", Hex("FF FC 00 FF FC 00"), {}, Hex("FF FE 00")},
        {"NOP and go-ahead", Hex("FF F1 05 FF F9 06"), Hex("05 06"), {}},
        {"an endless subnegotiation", longSub, Hex("07"), {}},
        {"a flood of offers",
         Repeated(Hex("FF FB 18"), 100),
         {},
         Repeated(Hex("FF FE 18"), rtu::TelnetCodec::kAnswerCapacity / 3)},
    };
    for (const Case& c : cases) {
        rtu::TelnetCodec client(Role::Client);
        client.Opening(rtu::kLineSettings);
        const Fed fed = Feed(client, c.input);
        EXPECT_EQ(fed.data, c.data) << c.name;
        EXPECT_EQ(fed.answer, c.answer) << c.name;
    }
}

// The client sets 115200 8N1 without flow control; the server takes it, confirms each setting,
// and neither has more to say about the options.
TEST(TelnetCodec, TheClientsOpeningSetsTheServersLine) {
    rtu::TelnetCodec client(Role::Client);
    rtu::TelnetCodec server(Role::Server);
    const Bytes serverOpening(server.Opening(rtu::kLineSettings).begin(),
                              server.Opening(rtu::kLineSettings).end());
    const auto opening = client.Opening(rtu::kLineSettings);
    const Fed atServer = Feed(server, Bytes(opening.begin(), opening.end()));
    EXPECT_TRUE(atServer.data.empty());
    EXPECT_EQ(atServer.answer,
              Hex("FF FA 2C 65 00 01 C2 00 FF F0 FF FA 2C 66 08 FF F0 "
                  "FF FA 2C 67 01 FF F0 FF FA 2C 68 01 FF F0 FF FA 2C 69 01 FF F0"));
    EXPECT_EQ(server.RequestedLine(), rtu::kLineSettings);
    const Fed atClient = Feed(client, Joined({serverOpening, atServer.answer}));
    EXPECT_TRUE(atClient.data.empty());
    EXPECT_TRUE(atClient.answer.empty());
}

// Every byte value crosses unchanged, in either direction.
TEST(TelnetCodec, EveryByteValueCrossesUnchanged) {
    Bytes all;
    for (int v = 0; v < 256; ++v) {
        all.push_back(static_cast<std::uint8_t>(v));
    }
    Bytes escaped(2 * all.size());
    const auto result = rtu::TelnetCodec::Escape(all, escaped);
    EXPECT_EQ(result.taken, all.size());
    EXPECT_EQ(result.written, all.size() + 1);
    escaped.resize(result.written);
    rtu::TelnetCodec server(Role::Server);
    server.Opening(rtu::kLineSettings);
    EXPECT_EQ(Feed(server, escaped).data, all);

    // A buffer too short for a doubled FF takes neither of its halves.
    Bytes shortOut(2);
    const auto cut = rtu::TelnetCodec::Escape(Hex("01 FF"), shortOut);
    EXPECT_EQ(cut.taken, 1U);
    EXPECT_EQ(cut.written, 1U);
}

}  // namespace
