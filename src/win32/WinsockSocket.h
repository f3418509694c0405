#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "seams/StreamSocket.h"
#include "win32/SignalWatch.h"

namespace win32 {

// A TCP connection on Winsock, on the thread that made it: Nagle's algorithm off. Its events
// (connected, bytes waiting, closed) signal an event object that a SignalWatch turns into a
// message for this thread, as the serial control's and the timers' are, so they go on under a
// message box. The name is looked up on a thread of its own, so that a slow name server holds
// nothing but the connect.
class WinsockSocket : public seams::StreamSocket {
public:
    WinsockSocket();
    ~WinsockSocket() override;
    WinsockSocket(const WinsockSocket&) = delete;
    WinsockSocket& operator=(const WinsockSocket&) = delete;

    void SetListener(seams::SocketListener* listener) override { listener_ = listener; }
    // Delivers this thread's posted messages and paints the window meanwhile; the operator's
    // input waits.
    Connected Connect(std::string_view host, std::uint16_t port, int timeoutMs) override;
    bool IsConnected() const override { return connected_; }
    std::size_t Read(std::span<std::uint8_t> into) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    void Close() override;

private:
    void OnEvents();

    std::uintptr_t socket_;  // a SOCKET; INVALID_SOCKET while there is none
    HANDLE event_ = nullptr;
    std::unique_ptr<SignalWatch> watch_;
    seams::SocketListener* listener_ = nullptr;
    bool connected_ = false;
    int connectError_ = -1;  // what the last connect's completion said, while it is under way
};

}  // namespace win32
