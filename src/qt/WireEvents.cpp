#include "qt/WireEvents.h"

#include <poll.h>

#include <cerrno>
#include <ctime>

namespace qt {

bool WireEvents::Add(Source source) {
    if (count_ == sources_.size() || !source) {
        return false;
    }
    sources_[count_++] = std::move(source);
    return true;
}

bool WireEvents::WaitFor(int own, std::chrono::nanoseconds limit) const {
    // The own descriptor first, then every other source that has one now; nothing is allocated.
    std::array<pollfd, kCapacity + 1> fds{};
    fds[0] = {own, POLLIN, 0};
    nfds_t count = 1;
    for (std::size_t i = 0; i < count_; ++i) {
        const int fd = sources_[i]();
        if (fd >= 0 && fd != own) {
            fds[count++] = {fd, POLLIN, 0};
        }
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit);
    const timespec wait{static_cast<time_t>(seconds.count()),
                        static_cast<long>((limit - seconds).count())};
    int ready = 0;
    do {
        ready = ::ppoll(fds.data(), count, &wait, nullptr);
    } while (ready < 0 && errno == EINTR);
    // Received bytes, a hung-up port or another timer's expiry goes first, also when the own
    // expiry is there as well: which of the two came first cannot be told then.
    for (nfds_t i = 1; i < count; ++i) {
        if (fds[i].revents != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace qt
