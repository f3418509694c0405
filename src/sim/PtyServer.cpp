#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "link/TraceLine.h"
#include "sim/LineTiming.h"

namespace sim {

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

PtyServer::~PtyServer() {
    Stop();
}

void PtyServer::Start() {
    if (thread_.joinable()) {
        return;
    }
    framer_ = RequestFramer(kSilenceUs);
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

void PtyServer::Stop() {
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
    pending_ = {};
}

void PtyServer::Update(const std::function<void(Transmitter&)>& change) {
    const std::lock_guard lock(mutex_);
    device_.AdvanceTo(NowUs());
    change(device_);
}

void PtyServer::SetFaults(const Faults& faults) {
    Update([&](Transmitter& device) { device.SetFaults(faults); });
}

void PtyServer::SetRegister(std::size_t index, std::uint16_t value) {
    Update([&](Transmitter& device) { device.SetRegister(index, value); });
}

std::uint16_t PtyServer::Register(std::size_t index) {
    std::uint16_t value = 0;
    Update([&](Transmitter& device) { value = device.Register(index); });
    return value;
}

std::size_t PtyServer::Inject(std::span<const std::uint8_t> bytes) {
    std::size_t written = 0;
    while (masterFd_ >= 0 && written < bytes.size()) {
        const ssize_t n = ::write(masterFd_, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return written;
}

void PtyServer::Serve() {
    std::array<std::uint8_t, 512> input{};
    for (;;) {
        WriteDue(NowUs());
        TakeFrames(NowUs());

        timespec timeout{};
        timespec* wait = nullptr;
        if (const std::int64_t wakeUs = NextWakeUs(); wakeUs >= 0) {
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
                    const std::int64_t now = NowUs();
                    framer_.Push(std::span(input).first(static_cast<std::size_t>(n)), now);
                    TakeFrames(now);
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

void PtyServer::TakeFrames(std::int64_t nowUs) {
    while (const auto frame = framer_.Next(nowUs)) {
        // The master wrote the request in one go; on the line its last byte would arrive its
        // wire time later.
        const std::int64_t requestEndUs = nowUs + WireTimeUs(frame->size());
        Log("rx", *frame, nowUs, rtu::VerdictWord(rtu::JudgeFrame(*frame)));
        {
            const std::lock_guard lock(mutex_);
            device_.Handle(*frame, requestEndUs, reply_);
        }
        Schedule(reply_, requestEndUs);
    }
}

void PtyServer::Schedule(const Reply& reply, std::int64_t requestEndUs) {
    for (std::size_t chunk = 0; chunk < reply.ChunkCount(); ++chunk) {
        Pending* slot = nullptr;
        for (Pending& p : pending_) {
            if (!p.used) {
                slot = &p;
                break;
            }
        }
        if (slot == nullptr) {
            Log("dropped", reply.Bytes(chunk), NowUs());
            continue;
        }
        const auto bytes = reply.Bytes(chunk);
        slot->used = true;
        slot->dueUs = requestEndUs + reply.ArrivalUs(chunk);
        slot->size = bytes.size();
        std::copy(bytes.begin(), bytes.end(), slot->bytes.begin());
    }
}

void PtyServer::WriteDue(std::int64_t nowUs) {
    for (;;) {
        Pending* next = nullptr;
        for (Pending& p : pending_) {
            if (p.used && p.dueUs <= nowUs && (next == nullptr || p.dueUs < next->dueUs)) {
                next = &p;
            }
        }
        if (next == nullptr) {
            return;
        }
        std::size_t written = 0;
        while (written < next->size) {
            const ssize_t n =
                ::write(masterFd_, next->bytes.data() + written, next->size - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;  // nobody reads the slave side and its queue is full: the rest is lost
            }
        }
        Log("tx", std::span(next->bytes).first(written), NowUs());
        next->used = false;
    }
}

std::int64_t PtyServer::NextWakeUs() const {
    std::int64_t wake = framer_.Deadline().value_or(-1);
    for (const Pending& p : pending_) {
        if (p.used && (wake < 0 || p.dueUs < wake)) {
            wake = p.dueUs;
        }
    }
    return wake;
}

std::int64_t PtyServer::NowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 epoch_)
        .count();
}

void PtyServer::Log(std::string_view event, std::span<const std::uint8_t> bytes, std::int64_t atUs,
                    std::string_view verdict) {
    if (!log_) {
        return;
    }
    // Stamped on the monotonic clock itself, as the tool stamps its trace, so that both sides of
    // the line can be read together.
    const std::int64_t epochUs =
        std::chrono::duration_cast<std::chrono::microseconds>(epoch_.time_since_epoch()).count();
    rtu::TraceLine line(epochUs + atUs);
    line.Word(event).Hex(bytes);
    if (!verdict.empty()) {
        line.Word(verdict);
    }
    log_(line.Text());
}

}  // namespace sim
