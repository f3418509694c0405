#pragma once

#include <string>
#include <string_view>

namespace win32 {

// The core speaks UTF-8; Windows' W calls speak UTF-16.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace win32
