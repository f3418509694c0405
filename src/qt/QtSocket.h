#pragma once

#include <QTcpSocket>

#include "seams/StreamSocket.h"

namespace qt {

// A TCP connection on Qt Network, on the thread that made it: Nagle's algorithm off, what is
// written flushed to the system at once, and a bounded read buffer, so that a server that floods
// the connection is slowed by TCP's own flow control instead of filling memory.
class QtSocket : public seams::StreamSocket {
public:
    QtSocket();
    ~QtSocket() override;
    QtSocket(const QtSocket&) = delete;
    QtSocket& operator=(const QtSocket&) = delete;

    void SetListener(seams::SocketListener* listener) override { listener_ = listener; }
    // Waits in an event loop of its own that paints and ticks but holds the operator's input.
    Connected Connect(std::string_view host, std::uint16_t port, int timeoutMs) override;
    bool IsConnected() const override;
    std::size_t Read(std::span<std::uint8_t> into) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    void Close() override;
    // The connection's descriptor, for waiting on its received bytes; -1 while there is none.
    int Descriptor() const;

private:
    QTcpSocket socket_;
    seams::SocketListener* listener_ = nullptr;
    bool connecting_ = false;
};

}  // namespace qt
