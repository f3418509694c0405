#include "link/NetworkAddress.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace rtu {
namespace {

constexpr std::array<std::pair<std::string_view, NetworkAddress::Protocol>, 2> kSchemes{{
    {"tcp://", NetworkAddress::Protocol::Raw},
    {"rfc2217://", NetworkAddress::Protocol::Rfc2217},
}};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

std::optional<std::uint16_t> PortNumber(std::string_view digits, std::uint16_t lowest) {
    if (digits.empty() || digits.size() > 5) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < lowest || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

bool IsHostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
}

}  // namespace

std::string NameOf(const NetworkAddress& address) {
    const bool ipv6 = address.host.find(':') != std::string::npos;
    return std::string(address.protocol == NetworkAddress::Protocol::Rfc2217 ? "rfc2217://"
                                                                             : "tcp://") +
           (ipv6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

bool IsNetworkPortName(std::string_view text) {
    return std::any_of(kSchemes.begin(), kSchemes.end(),
                       [&](const auto& scheme) { return StartsWithNoCase(text, scheme.first); });
}

std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text, std::uint16_t lowestPort) {
    NetworkAddress address;
    bool known = false;
    for (const auto& [scheme, protocol] : kSchemes) {
        if (StartsWithNoCase(text, scheme)) {
            text.remove_prefix(scheme.size());
            address.protocol = protocol;
            known = true;
            break;
        }
    }
    if (!known) {
        return std::nullopt;
    }
    std::string_view host;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        text.remove_prefix(close + 1);
        const bool ipv6 = !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
        });
        if (!ipv6 || !text.starts_with(':')) {
            return std::nullopt;
        }
    } else {
        const auto colon = text.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(0, colon);
        text.remove_prefix(colon);
        if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostCharacter)) {
            return std::nullopt;
        }
    }
    const auto port = PortNumber(text.substr(1), lowestPort);
    if (!port) {
        return std::nullopt;
    }
    address.host = std::string(host);
    address.port = *port;
    return address;
}

}  // namespace rtu
