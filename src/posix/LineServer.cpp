#include "posix/LineServer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
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
    std::array<std::uint8_t, 512> input{};
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
        std::array<pollfd, 2> fds{{{masterFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}}};
        if (::ppoll(fds.data(), fds.size(), wait, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;  // Stop
        }
        if ((fds[0].revents & POLLIN) != 0) {
            for (;;) {
                const ssize_t n = ::read(masterFd_, input.data(), input.size());
                if (n > 0) {
                    {
                        const std::lock_guard lock(mutex_);
                        peer_->Hear(std::span(input).first(static_cast<std::size_t>(n)), NowUs());
                    }
                    FlushLog();
                } else if (n < 0 && errno == EINTR) {
                    continue;
                } else {
                    break;  // EAGAIN: all read. EIO: no slave side open (cannot last, we hold one).
                }
            }
        } else if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            // Nobody on the slave side: nothing to hear. Wait instead of spinning on the hang-up.
            const timespec pause{0, 10'000'000};
            ::ppoll(&fds[1], 1, &pause, nullptr);
        }
    }
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
