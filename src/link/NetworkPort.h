#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/NetworkAddress.h"
#include "link/ReceiveQueue.h"
#include "link/SerialControl.h"
#include "link/TelnetCodec.h"
#include "seams/StreamSocket.h"

namespace rtu {

// A port on an Ethernet serial server behind the serial control, over a connection the platform's
// edge makes: the requests and replies cross as on a serial line. Open connects, within
// kConnectTimeoutMs; with rfc2217:// it then sets the server's line to the settings given (115200
// 8N1, no flow control) before anything else is sent. Discarding input drains what the
// connection holds, as purging a serial port does, so a late reply is never taken for the answer
// to the next request. Telnet's commands never reach the received bytes, and a notification is
// raised only when data came. A lost connection is reported once, as an adapter pulled out.
class NetworkPort : public SerialControl, private seams::SocketListener {
public:
    static constexpr int kConnectTimeoutMs = 3000;
    // What waits to be read at most; a flood beyond it is dropped, as on a full serial line.
    static constexpr std::size_t kReceiveCapacity = 512;

    explicit NetworkPort(seams::StreamSocket& socket) : socket_(socket) {}
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    void SetListener(SerialListener* listener) override { listener_ = listener; }
    // The port list does not scan the network.
    std::vector<std::string> SystemPortNames() const override { return {}; }
    PortDetails DetailsOf(std::string_view name) const override;
    void SelectPort(std::string_view name) override { name_ = name; }
    void SetLineSettings(const LineSettings& settings) override { settings_ = settings; }
    SerialError Open() override;
    bool IsOpen() const override { return open_; }
    void Close() override;
    std::size_t Read(std::span<std::uint8_t> into) override;
    void DiscardInput() override;
    // What was written has left: TCP keeps no output queue to purge.
    void DiscardOutput() override {}
    bool Write(std::span<const std::uint8_t> bytes) override;

private:
    void OnReadable() override;
    void OnDisconnected() override;
    // Reads everything the connection holds, through Telnet where it is spoken; keeps the data
    // when `keep`. True when data was kept.
    bool Drain(bool keep);
    bool SendAnswer();

    seams::StreamSocket& socket_;
    SerialListener* listener_ = nullptr;
    std::string name_;
    LineSettings settings_ = kLineSettings;
    bool telnet_ = false;
    TelnetCodec codec_{TelnetCodec::Role::Client};
    ReceiveQueue<kReceiveCapacity> received_;
    bool open_ = false;
    bool lost_ = false;
};

// A NetworkPort with a connection of its own, of the platform's type: for a program that makes a
// port when it needs one (transmitter-cli's links).
namespace detail {
template <class Socket>
struct SocketMember {
    Socket socket;
};
}  // namespace detail

template <class Socket>
class NetworkPortWith : private detail::SocketMember<Socket>, public NetworkPort {
public:
    NetworkPortWith() : NetworkPort(this->socket) {}
};

}  // namespace rtu
