#pragma once

namespace ui {

// A window timer with a fixed interval. Its ticks are wired to a handler by whoever creates it.
// Start on a stopped timer makes the first tick come one full interval later; Stop then Start
// restarts the full interval. Start on a running timer restarts its interval too, as QTimer does.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsRunning() const = 0;
};

}  // namespace ui
