#include "win32/WaitableTimer.h"

#include <gtest/gtest.h>

#include "contract/WindowTimerContract.h"
#include "win32/SignalWatch.h"

namespace {

// The waitable timer on the thread's message queue, as the window's message loop runs it.
struct OnMessageLoop {
    using Timer = win32::WaitableTimer;
    static void Wait(int ms) {
        win32::SignalWatch::PumpUntil([] { return false; }, static_cast<DWORD>(ms));
    }
    static bool WaitFor(const std::function<bool()>& done, int ms) {
        return win32::SignalWatch::PumpUntil(done, static_cast<DWORD>(ms));
    }
};

// Ticks go on while a modal loop that knows nothing of them turns, as a message box's does: the
// loop here dispatches whatever comes, like MessageBoxW's.
TEST(WaitableTimer, TicksComeFromAnyMessageLoopOnTheWindowsThread) {
    const DWORD thread = ::GetCurrentThreadId();
    DWORD tickThread = 0;
    int ticks = 0;
    win32::WaitableTimer timer(20, [&] {
        tickThread = ::GetCurrentThreadId();
        ++ticks;
    });
    timer.Start();
    const ULONGLONG end = ::GetTickCount64() + 500;
    MSG message;
    while (ticks < 3 && ::GetTickCount64() < end) {
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        } else {
            ::Sleep(1);
        }
    }
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(tickThread, thread);
}

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowTimerContract, OnMessageLoop);
}  // namespace contract
