#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ProgramVersion.h"
#include "app/CommandLine.h"
#include "link/TraceWriter.h"
#include "win32/Application.h"
#include "win32/Console.h"
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
    const std::vector<std::string> arguments = Arguments();
    const app::CommandLine commandLine =
        app::ParseArguments("transmitter-config.exe", arguments);
    if (commandLine.help) {
        win32::WriteOut(commandLine.helpText);
        return 0;
    }
    if (commandLine.version) {
        win32::WriteOut("transmitter-config " + std::string(kProgramVersion) + "\n");
        return 0;
    }
    if (!commandLine.error.empty()) {
        win32::WriteError(commandLine.error + "\n\n" + commandLine.helpText);
        return 2;
    }

    // The trace file is opened before anything else starts: one that cannot be written is a
    // usage error now, never a surprise mid-run.
    std::unique_ptr<rtu::TraceWriter> trace;
    if (!commandLine.trace.empty()) {
        std::string error;
        trace = rtu::TraceWriter::Open(commandLine.trace, error);
        if (!trace) {
            win32::WriteError("transmitter-config: cannot write the trace file " +
                              commandLine.trace + ": " + error + "\n");
            return 2;
        }
    }

    win32::Application application(commandLine, trace.get());
    application.Start(showCommand);
    return RunMessageLoop();
}
