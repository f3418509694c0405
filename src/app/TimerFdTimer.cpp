#include "app/TimerFdTimer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <system_error>

namespace app {
namespace {

constexpr long kNanosPerSecond = 1'000'000'000;

timespec Plus(timespec t, long nanos) {
    t.tv_sec += nanos / kNanosPerSecond;
    t.tv_nsec += nanos % kNanosPerSecond;
    if (t.tv_nsec >= kNanosPerSecond) {
        t.tv_nsec -= kNanosPerSecond;
        ++t.tv_sec;
    }
    return t;
}

}  // namespace

TimerFdTimer::TimerFdTimer(int intervalMs, std::function<void()> onTick)
    : intervalMs_(intervalMs), onTick_(std::move(onTick)) {
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0) {
        throw std::system_error(errno, std::generic_category(), "timerfd_create");
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { Expired(); });
}

TimerFdTimer::~TimerFdTimer() {
    notifier_.reset();
    ::close(fd_);
}

void TimerFdTimer::Start() {
    if (running_) {
        return;  // keeps its phase
    }
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const long interval = static_cast<long>(intervalMs_) * 1'000'000;
    itimerspec expiry{};
    expiry.it_interval = Plus(timespec{}, interval);
    expiry.it_value = Plus(now, interval);
    if (::timerfd_settime(fd_, TFD_TIMER_ABSTIME, &expiry, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "timerfd_settime");
    }
    running_ = true;
}

void TimerFdTimer::Stop() {
    // Disarming also forgets expiries not read yet, so a notification already on its way finds
    // nothing to read and gives no tick.
    const itimerspec disarm{};
    ::timerfd_settime(fd_, 0, &disarm, nullptr);
    running_ = false;
    // Started again, even from inside its own handler, it ticks again: a new timer, as a QTimer
    // that is stopped and started is.
    ticking_ = false;
}

void TimerFdTimer::Expired() {
    std::uint64_t expiries = 0;
    if (::read(fd_, &expiries, sizeof expiries) != static_cast<ssize_t>(sizeof expiries) ||
        expiries == 0 || !running_) {
        return;
    }
    // Like a QTimer, a timer whose handler is still running (in a message box's event loop)
    // does not tick into it again.
    if (ticking_ || !onTick_) {
        return;
    }
    ticking_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{ticking_};
    onTick_();
}

}  // namespace app
