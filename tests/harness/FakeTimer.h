#pragma once

#include <functional>

#include "harness/VirtualClock.h"
#include "seams/Timer.h"

namespace harness {

// A window timer in virtual time. Start on a stopped timer schedules the first tick one full
// interval later; Start on a running one changes nothing. Stop cancels it, and each tick
// schedules the next before it runs the handler, so a handler that stops its own timer gets no
// further tick.
class FakeTimer : public seams::Timer {
public:
    FakeTimer(VirtualClock& clock, int intervalMs) : clock_(clock), interval_(Ms(intervalMs)) {}
    ~FakeTimer() override { Cancel(); }

    void OnTick(std::function<void()> handler) override { onTick_ = std::move(handler); }

    void Start() override;
    void Stop() override;
    bool IsRunning() const override { return running_; }

    int StartCount() const { return starts_; }
    Micros Interval() const { return interval_; }

private:
    void Schedule(Micros at);
    void Cancel();

    VirtualClock& clock_;
    Micros interval_;
    std::function<void()> onTick_;
    bool running_ = false;
    VirtualClock::EventId pending_ = 0;
    int starts_ = 0;
};

}  // namespace harness
