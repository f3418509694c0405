#pragma once

#include <QSocketNotifier>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "qt/WireEvents.h"
#include "seams/Timer.h"

namespace qt {

// A window timer on the machine's own clock (Linux): a timerfd on CLOCK_MONOTONIC with absolute
// expiries, watched by a QSocketNotifier on the window's thread. Where a QTimer rounds every
// wait up to whole milliseconds, this one keeps its deadlines to the kernel's precision. The
// deadlines stay on the grid set by Start: a late tick does not delay the next one.
//
// A wake-up that finds several deadlines passed (the thread was held up for more than an
// interval) gives one tick: the missed ones are not made up, and the next tick is again on the
// grid.
//
// Punctual ticks (KeepOrderWith): the event loop itself takes time to wake, a few tens of
// microseconds on a desktop and up to half a millisecond on a virtual machine, and that delay
// varies from tick to tick. The timer learns how late its wake-ups come and sets its timerfd that
// much ahead of each deadline (at most 2 ms); woken early, it waits out the rest on the timerfd
// itself and ticks on the deadline. A wire event that comes during that wait, or is waiting
// already, goes first: the timer hands the thread back to the event loop and ticks when the loop
// comes back to it. Input (clicks, keys) waits at most the lead.
class TimerFdTimer : public seams::Timer {
public:
    // Throws std::system_error when the system has no timer to give.
    explicit TimerFdTimer(int intervalMs, std::function<void()> onTick = {});
    ~TimerFdTimer() override;
    TimerFdTimer(const TimerFdTimer&) = delete;
    TimerFdTimer& operator=(const TimerFdTimer&) = delete;

    void OnTick(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

    // Wakes ahead of the deadlines from now on, and yields to the events of `events`; registers
    // this timer's own expiries there too. `events` must outlive the timer.
    void KeepOrderWith(WireEvents& events);

    void Start() override;
    void Stop() override;
    bool IsRunning() const override { return running_; }
    int IntervalMs() const { return intervalMs_; }
    // How far ahead of a deadline the timerfd is set now, in nanoseconds.
    std::int64_t LeadNs() const { return lead_; }

private:
    void Expired();
    std::int64_t IntervalNs() const { return static_cast<std::int64_t>(intervalMs_) * 1'000'000; }
    // Reads the timerfd; false when it had not expired.
    bool TakeExpiry() const;
    void ArmAt(std::int64_t when);
    // A wake-up came `lateness` after the timerfd's expiry: the lead follows the late ones.
    void Learn(std::int64_t lateness);

    int intervalMs_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onTick_;
    WireEvents* events_ = nullptr;
    std::int64_t deadline_ = 0;  // of the next tick, CLOCK_MONOTONIC nanoseconds
    std::int64_t armedAt_ = 0;   // when the timerfd expires
    std::int64_t lead_ = 0;
    std::array<std::int64_t, 16> lateness_{};  // the last wake-ups', a ring
    std::size_t wakeUps_ = 0;
    bool yielded_ = false;  // the wait before the current deadline gave way to another event
    bool running_ = false;
    bool ticking_ = false;
};

}  // namespace qt
