// transmitter-config.exe: the window of native controls on Windows.

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/StartUp.h"
#include "win32/Application.h"
#include "win32/Console.h"
#include "win32/Form1Window.h"
#include "win32/Utf16.h"

namespace {

// The arguments after the program's name, as Windows splits the command line.
std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(win32::Narrow(wide[i]));
    }
    ::LocalFree(static_cast<HLOCAL>(wide));
    return arguments;
}

int RunMessageLoop() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (win32::Form1Window::PreTranslate(message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    app::StartUp startUp("transmitter-config.exe", Arguments(), rtu::PortNaming::Windows);
    // A GUI program has no console of its own: what it says goes to its parent's, if any.
    std::ostringstream out;
    std::ostringstream err;
    const auto status = startUp.Answer(out, err);
    const bool traceOpened = !status && startUp.OpenTrace(err);
    win32::WriteOut(out.str());
    win32::WriteError(err.str());
    if (status) {
        return *status;
    }
    if (!traceOpened) {
        return 2;
    }

    win32::Application application(startUp.Line(), startUp.Trace());
    application.Start(showCommand);
    return RunMessageLoop();
}
