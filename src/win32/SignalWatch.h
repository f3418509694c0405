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

    // Delivers this thread's messages, what is posted to its watches included, until `done`
    // says stop or `timeoutMs` passes; false when the time ran out. For programs without a
    // message loop of their own (tests, the command-line tool), and for a wait inside a handler
    // that must keep the window painting and ticking (a connect) without taking the operator's
    // input, which Hold leaves queued.
    enum class Input : std::uint8_t { Deliver, Hold };
    static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs,
                          Input input = Input::Deliver);

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
