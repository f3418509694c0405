#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "seams/Timer.h"
#include "win32/SignalWatch.h"

namespace win32 {

// A window timer on a waitable timer: a high-resolution one where Windows has it (10 1803 and
// later), else an ordinary one with the system's timer resolution raised to 1 ms. Its ticks come
// on the thread that made it, through a SignalWatch, so they go on under a message box. Ticks are
// on the grid of the start: a late one does not push the next back, and expiries that piled up
// while the thread was busy give one tick.
class WaitableTimer : public seams::Timer {
public:
    explicit WaitableTimer(int intervalMs, std::function<void()> onTick = {});
    ~WaitableTimer() override;
    WaitableTimer(const WaitableTimer&) = delete;
    WaitableTimer& operator=(const WaitableTimer&) = delete;

    void OnTick(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

    void Start() override;
    void Stop() override;
    bool IsRunning() const override { return running_; }
    int IntervalMs() const { return intervalMs_; }
    bool HighResolution() const { return highResolution_; }

private:
    void Arm(std::int64_t dueTicks);
    void Expired();

    int intervalMs_;
    std::function<void()> onTick_;
    HANDLE timer_ = nullptr;
    bool highResolution_ = false;
    bool running_ = false;
    std::int64_t nextDue_ = 0;  // in performance-counter ticks
    std::unique_ptr<SignalWatch> watch_;
};

}  // namespace win32
