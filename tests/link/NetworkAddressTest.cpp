#include "link/NetworkAddress.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Protocol = rtu::NetworkAddress::Protocol;

TEST(NetworkAddress, ReadsWhatTheOperatorTypesAndRefusesTheRest) {
    struct Case {
        std::string text;
        bool network;  // looks like one, well-formed or not
        std::optional<Protocol> protocol;
        std::string host;
        std::uint16_t port;
    };
    const std::vector<Case> cases{
        {"tcp://192.168.1.50:4001", true, Protocol::Raw, "192.168.1.50", 4001},
        {"RFC2217://moxa-line3.plant:950", true, Protocol::Rfc2217, "moxa-line3.plant", 950},
        {"tcp://[::1]:20001", true, Protocol::Raw, "::1", 20001},
        {"tcp://[fe80::1%eth0]:20001", true, std::nullopt, "", 0},
        {"tcp://[::1]20001", true, std::nullopt, "", 0},
        {"tcp://[::1:20001", true, std::nullopt, "", 0},
        {"tcp://server", true, std::nullopt, "", 0},
        {"tcp://:4001", true, std::nullopt, "", 0},
        {"tcp://server:0", true, std::nullopt, "", 0},
        {"tcp://server:65536", true, std::nullopt, "", 0},
        {"tcp://server:4001/", true, std::nullopt, "", 0},
        {"tcp://ser ver:4001", true, std::nullopt, "", 0},
        {"udp://server:4001", false, std::nullopt, "", 0},
        {"COM3", false, std::nullopt, "", 0},
        {"/dev/ttyUSB0", false, std::nullopt, "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rtu::IsNetworkPortName(c.text), c.network) << c.text;
        const auto address = rtu::ParseNetworkAddress(c.text);
        ASSERT_EQ(address.has_value(), c.protocol.has_value()) << c.text;
        if (address) {
            EXPECT_EQ(address->protocol, *c.protocol) << c.text;
            EXPECT_EQ(address->host, c.host) << c.text;
            EXPECT_EQ(address->port, c.port) << c.text;
        }
    }
}

}  // namespace
