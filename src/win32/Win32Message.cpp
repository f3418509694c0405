#include "win32/Win32Message.h"

#include "win32/Utf16.h"

namespace win32 {

Win32Message::Win32Message(std::string_view title) : title_(Widen(title)) {}

void Win32Message::Show(std::string_view text) {
    ::MessageBoxW(owner_, Widen(text).c_str(), title_.c_str(), MB_OK);
}

}  // namespace win32
