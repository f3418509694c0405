#include "win32/SignalWatch.h"

#include <map>

namespace win32 {
namespace {

constexpr UINT kSignalMessage = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"TransmitterSignalWatch";

// The watches of this thread by id. A message posted by a watch that has gone since finds
// nothing here and is dropped.
thread_local std::map<std::uint64_t, SignalWatch*> watches;
std::atomic<std::uint64_t> nextId{1};

}  // namespace

HWND SignalWatch::ThreadWindow() {
    thread_local HWND window = [] {
        WNDCLASSEXW type{};
        type.cbSize = sizeof(type);
        type.lpfnWndProc = &SignalWatch::Deliver;
        type.hInstance = ::GetModuleHandleW(nullptr);
        type.lpszClassName = kWindowClass;
        ::RegisterClassExW(&type);  // fails harmlessly when another thread registered it
        return ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 type.hInstance, nullptr);
    }();
    return window;
}

SignalWatch::SignalWatch(HANDLE object, std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)), window_(ThreadWindow()), id_(nextId++) {
    watches[id_] = this;
    ::RegisterWaitForSingleObject(&wait_, object, &SignalWatch::Signalled, this, INFINITE,
                                  WT_EXECUTEINWAITTHREAD);
}

SignalWatch::~SignalWatch() {
    if (wait_ != nullptr) {
        // Waits for a callback under way: none runs after this.
        ::UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    }
    watches.erase(id_);
}

void CALLBACK SignalWatch::Signalled(void* context, BOOLEAN) {
    auto* watch = static_cast<SignalWatch*>(context);
    if (!watch->posted_.exchange(true)) {
        ::PostMessageW(watch->window_, kSignalMessage, 0, static_cast<LPARAM>(watch->id_));
    }
}

LRESULT CALLBACK SignalWatch::Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kSignalMessage) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    const auto found = watches.find(static_cast<std::uint64_t>(lParam));
    if (found != watches.end()) {
        SignalWatch* watch = found->second;
        watch->posted_ = false;
        if (watch->onSignal_) {
            watch->onSignal_();
        }
    }
    return 0;
}

bool SignalWatch::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, Input input) {
    const bool hold = input == Input::Hold;
    const DWORD wake = hold ? QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT | QS_TIMER : QS_ALLINPUT;
    const UINT take = PM_REMOVE | (hold ? PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE | PM_QS_PAINT : 0);
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) {
            return false;
        }
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), wake,
                                      MWMO_INPUTAVAILABLE);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, take)) {
            if (hold && message.message == WM_QUIT) {
                // Meant for the program's own loop: left for it.
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return done();
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return true;
}

}  // namespace win32
