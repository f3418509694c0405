#pragma once

#include <string_view>

namespace win32 {

// Writes UTF-8 text where a program without a console window of its own can be heard: standard
// output or error when they lead somewhere (a pipe, a file), else the console of the program that
// started it (cmd, PowerShell), so that --help and --version answer there.
void WriteOut(std::string_view text);
void WriteError(std::string_view text);

}  // namespace win32
