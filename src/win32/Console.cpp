#include "win32/Console.h"

#include <windows.h>

#include "win32/Utf16.h"

namespace win32 {
namespace {

void Write(DWORD which, std::string_view text) {
    if (text.empty()) {
        return;  // nothing to say: no console to attach
    }
    HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        // A GUI program starts without standard handles; the parent's console takes the text.
        if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
            handle = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
            ::SetStdHandle(which, handle);
        }
    }
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        // A console shows UTF-16 right whatever its code page.
        const std::wstring wide = Widen(text);
        DWORD written = 0;
        ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    DWORD written = 0;
    ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void WriteOut(std::string_view text) {
    Write(STD_OUTPUT_HANDLE, text);
}

void WriteError(std::string_view text) {
    Write(STD_ERROR_HANDLE, text);
}

}  // namespace win32
