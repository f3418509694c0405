#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rtu {

// A port on an Ethernet serial server, named as the operator types it: tcp://HOST:PORT for a
// server that carries the bytes as they are, rfc2217://HOST:PORT for one that speaks Telnet with
// the COM port option. HOST is a name, an IPv4 address or an IPv6 address in brackets.
struct NetworkAddress {
    enum class Protocol : std::uint8_t { Raw, Rfc2217 };
    Protocol protocol = Protocol::Raw;
    std::string host;  // without brackets
    std::uint16_t port = 0;
};

// Whether the text starts like a network port ("tcp://" or "rfc2217://", in any letter case),
// well-formed or not.
bool IsNetworkPortName(std::string_view text);

// The address as the programs write it: the scheme in lower case, an IPv6 host in brackets.
std::string NameOf(const NetworkAddress& address);

// The address the text names, or nothing when it is no well-formed network port: no host, a port
// outside lowestPort..65535, an unclosed bracket, anything after the port. A server that listens
// takes port 0 for "any free port".
std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text,
                                                  std::uint16_t lowestPort = 1);

}  // namespace rtu
