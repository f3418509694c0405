#include "win32/WaitableTimer.h"

#include <mmsystem.h>

#include <algorithm>

namespace win32 {
namespace {

// Not in MinGW-w64's headers yet; Windows 10 1803 and later know it.
constexpr DWORD kHighResolution = 0x00000002;

std::int64_t Frequency() {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return frequency;
}

std::int64_t Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

}  // namespace

WaitableTimer::WaitableTimer(int intervalMs, std::function<void()> onTick)
    : intervalMs_(intervalMs), onTick_(std::move(onTick)) {
    timer_ = ::CreateWaitableTimerExW(nullptr, nullptr, kHighResolution, TIMER_ALL_ACCESS);
    highResolution_ = timer_ != nullptr;
    if (!highResolution_) {
        timer_ = ::CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        ::timeBeginPeriod(1);
    }
    watch_ = std::make_unique<SignalWatch>(timer_, [this] { Expired(); });
}

WaitableTimer::~WaitableTimer() {
    watch_.reset();
    ::CancelWaitableTimer(timer_);
    ::CloseHandle(timer_);
    if (!highResolution_) {
        ::timeEndPeriod(1);
    }
}

void WaitableTimer::Start() {
    if (running_) {
        return;
    }
    running_ = true;
    nextDue_ = Now() + Frequency() * intervalMs_ / 1000;
    Arm(nextDue_);
}

void WaitableTimer::Stop() {
    running_ = false;
    ::CancelWaitableTimer(timer_);
}

// One expiry at a time, each set for the next deadline on the grid: a periodic timer would
// count whole milliseconds from its own start and drift from the grid under load.
void WaitableTimer::Arm(std::int64_t dueTicks) {
    const std::int64_t waitTicks = dueTicks - Now();
    // Relative due times are negative, in 100 ns units; never zero, which would mean "now".
    LARGE_INTEGER due;
    due.QuadPart = -std::max<std::int64_t>(1, waitTicks * 10'000'000 / Frequency());
    ::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
}

void WaitableTimer::Expired() {
    if (!running_) {
        return;
    }
    const std::int64_t now = Now();
    if (now < nextDue_) {
        // An expiry from before a Stop and Start, or a wake-up a little early: wait the rest.
        Arm(nextDue_);
        return;
    }
    const std::int64_t interval = Frequency() * intervalMs_ / 1000;
    // Deadlines missed while the thread was busy give this one tick; the next is on the grid.
    nextDue_ += ((now - nextDue_) / interval + 1) * interval;
    Arm(nextDue_);
    if (onTick_) {
        onTick_();
    }
}

}  // namespace win32
