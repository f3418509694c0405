#include "posix/LineServer.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "link/TraceLine.h"

namespace posix {

namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

void AddFlags(int fd, int statusFlags) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | statusFlags);
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

// Raw bytes both ways, no echo, no translation, 115200 8N1. A master that opens the slave sets
// its own line settings; these hold until it does, and keep the pty from echoing replies back.
void MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        ThrowErrno("tcgetattr");
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B115200);
    ::cfsetospeed(&tio, B115200);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        ThrowErrno("tcsetattr");
    }
}

}  // namespace

LineServer::~LineServer() {
    Stop();
}

void LineServer::Start() {
    if (thread_.joinable()) {
        return;
    }
    if (::openpty(&masterFd_, &slaveFd_, nullptr, nullptr, nullptr) != 0) {
        ThrowErrno("openpty");
    }
    try {
        MakeRaw(slaveFd_);
        std::array<char, 128> name{};
        if (const int error = ::ttyname_r(slaveFd_, name.data(), name.size()); error != 0) {
            errno = error;
            ThrowErrno("ttyname_r");
        }
        path_ = name.data();
        AddFlags(masterFd_, O_NONBLOCK);
        AddFlags(slaveFd_, 0);
    } catch (...) {
        Stop();
        throw;
    }
    StartServing();
}

void LineServer::Listen(const rtu::NetworkAddress& address) {
    if (thread_.joinable()) {
        return;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(address.port);
    if (const int error = ::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found);
        error != 0) {
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                address.host + ": " + ::gai_strerror(error));
    }
    const int family = found->ai_family;
    listenFd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int yes = 1;
    const bool bound = listenFd_ >= 0 &&
                       ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
                       ::bind(listenFd_, found->ai_addr, found->ai_addrlen) == 0 &&
                       ::listen(listenFd_, 4) == 0;
    ::freeaddrinfo(found);
    if (!bound) {
        const int error = errno;
        Stop();
        errno = error;
        ThrowErrno("listen");
    }
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&local), &length);
    const std::uint16_t taken =
        ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                 : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
    telnet_ = address.protocol == rtu::NetworkAddress::Protocol::Rfc2217;
    rtu::NetworkAddress listening = address;
    listening.port = taken;
    path_ = rtu::NameOf(listening);
    StartServing();
}

void LineServer::StartServing() {
    {
        const std::lock_guard lock(mutex_);
        peer_->Reset();
        peer_->SetLog([this](std::string_view event, std::span<const std::uint8_t> bytes,
                             std::int64_t atUs, std::string_view verdict) {
            if (!log_) {
                return;
            }
            // Kept until the lock is let go: a sink may change the device.
            // Stamped on the monotonic clock itself, as the tool stamps its trace, so that both
            // sides of the line can be read together.
            const std::int64_t epochUs =
                std::chrono::duration_cast<std::chrono::microseconds>(epoch_.time_since_epoch())
                    .count();
            rtu::TraceLine line(epochUs + atUs);
            line.Word(event).Hex(bytes);
            if (!verdict.empty()) {
                line.Word(verdict);
            }
            logLines_.emplace_back(line.Text());
        });
    }
    try {
        if (::pipe(wakePipe_.data()) != 0) {
            ThrowErrno("pipe");
        }
        AddFlags(wakePipe_[0], O_NONBLOCK);
        AddFlags(wakePipe_[1], O_NONBLOCK);
    } catch (...) {
        Stop();
        throw;
    }
    thread_ = std::thread([this] { Serve(); });
}

void LineServer::Stop() {
    if (thread_.joinable()) {
        const std::uint8_t wake = 1;
        while (::write(wakePipe_[1], &wake, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    CloseFd(masterFd_);
    CloseFd(slaveFd_);
    CloseFd(listenFd_);
    int client = clientFd_.exchange(-1);
    CloseFd(client);
    CloseFd(wakePipe_[0]);
    CloseFd(wakePipe_[1]);
    path_.clear();
    const std::lock_guard lock(mutex_);
    peer_->Reset();
}

void LineServer::SetPeer(std::unique_ptr<sim::LinePeer> peer) {
    const std::lock_guard lock(mutex_);
    replay_ = std::move(peer);
    peer_ = replay_ ? replay_.get() : &line_;
}

void LineServer::Update(const std::function<void(sim::Transmitter&)>& change) {
    const std::lock_guard lock(mutex_);
    line_.Device().AdvanceTo(NowUs());
    change(line_.Device());
}

void LineServer::SetFaults(const sim::Faults& faults) {
    Update([&](sim::Transmitter& device) { device.SetFaults(faults); });
}

void LineServer::SetRegister(std::size_t index, std::uint16_t value) {
    Update([&](sim::Transmitter& device) { device.SetRegister(index, value); });
}

std::uint16_t LineServer::Register(std::size_t index) {
    std::uint16_t value = 0;
    Update([&](sim::Transmitter& device) { value = device.Register(index); });
    return value;
}

std::size_t LineServer::Inject(std::span<const std::uint8_t> bytes) {
    return WriteToMaster(bytes);
}

std::size_t LineServer::WriteToMaster(std::span<const std::uint8_t> bytes) {
    if (listenFd_ >= 0) {
        // On TCP: to the client, with Telnet's doubled 0xFF where it is spoken; without a client
        // the bytes are lost, as on a line nobody listens to.
        const int client = clientFd_.load();
        std::array<std::uint8_t, 128> escaped{};
        std::size_t taken = 0;
        while (client >= 0 && taken < bytes.size()) {
            std::span<const std::uint8_t> part = bytes.subspan(taken);
            std::size_t partTaken = std::min(part.size(), escaped.size());
            if (telnet_) {
                const auto done = rtu::TelnetCodec::Escape(part, escaped);
                part = std::span(escaped).first(done.written);
                partTaken = done.taken;
            } else {
                part = part.first(partTaken);
            }
            if (::send(client, part.data(), part.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(part.size())) {
                break;  // the client is gone or does not read: the rest is lost
            }
            taken += partTaken;
        }
        return taken;
    }
    std::size_t written = 0;
    while (masterFd_ >= 0 && written < bytes.size()) {
        const ssize_t n = ::write(masterFd_, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // nobody reads the slave side and its queue is full: the rest is lost
        }
    }
    return written;
}

void LineServer::Serve() {
    const sim::LinePeer::Writer toMaster = [this](std::span<const std::uint8_t> bytes) {
        return WriteToMaster(bytes);
    };
    for (;;) {
        std::int64_t wakeUs = -1;
        {
            const std::lock_guard lock(mutex_);
            peer_->WriteDue(NowUs(), toMaster);
            peer_->TakeFrames(NowUs());
            wakeUs = peer_->NextWakeUs();
        }
        FlushLog();
        timespec timeout{};
        timespec* wait = nullptr;
        if (wakeUs >= 0) {
            const std::int64_t waitUs = std::max<std::int64_t>(0, wakeUs - NowUs());
            timeout.tv_sec = static_cast<time_t>(waitUs / 1'000'000);
            timeout.tv_nsec = static_cast<long>(waitUs % 1'000'000 * 1000);
            wait = &timeout;
        }
        const int line = listenFd_ >= 0 ? clientFd_.load() : masterFd_;
        std::array<pollfd, 3> fds{
            {{wakePipe_[0], POLLIN, 0}, {line, POLLIN, 0}, {listenFd_, POLLIN, 0}}};
        if (::ppoll(fds.data(), fds.size(), wait, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;  // Stop
        }
        if ((fds[2].revents & POLLIN) != 0) {
            Accept();
        }
        if ((fds[1].revents & POLLIN) != 0) {
            if (!ReadLine()) {
                DropClient();
            }
        } else if ((fds[1].revents & (POLLHUP | POLLERR)) != 0) {
            if (listenFd_ >= 0) {
                DropClient();
            } else {
                // Nobody on the slave side: nothing to hear. Wait instead of spinning on it.
                const timespec pause{0, 10'000'000};
                ::ppoll(&fds[0], 1, &pause, nullptr);
            }
        }
    }
}

void LineServer::Accept() {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    if (clientFd_.load() >= 0) {
        ::close(fd);  // the port serves one client; the first keeps it
        return;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    {
        // A new connection is a new line: nothing of the last client's is still due.
        const std::lock_guard lock(mutex_);
        peer_->Reset();
    }
    clientFd_.store(fd);
    if (telnet_) {
        const auto opening = codec_.Opening(rtu::kLineSettings);
        (void)::send(fd, opening.data(), opening.size(), MSG_NOSIGNAL);
        codec_.ClearAnswer();
    }
}

bool LineServer::ReadLine() {
    const bool tcp = listenFd_ >= 0;
    const int fd = tcp ? clientFd_.load() : masterFd_;
    std::array<std::uint8_t, 512> input{};
    for (;;) {
        const ssize_t n = ::read(fd, input.data(), input.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // EAGAIN: all read. End of file: a client that went away; on a pty, EIO with no
            // slave side open (cannot last, we hold one).
            return !(tcp && (n == 0 || errno != EAGAIN));
        }
        std::span<std::uint8_t> heard = std::span(input).first(static_cast<std::size_t>(n));
        if (telnet_) {
            std::size_t data = 0;
            for (const std::uint8_t byte : heard) {
                if (codec_.Take(byte, heard[data])) {
                    ++data;
                }
            }
            heard = heard.first(data);
            const auto answer = codec_.Answer();
            (void)::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
            codec_.ClearAnswer();
        }
        {
            const std::lock_guard lock(mutex_);
            peer_->Hear(heard, NowUs());
        }
        FlushLog();
    }
}

void LineServer::DropClient() {
    int client = clientFd_.exchange(-1);
    CloseFd(client);
}

void LineServer::FlushLog() {
    std::vector<std::string> lines;
    {
        const std::lock_guard lock(mutex_);
        lines.swap(logLines_);
    }
    for (const std::string& line : lines) {
        log_(line);
    }
}

std::int64_t LineServer::NowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 epoch_)
        .count();
}

}  // namespace posix
