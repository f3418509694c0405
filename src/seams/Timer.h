#pragma once

#include <functional>
#include <memory>

namespace seams {

// A window timer with a fixed interval, ticking on the window's thread. Start on a stopped timer
// makes the first tick come one full interval later; Stop then Start restarts the full interval
// (the end-of-reply silence is measured that way). Start on a running timer leaves it running on
// its phase: a burst of commands that each start the scheduler's timer never holds its ticks off.
class Timer {
public:
    virtual ~Timer() = default;
    // The handler each tick calls.
    virtual void OnTick(std::function<void()> onTick) = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsRunning() const = 0;
};

// Makes a toolkit's window timers.
class TimerFactory {
public:
    enum class Use {
        Wire,   // times the wire (end of reply, scheduler, load timeout): its ticks keep their
                // order with the port's received bytes where the toolkit can tell them apart
        Other,  // a timer never started, the demo's clock
    };
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> MakeTimer(int intervalMs, Use use) = 0;
};

}  // namespace seams
