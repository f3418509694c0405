// A port on an Ethernet serial server, over a scripted connection.
#include "link/NetworkPort.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "harness/Rig.h"

namespace {

using harness::Bytes;
using harness::Hex;
using rtu::SerialError;

// A connection whose bytes the test hands in and whose writes it reads back.
class ScriptedSocket : public seams::StreamSocket {
public:
    void SetListener(seams::SocketListener* listener) override { listener_ = listener; }
    Connected Connect(std::string_view host, std::uint16_t port, int) override {
        connects.push_back(std::string(host) + ":" + std::to_string(port));
        connected_ = answer == Connected::Yes;
        return answer;
    }
    bool IsConnected() const override { return connected_; }
    std::size_t Read(std::span<std::uint8_t> into) override {
        std::size_t count = 0;
        while (count < into.size() && !incoming_.empty()) {
            into[count++] = incoming_.front();
            incoming_.pop_front();
        }
        return count;
    }
    bool Write(std::span<const std::uint8_t> bytes) override {
        if (!connected_) {
            return false;
        }
        written.insert(written.end(), bytes.begin(), bytes.end());
        return true;
    }
    void Close() override { connected_ = false; }

    // Bytes arrive from the server, in one segment.
    void Arrive(const Bytes& bytes) {
        incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
        listener_->OnReadable();
    }
    void Drop() {
        connected_ = false;
        listener_->OnDisconnected();
    }

    Connected answer = Connected::Yes;
    std::vector<std::string> connects;
    Bytes written;

private:
    seams::SocketListener* listener_ = nullptr;
    std::deque<std::uint8_t> incoming_;
    bool connected_ = false;
};

struct Listener : rtu::SerialListener {
    void OnBytesWaiting() override { ++notified; }
    void OnSerialError(SerialError error) override { errors.push_back(error); }
    int notified = 0;
    std::vector<SerialError> errors;
};

Bytes ReadAll(rtu::SerialControl& port) {
    Bytes bytes;
    std::array<std::uint8_t, 64> chunk{};
    while (const std::size_t count = port.Read(chunk)) {
        bytes.insert(bytes.end(), chunk.begin(),
                     chunk.begin() + static_cast<std::ptrdiff_t>(count));
    }
    return bytes;
}

struct Opened {
    ScriptedSocket socket;
    Listener listener;
    rtu::NetworkPort port{socket};
    explicit Opened(std::string_view name) {
        port.SetListener(&listener);
        port.SelectPort(name);
        port.SetLineSettings(rtu::kLineSettings);
    }
};

// RFC 2217: the server's line is set before anything else goes out, a reply split by the
// server's notifications reaches the reader whole and alone, and a 0xFF in a request is doubled.
TEST(NetworkPort, Rfc2217SetsTheLineAndKeepsTelnetOutOfTheBytes) {
    Opened o("rfc2217://[::1]:2217");
    ASSERT_EQ(o.port.Open(), SerialError::None);
    EXPECT_EQ(o.socket.connects, std::vector<std::string>{"::1:2217"});
    rtu::TelnetCodec server(rtu::TelnetCodec::Role::Server);
    server.Opening(rtu::kLineSettings);
    for (const std::uint8_t byte : o.socket.written) {
        std::uint8_t data = 0;
        EXPECT_FALSE(server.Take(byte, data)) << "the opening carries no data";
    }
    EXPECT_EQ(server.RequestedLine(), rtu::kLineSettings);
    o.socket.written.clear();

    o.socket.Arrive(Hex("FF FB 01 FF FA 2C 6B 00 FF F0"));  // offers echo, notifies modem state
    EXPECT_EQ(o.listener.notified, 0) << "no data came";
    EXPECT_EQ(o.socket.written, Hex("FF FE 01")) << "echo refused";
    o.socket.Arrive(Hex("00 03 02 FF"));  // a doubled 0xFF split between two segments
    o.socket.Arrive(Hex("FF FF FA 2C 6B 00 FF F0 12 34"));
    EXPECT_EQ(o.listener.notified, 2);
    EXPECT_EQ(ReadAll(o.port), Hex("00 03 02 FF 12 34"));

    o.socket.written.clear();
    ASSERT_TRUE(o.port.Write(Hex("00 10 FF 01")));
    EXPECT_EQ(o.socket.written, Hex("00 10 FF FF 01"));
}

// Raw TCP: bytes as they are; discarding drops what came before the request; a flood stays
// within the port's bounds; a lost connection is told once, and the port writes no more.
TEST(NetworkPort, RawTcpDiscardsBeforeRequestsAndTellsALostConnectionOnce) {
    Opened o("TCP://plant-gw:4001");
    ASSERT_EQ(o.port.Open(), SerialError::None);
    EXPECT_EQ(o.socket.connects, std::vector<std::string>{"plant-gw:4001"});
    EXPECT_TRUE(o.socket.written.empty());

    o.socket.Arrive(Hex("FF FB 01 00 03"));  // a late reply's tail: 0xFF is data here
    o.port.DiscardInput();
    EXPECT_TRUE(ReadAll(o.port).empty());
    ASSERT_TRUE(o.port.Write(Hex("00 03 FF")));
    EXPECT_EQ(o.socket.written, Hex("00 03 FF"));

    o.socket.Arrive(Bytes(10'000, 0x55));
    EXPECT_EQ(ReadAll(o.port).size(), rtu::NetworkPort::kReceiveCapacity);

    o.socket.Drop();
    o.socket.Drop();
    EXPECT_EQ(o.listener.errors, std::vector<SerialError>{SerialError::ConnectionLost});
    EXPECT_FALSE(o.port.Write(Hex("00 03")));
    o.port.Close();
    EXPECT_EQ(o.listener.errors.size(), 1U);
}

// What the open tells when it fails, before anything is sent.
TEST(NetworkPort, AFailedOpenSaysWhyAndSendsNothing) {
    struct Case {
        std::string name;
        seams::StreamSocket::Connected answer;
        SerialError error;
        std::size_t connects;
    };
    const std::vector<Case> cases{
        {"tcp://gw", seams::StreamSocket::Connected::Yes, SerialError::BadAddress, 0},
        {"tcp://nowhere.invalid:1", seams::StreamSocket::Connected::HostNotFound,
         SerialError::HostNotFound, 1},
        {"rfc2217://127.0.0.1:9", seams::StreamSocket::Connected::Refused,
         SerialError::ConnectionRefused, 1},
        {"tcp://10.255.255.1:4001", seams::StreamSocket::Connected::TimedOut, SerialError::NoAnswer,
         1},
    };
    for (const Case& c : cases) {
        Opened o(c.name);
        o.socket.answer = c.answer;
        EXPECT_EQ(o.port.Open(), c.error) << c.name;
        EXPECT_FALSE(o.port.IsOpen()) << c.name;
        EXPECT_EQ(o.socket.connects.size(), c.connects) << c.name;
        EXPECT_TRUE(o.socket.written.empty()) << c.name;
    }
}

}  // namespace
