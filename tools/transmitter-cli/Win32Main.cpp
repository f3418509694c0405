// transmitter-cli.exe: the program's flow on the thread's message queue and the Win32 serial
// control, for scripts and the production line on Windows. A console program; its output is
// UTF-8, so the console shows "无校验" right whatever its code page.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Program.h"
#include "win32/CliPlatform.h"
#include "win32/Utf16.h"

int wmain(int argc, wchar_t* argv[]) {
    // The bytes written are UTF-8; a console shows them so once told. Lines end in "\n" as on
    // Linux, so that scripts get the same bytes on both.
    ::SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(win32::Narrow(argv[i]));
    }
    win32::CliPlatform platform;
    return cli::RunProgram(arguments, platform, std::cin, std::cout, std::cerr);
}
