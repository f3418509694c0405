#include "Win32Wait.h"

#include <windows.h>

#include <atomic>

#include "win32/SignalWatch.h"

namespace win32 {
namespace {

// Set by the console's handler thread, read by the waiting one.
std::atomic<bool> interrupted{false};
std::atomic<DWORD> waitingThread{0};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        interrupted = true;
        // Wakes the wait at once instead of at its deadline.
        ::PostThreadMessageW(waitingThread, WM_NULL, 0, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void Win32Wait::For(int ms) {
    if (stopped_ || interrupted) {
        stopped_ = false;
        return;
    }
    win32::SignalWatch::PumpUntil([this] { return stopped_ || interrupted; },
                                  static_cast<DWORD>(ms));
    stopped_ = false;
}

bool Win32Wait::Interrupted() const {
    return interrupted;
}

void Win32Wait::StopOnConsoleEvents() {
    waitingThread = ::GetCurrentThreadId();
    ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

}  // namespace win32
