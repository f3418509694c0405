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
#include "Win32Wait.h"
#include "link/FailureCause.h"
#include "link/TraceWriter.h"
#include "win32/ComPorts.h"
#include "win32/Utf16.h"
#include "win32/WaitableTimer.h"
#include "win32/Win32SerialControl.h"

namespace {

constexpr int kSilenceMs = 50;  // a reply is complete after 50 ms without a byte, as in the window

// One port's link on Win32: its serial control, the 50 ms timer and the wait, on the thread that
// made them (each thread has its own message queue). Closing it closes the port and ends its
// trace.
class Win32PortLink : public cli::PortLink {
public:
    Win32PortLink(const cli::LinkSettings& settings, rtu::TraceWriter* trace)
        : timer1_(kSilenceMs), exchange_(serial_, timer1_, wait_, settings, trace), trace_(trace) {
        timer1_.OnTick([this] { exchange_.Timer1_Timer(); });
    }
    ~Win32PortLink() override {
        serial_.SetListener(nullptr);
        if (!serial_.IsOpen()) {
            return;
        }
        if (trace_ != nullptr && exchange_.PortError() != rtu::SerialError::None) {
            trace_->Error(rtu::ErrorWords(exchange_.PortError()));
        }
        serial_.Close();
        if (trace_ != nullptr) {
            trace_->Close();
        }
    }
    Win32PortLink(const Win32PortLink&) = delete;
    Win32PortLink& operator=(const Win32PortLink&) = delete;

    // Opens the port, or says why not in the window's own words.
    rtu::SerialError Open(const std::string& port, std::string& failure) {
        serial_.SelectPort(port);
        serial_.SetLineSettings(rtu::kLineSettings);
        if (const rtu::SerialError opened = serial_.Open(); opened != rtu::SerialError::None) {
            if (trace_ != nullptr) {
                trace_->Error(rtu::ErrorWords(opened));
            }
            const rtu::FailureCause cause = rtu::OpenFailureCause(opened, serial_.DetailsOf(port));
            failure = cause.Known() ? cause.engineerLine : port + " cannot be opened";
            return opened;
        }
        if (trace_ != nullptr) {
            trace_->Open(port);
        }
        serial_.SetListener(&exchange_);
        return rtu::SerialError::None;
    }

    cli::Exchange& Link() override { return exchange_; }
    cli::Win32Wait& Waiting() { return wait_; }

private:
    cli::Win32Wait wait_;
    win32::Win32SerialControl serial_;
    win32::WaitableTimer timer1_;
    cli::Exchange exchange_;
    rtu::TraceWriter* trace_;
};

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
        opening.error = link->Open(port, opening.message);
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
