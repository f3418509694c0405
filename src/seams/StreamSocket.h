#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace seams {

// Receives a connection's notifications, on the thread that opened it.
class SocketListener {
public:
    virtual ~SocketListener() = default;
    // At least one received byte is waiting.
    virtual void OnReadable() = 0;
    // The peer closed the connection, or it failed. Reported once per connection.
    virtual void OnDisconnected() = 0;
};

// One TCP connection to a server, as each platform's edge makes it: Nagle's algorithm off, so that
// a request leaves at once.
class StreamSocket {
public:
    enum class Connected : std::uint8_t { Yes, HostNotFound, Refused, TimedOut, Failed };

    virtual ~StreamSocket() = default;
    virtual void SetListener(SocketListener* listener) = 0;
    // Connects within `timeoutMs` and returns how it went. The window keeps painting meanwhile;
    // the operator's input waits until it returns.
    virtual Connected Connect(std::string_view host, std::uint16_t port, int timeoutMs) = 0;
    virtual bool IsConnected() const = 0;
    // Moves up to into.size() waiting bytes into `into`; 0 when none wait.
    virtual std::size_t Read(std::span<std::uint8_t> into) = 0;
    // Queues all bytes for sending, in order. False when the connection has failed.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    virtual void Close() = 0;
};

}  // namespace seams
