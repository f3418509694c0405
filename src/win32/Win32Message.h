#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "seams/ModalMessage.h"

namespace win32 {

// The system's message box with one OK, modal to the window and titled with the application's
// name. Its own message loop dispatches the window's timers and serial notifications meanwhile.
class Win32Message : public seams::ModalMessage {
public:
    explicit Win32Message(std::string_view title);
    void SetOwner(HWND owner) { owner_ = owner; }
    void Show(std::string_view text) override;

private:
    HWND owner_ = nullptr;
    std::wstring title_;
};

}  // namespace win32
