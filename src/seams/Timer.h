#pragma once

namespace seams {

// A window timer with a fixed interval. Its ticks are wired to a handler by whoever creates it.
// Start on a stopped timer makes the first tick come one full interval later; Stop then Start
// restarts the full interval (the end-of-reply silence is measured that way). Start on a running
// timer leaves it running on its phase: a burst of commands that each start the scheduler's
// timer never holds its ticks off.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsRunning() const = 0;
};

}  // namespace seams
