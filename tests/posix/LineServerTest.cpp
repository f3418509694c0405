#include "posix/LineServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "harness/Rig.h"
#include "link/NetworkAddress.h"
#include "link/TraceLine.h"
#include "sim/LineTiming.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Sealed;
using Clock = std::chrono::steady_clock;

const Bytes kReadVersion = Hex("00 03 00 1B 00 01 F5 DC");

// The slave side of the pseudo-terminal, opened the way a master program opens a serial port.
class Port {
public:
    explicit Port(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        if (fd_ >= 0) {
            termios tio{};
            ::tcgetattr(fd_, &tio);
            ::cfmakeraw(&tio);
            ::cfsetspeed(&tio, B115200);
            ::tcsetattr(fd_, TCSANOW, &tio);
            ::tcflush(fd_, TCIOFLUSH);
        }
    }
    // A connection already made, as to a serial server's TCP port.
    explicit Port(int connected) : fd_(connected) {}
    ~Port() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // Writes `request` and gathers `expected` bytes of reply, giving up after `patience`.
    // Returns the bytes and how long after the write the last of them came.
    std::pair<Bytes, Clock::duration> Ask(const Bytes& request, std::size_t expected,
                                          Clock::duration patience = std::chrono::seconds(2)) {
        const auto sent = Clock::now();
        EXPECT_EQ(::write(fd_, request.data(), request.size()),
                  static_cast<ssize_t>(request.size()));
        const auto deadline = sent + patience;
        Bytes reply;
        while (reply.size() < expected && Clock::now() < deadline) {
            pollfd pfd{fd_, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (::poll(&pfd, 1, static_cast<int>(left.count()) + 1) <= 0) {
                continue;
            }
            std::uint8_t buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                reply.insert(reply.end(), buffer, buffer + n);
            }
        }
        return {reply, Clock::now() - sent};
    }

private:
    int fd_;
};

class PtyServing : public testing::Test {
protected:
    void SetUp() override {
        server.Start();
        ASSERT_TRUE(server.Path().starts_with("/dev/")) << server.Path();
    }
    posix::LineServer server;
};

TEST_F(PtyServing, AnswersAMasterOnThePathWithLineTiming) {
    Port port(server.Path());
    ASSERT_TRUE(port.IsOpen());
    const auto [reply, took] = port.Ask(kReadVersion, 7);
    EXPECT_EQ(reply, Hex("00 03 02 01 02 05 D5"));
    EXPECT_GE(took, std::chrono::microseconds(sim::WireTimeUs(8) + sim::WireTimeUs(7)));
}

TEST_F(PtyServing, FaultsAndRegistersChangeWhileServing) {
    Port port(server.Path());
    ASSERT_TRUE(port.IsOpen());
    server.SetRegister(27, 7);
    server.SetFaults({.responseDelayUs = 50'000, .split = true, .splitGapUs = 20'000});
    const auto [reply, took] = port.Ask(kReadVersion, 7);
    EXPECT_EQ(reply, Sealed(Hex("00 03 02 00 07")));
    EXPECT_GE(took, std::chrono::milliseconds(70));

    server.SetFaults({.silentFor = sim::Scope::VersionRead});
    EXPECT_TRUE(port.Ask(kReadVersion, 1, std::chrono::milliseconds(300)).first.empty());
}

TEST_F(PtyServing, KeepsServingWhenMastersComeAndGo) {
    {
        Port first(server.Path());
        ASSERT_TRUE(first.IsOpen());
        EXPECT_EQ(first.Ask(kReadVersion, 7).first.size(), 7u);
    }
    // Nobody on the line for a while: the server must neither stop nor spin on a hang-up.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Port second(server.Path());
    ASSERT_TRUE(second.IsOpen());
    EXPECT_EQ(second.Ask(kReadVersion, 7).first, Hex("00 03 02 01 02 05 D5"));
}

TEST(LineServer, StopRemovesThePseudoTerminal) {
    posix::LineServer server;
    server.Start();
    const std::string path = server.Path();
    server.Stop();
    server.Stop();
    EXPECT_TRUE(server.Path().empty());
    EXPECT_NE(::access(path.c_str(), F_OK), 0) << path;
}

// The log is the tool's trace format, stamped on the monotonic clock the tool stamps its own
// trace with: what the simulated device heard (rx, with its verdict) and what it sent (tx).
TEST(LineServer, LogsRequestsAndChunksInTheTraceFormatWithTheEcho) {
    std::mutex mutex;
    std::vector<std::string> lines;
    posix::LineServer server;
    server.SetLog([&](std::string_view line) {
        const std::lock_guard lock(mutex);
        lines.emplace_back(line);
    });
    server.SetFaults({.echo = true});
    server.Start();
    Port port(server.Path());
    ASSERT_TRUE(port.IsOpen());
    const std::int64_t before = rtu::MonotonicMicros();
    Bytes echoAndReply = kReadVersion;
    for (std::uint8_t b : Hex("00 03 02 01 02 05 D5")) {
        echoAndReply.push_back(b);
    }
    EXPECT_EQ(port.Ask(kReadVersion, 15).first, echoAndReply);
    const Bytes spoilt = Hex("00 03 00 1B 00 01 F5 DD");
    EXPECT_EQ(port.Ask(spoilt, 8).first, spoilt) << "echoed, not answered";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::int64_t after = rtu::MonotonicMicros();

    const std::lock_guard lock(mutex);
    const std::vector<std::string> events = {
        "rx 00 03 00 1B 00 01 F5 DC ok", "tx 00 03 00 1B 00 01 F5 DC", "tx 00 03 02 01 02 05 D5",
        "rx 00 03 00 1B 00 01 F5 DD checksum", "tx 00 03 00 1B 00 01 F5 DD"};
    ASSERT_EQ(lines.size(), events.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        long long seconds = 0;
        long long micros = 0;
        int used = 0;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "%lld.%6lld %n", &seconds, &micros, &used), 2)
            << lines[i];
        EXPECT_EQ(lines[i].find('.'), lines[i].find(' ') - 7) << "six digits: " << lines[i];
        const std::int64_t at = seconds * 1'000'000 + micros;
        EXPECT_GE(at, before) << lines[i];
        EXPECT_LE(at, after) << lines[i];
        EXPECT_EQ(lines[i].substr(static_cast<std::size_t>(used)), events[i]);
    }
}

// A connection to the server's TCP port on loopback; -1 when none can be made.
int ConnectTo(const std::string& address) {
    const auto server = rtu::ParseNetworkAddress(address);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(server ? server->port : 0);
    if (!server || ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// On TCP the device serves one client at a time, as a serial server's port does: a second client
// is closed at once and the first keeps the device; once it has gone, the next one is served.
TEST(TcpServing, ServesOneClientAtATime) {
    posix::LineServer server;
    server.Listen(*rtu::ParseNetworkAddress("tcp://127.0.0.1:0", 0));
    Port first(ConnectTo(server.Path()));
    ASSERT_TRUE(first.IsOpen()) << server.Path();
    EXPECT_EQ(first.Ask(kReadVersion, 7).first, Hex("00 03 02 01 02 05 D5"));

    const int second = ConnectTo(server.Path());
    ASSERT_GE(second, 0);
    pollfd closed{second, POLLIN, 0};
    ASSERT_EQ(::poll(&closed, 1, 2000), 1);
    std::uint8_t byte = 0;
    EXPECT_EQ(::read(second, &byte, 1), 0) << "the second client is closed at once";
    ::close(second);
    EXPECT_EQ(first.Ask(kReadVersion, 7).first.size(), 7U) << "the first keeps the device";
    ::shutdown(first.Fd(), SHUT_RDWR);

    const auto served = [&] {
        Port next(ConnectTo(server.Path()));
        return next.Ask(kReadVersion, 7, std::chrono::milliseconds(500)).first.size() == 7;
    };
    bool nextServed = false;
    for (int i = 0; i < 20 && !nextServed; ++i) {
        nextServed = served();  // once the server has seen the first one go
    }
    EXPECT_TRUE(nextServed);
}

}  // namespace
