// The Telnet side of an RFC 2217 connection, fed whatever a server might send. Whatever comes:
// no more data comes out than went in, the answers stay within their buffer and are Telnet
// commands, and data escaped by one end comes out of the other unchanged.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/TelnetCodec.h"

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto role =
        data[0] % 2 == 0 ? rtu::TelnetCodec::Role::Client : rtu::TelnetCodec::Role::Server;
    const std::span<const std::uint8_t> input(data + 1, size - 1);

    rtu::TelnetCodec codec(role);
    codec.Opening(rtu::kLineSettings);
    codec.ClearAnswer();
    std::size_t dataBytes = 0;
    for (const std::uint8_t byte : input) {
        std::uint8_t out = 0;
        if (codec.Take(byte, out)) {
            ++dataBytes;
        }
        const auto answer = codec.Answer();
        if (answer.size() > rtu::TelnetCodec::kAnswerCapacity) {
            Broken("the answers grew past their buffer");
        }
        if (!answer.empty() && answer[0] != rtu::telnet::kIac) {
            Broken("an answer is not a Telnet command");
        }
        if (answer.size() > rtu::TelnetCodec::kAnswerCapacity / 2) {
            codec.ClearAnswer();
        }
    }
    if (dataBytes > input.size()) {
        Broken("more data came out than went in");
    }

    // The input as data: escaped by one end, it reaches the other unchanged.
    std::vector<std::uint8_t> escaped(2 * input.size());
    const auto written = rtu::TelnetCodec::Escape(input, escaped);
    if (written.taken != input.size()) {
        Broken("a buffer twice as long did not take all of the data");
    }
    rtu::TelnetCodec peer(role == rtu::TelnetCodec::Role::Client ? rtu::TelnetCodec::Role::Server
                                                                 : rtu::TelnetCodec::Role::Client);
    std::vector<std::uint8_t> received;
    for (std::size_t i = 0; i < written.written; ++i) {
        std::uint8_t out = 0;
        if (peer.Take(escaped[i], out)) {
            received.push_back(out);
        }
    }
    if (received != std::vector<std::uint8_t>(input.begin(), input.end())) {
        Broken("escaped data did not cross unchanged");
    }
    return 0;
}
