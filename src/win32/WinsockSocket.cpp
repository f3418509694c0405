#include <winsock2.h>
#include <ws2tcpip.h>

#include "win32/WinsockSocket.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "win32/Utf16.h"

namespace win32 {
namespace {

// Winsock is started once for the process and left running: it ends with the process.
void StartWinsock() {
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

// A name looked up on a thread of its own; the connect may give up on it and leave it to end.
struct Lookup {
    std::mutex mutex;
    std::atomic<bool> done{false};
    bool abandoned = false;  // under mutex
    ADDRINFOW* result = nullptr;
    int error = 0;
};

// The waiting thread is woken by a message when the lookup ends: it waits on its queue.
std::shared_ptr<Lookup> StartLookup(std::string_view host, std::uint16_t port) {
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, name = Widen(host), service = std::to_wstring(port),
                 waiting = ::GetCurrentThreadId()] {
        ADDRINFOW hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        ADDRINFOW* result = nullptr;
        const int error = ::GetAddrInfoW(name.c_str(), service.c_str(), &hints, &result);
        const std::lock_guard lock(lookup->mutex);
        if (lookup->abandoned) {
            if (result != nullptr) {
                ::FreeAddrInfoW(result);
            }
        } else {
            lookup->result = result;
            lookup->error = error;
        }
        lookup->done = true;
        ::PostThreadMessageW(waiting, WM_NULL, 0, 0);
    }).detach();
    return lookup;
}

}  // namespace

WinsockSocket::WinsockSocket() : socket_(INVALID_SOCKET) {
    StartWinsock();
    // Auto-reset: the watch's wait takes each signal once.
    event_ = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    watch_ = std::make_unique<SignalWatch>(event_, [this] { OnEvents(); });
}

WinsockSocket::~WinsockSocket() {
    listener_ = nullptr;
    Close();
    watch_.reset();
    ::CloseHandle(event_);
}

seams::StreamSocket::Connected WinsockSocket::Connect(std::string_view host, std::uint16_t port,
                                                      int timeoutMs) {
    Close();
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    const auto remaining = [deadline] {
        const ULONGLONG now = ::GetTickCount64();
        return now >= deadline ? DWORD{0} : static_cast<DWORD>(deadline - now);
    };
    const auto lookup = StartLookup(host, port);
    if (!SignalWatch::PumpUntil([&] { return lookup->done.load(); }, remaining(),
                                SignalWatch::Input::Hold)) {
        const std::lock_guard lock(lookup->mutex);
        lookup->abandoned = true;
        return Connected::TimedOut;
    }
    if (lookup->error != 0) {
        return lookup->error == WSAHOST_NOT_FOUND || lookup->error == WSANO_DATA
                   ? Connected::HostNotFound
                   : Connected::Failed;
    }
    Connected outcome = Connected::Failed;
    for (const ADDRINFOW* address = lookup->result; address != nullptr;
         address = address->ai_next) {
        const SOCKET s = ::socket(address->ai_family, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) {
            continue;
        }
        // Makes the socket non-blocking: the connect completes as an event.
        ::WSAEventSelect(s, event_, FD_CONNECT | FD_READ | FD_CLOSE);
        socket_ = s;
        connectError_ = -1;
        if (::connect(s, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) {
            connectError_ = 0;
        } else if (::WSAGetLastError() == WSAEWOULDBLOCK) {
            SignalWatch::PumpUntil([this] { return connectError_ >= 0; }, remaining(),
                                   SignalWatch::Input::Hold);
        } else {
            connectError_ = ::WSAGetLastError();
        }
        if (connectError_ == 0) {
            const BOOL noDelay = TRUE;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                         sizeof noDelay);
            connected_ = true;
            outcome = Connected::Yes;
            break;
        }
        outcome = connectError_ < 0                  ? Connected::TimedOut
                  : connectError_ == WSAECONNREFUSED ? Connected::Refused
                  : connectError_ == WSAETIMEDOUT    ? Connected::TimedOut
                                                     : Connected::Failed;
        Close();
        if (remaining() == 0) {
            break;
        }
    }
    ::FreeAddrInfoW(lookup->result);
    return outcome;
}

std::size_t WinsockSocket::Read(std::span<std::uint8_t> into) {
    if (socket_ == INVALID_SOCKET) {
        return 0;
    }
    const int count = ::recv(static_cast<SOCKET>(socket_), reinterpret_cast<char*>(into.data()),
                             static_cast<int>(into.size()), 0);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool WinsockSocket::Write(std::span<const std::uint8_t> bytes) {
    if (!connected_) {
        return false;
    }
    while (!bytes.empty()) {
        const int sent =
            ::send(static_cast<SOCKET>(socket_), reinterpret_cast<const char*>(bytes.data()),
                   static_cast<int>(bytes.size()), 0);
        if (sent == SOCKET_ERROR) {
            if (::WSAGetLastError() != WSAEWOULDBLOCK) {
                return false;
            }
            // The system's send buffer is full, which a request of a few bytes meets only on a
            // stalled connection: wait a little for room, then give up.
            fd_set writable;
            FD_ZERO(&writable);
            FD_SET(static_cast<SOCKET>(socket_), &writable);
            timeval wait{0, 100'000};
            if (::select(0, nullptr, &writable, nullptr, &wait) != 1) {
                return false;
            }
            continue;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
    return true;
}

void WinsockSocket::Close() {
    connected_ = false;
    if (socket_ != INVALID_SOCKET) {
        ::closesocket(static_cast<SOCKET>(socket_));
        socket_ = INVALID_SOCKET;
    }
}

void WinsockSocket::OnEvents() {
    if (socket_ == INVALID_SOCKET) {
        return;  // events of a connection closed since
    }
    WSANETWORKEVENTS events{};
    if (::WSAEnumNetworkEvents(static_cast<SOCKET>(socket_), nullptr, &events) != 0) {
        return;
    }
    if ((events.lNetworkEvents & FD_CONNECT) != 0) {
        connectError_ = events.iErrorCode[FD_CONNECT_BIT];
    }
    if (!connected_ || listener_ == nullptr) {
        return;
    }
    if ((events.lNetworkEvents & (FD_READ | FD_CLOSE)) != 0) {
        listener_->OnReadable();  // what came before the close is read first
    }
    if ((events.lNetworkEvents & FD_CLOSE) != 0 && listener_ != nullptr) {
        connected_ = false;
        listener_->OnDisconnected();
    }
}

}  // namespace win32
