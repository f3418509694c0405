#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "ui/Timer.h"

namespace app {

// A window timer on the machine's own clock (Linux): a periodic timerfd on CLOCK_MONOTONIC with
// absolute expiries, watched by a QSocketNotifier on the window's thread. Each tick comes at its
// deadline within the kernel's timer slack (tens of microseconds), where a QTimer rounds every
// wait up to whole milliseconds. The deadlines stay on the grid set by Start: a late tick does
// not delay the next one.
//
// A wake-up that finds several expiries (the thread was held up for more than an interval)
// gives one tick: the missed ones are not made up, and the next tick is again on the grid.
class TimerFdTimer : public ui::Timer {
public:
    // Throws std::system_error when the system has no timer to give.
    explicit TimerFdTimer(int intervalMs, std::function<void()> onTick = {});
    ~TimerFdTimer() override;
    TimerFdTimer(const TimerFdTimer&) = delete;
    TimerFdTimer& operator=(const TimerFdTimer&) = delete;

    void OnTick(std::function<void()> onTick) { onTick_ = std::move(onTick); }

    void Start() override;
    void Stop() override;
    bool IsRunning() const override { return running_; }
    int IntervalMs() const { return intervalMs_; }

private:
    void Expired();

    int intervalMs_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onTick_;
    bool running_ = false;
    bool ticking_ = false;
};

}  // namespace app
