#include "qt/TimerFdTimer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <system_error>

namespace qt {
namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
// The lead is the second latest of the last 16 wake-ups plus this margin: one stray late
// wake-up does not move it, a machine that wakes slowly does.
constexpr std::int64_t kLeadMargin = 50'000;
// The most the window's thread waits on a deadline, five times a second at most.
constexpr std::int64_t kMaxLead = 2'000'000;

std::int64_t Now() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNanosPerSecond + now.tv_nsec;
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

void TimerFdTimer::KeepOrderWith(WireEvents& events) {
    events_ = &events;
    events.Add([fd = fd_] { return fd; });
}

void TimerFdTimer::Start() {
    if (running_) {
        return;  // keeps its phase
    }
    deadline_ = Now() + IntervalNs();
    yielded_ = false;
    ArmAt(deadline_ - lead_);
    running_ = true;
}

void TimerFdTimer::Stop() {
    // Disarming also forgets an expiry not read yet, so a notification already on its way finds
    // nothing to read and gives no tick.
    const itimerspec disarm{};
    ::timerfd_settime(fd_, 0, &disarm, nullptr);
    running_ = false;
    // Started again, even from inside its own handler, it ticks again: a new timer, as a QTimer
    // that is stopped and started is.
    ticking_ = false;
}

bool TimerFdTimer::TakeExpiry() const {
    std::uint64_t expiries = 0;
    return ::read(fd_, &expiries, sizeof expiries) == static_cast<ssize_t>(sizeof expiries) &&
           expiries > 0;
}

void TimerFdTimer::ArmAt(std::int64_t when) {
    itimerspec expiry{};
    expiry.it_value.tv_sec = static_cast<time_t>(when / kNanosPerSecond);
    expiry.it_value.tv_nsec = static_cast<long>(when % kNanosPerSecond);
    if (::timerfd_settime(fd_, TFD_TIMER_ABSTIME, &expiry, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "timerfd_settime");
    }
    armedAt_ = when;
}

void TimerFdTimer::Learn(std::int64_t lateness) {
    lateness_[wakeUps_++ % lateness_.size()] = std::max<std::int64_t>(lateness, 0);
    const std::size_t count = std::min(wakeUps_, lateness_.size());
    std::int64_t latest = 0;
    std::int64_t second = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (lateness_[i] > latest) {
            second = latest;
            latest = lateness_[i];
        } else if (lateness_[i] > second) {
            second = lateness_[i];
        }
    }
    lead_ = std::min(count < 2 ? latest : second + kLeadMargin, kMaxLead);
}

void TimerFdTimer::Expired() {
    if (!TakeExpiry() || !running_) {
        return;
    }
    std::int64_t now = Now();
    if (events_ != nullptr && !yielded_) {
        Learn(now - armedAt_);
        // Wait out the rest of the lead on the timerfd, set to the deadline now. A wire event that
        // comes meanwhile, or is waiting already, goes first: bytes that reached the port before
        // the tick are taken before its request discards the port's input. The timer gives way
        // once per deadline, so an event that never stops coming does not hold its ticks off.
        ArmAt(deadline_);
        const std::chrono::nanoseconds limit(std::max<std::int64_t>(deadline_ - now, 0) + kMaxLead);
        if (!events_->WaitFor(fd_, limit)) {
            yielded_ = true;  // the event loop takes the other event, then this expiry
            return;
        }
        (void)TakeExpiry();
        now = Now();
    }
    yielded_ = false;
    // The next deadline on the grid of the start, past any that were missed.
    do {
        deadline_ += IntervalNs();
    } while (deadline_ <= now);
    ArmAt(deadline_ - lead_);
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

}  // namespace qt
