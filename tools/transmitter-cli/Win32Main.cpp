// transmitter-cli.exe: the program's flow on the thread's message queue and the Win32 serial
// control, for scripts and the production line on Windows. A console program; its output is
// UTF-8, so the console shows "无校验" right whatever its code page.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Program.h"
#include "SerialPortLink.h"
#include "Win32Wait.h"
#include "link/FailureCause.h"
#include "link/TraceWriter.h"
#include "win32/ComPorts.h"
#include "win32/Utf16.h"
#include "win32/WaitableTimer.h"
#include "win32/Win32SerialControl.h"

namespace {

// The window's own words for a port that would not open, or the name and "cannot be opened"
// where the cause is not known.
std::string OpenFailure(const win32::Win32SerialControl& serial, const std::string& port,
                        rtu::SerialError error) {
    const rtu::FailureCause cause = rtu::OpenFailureCause(error, serial.DetailsOf(port));
    return cause.Known() ? cause.engineerLine : port + " cannot be opened";
}

using Win32PortLink =
    cli::SerialPortLink<win32::Win32SerialControl, win32::WaitableTimer, cli::Win32Wait>;

class Win32Platform : public cli::Platform {
public:
    rtu::PortNaming Naming() const override { return rtu::PortNaming::Windows; }

    int ListPorts(std::ostream& out, std::ostream& err) override {
        const std::vector<std::string> ports = win32::ListedComPorts();
        if (ports.empty()) {
            err << "transmitter-cli: the system reports no serial ports\n";
        }
        // Windows tells the adapter's friendly name; maker and serial number stay empty.
        for (const std::string& port : ports) {
            out << port << '\t' << win32::FriendlyNameOf(port) << "\t\t\n";
        }
        return cli::kDone;
    }

    // COM names are the port's own: PortToOpen has made them "COM" and the number.
    std::string SamePortKey(const std::string& port) const override { return port; }

    std::string AdapterOf(const std::string& port) const override {
        return win32::FriendlyNameOf(port);
    }

    cli::Opening OpenPort(const std::string& port, const cli::LinkSettings& settings,
                          rtu::TraceWriter* trace) override {
        cli::Opening opening;
        auto link = std::make_unique<Win32PortLink>(settings, trace);
        opening.error = link->Open(port, opening.message, OpenFailure);
        if (opening.error == rtu::SerialError::None) {
            opening.link = std::move(link);
        }
        return opening;
    }

    cli::Wait& InterruptibleWait(cli::PortLink& link) override {
        cli::Win32Wait& wait = static_cast<Win32PortLink&>(link).Waiting();
        wait.StopOnConsoleEvents();
        return wait;
    }
};

}  // namespace

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
    Win32Platform platform;
    return cli::RunProgram(arguments, platform, std::cin, std::cout, std::cerr);
}
