#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

namespace win32 {

// Calls a handler on the thread that made the watch each time a kernel object (a waitable timer,
// an event) is signalled. A thread-pool wait does nothing but post a message to a message-only
// window of that thread, so the handler runs from whatever message loop is turning, a message
// box's included. Signals that come while one is still on its way are folded into it.
class SignalWatch {
public:
    SignalWatch(HANDLE object, std::function<void()> onSignal);
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // Delivers what is posted to this thread's watches until `done` says stop or `timeoutMs`
    // passes; for programs without a message loop of their own (tests, the command-line tool).
    static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

private:
    static void CALLBACK Signalled(void* context, BOOLEAN timedOut);
    static LRESULT CALLBACK Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static HWND ThreadWindow();

    std::function<void()> onSignal_;
    HWND window_;
    std::uint64_t id_;
    std::atomic<bool> posted_{false};
    HANDLE wait_ = nullptr;
};

}  // namespace win32
