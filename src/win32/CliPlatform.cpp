#include "win32/CliPlatform.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/SerialPortLink.h"
#include "link/FailureCause.h"
#include "win32/ComPorts.h"
#include "win32/WaitableTimer.h"
#include "win32/Win32SerialControl.h"
#include "win32/Win32Wait.h"

namespace win32 {
namespace {

// The window's own words for a port that would not open, or the name and "cannot be opened"
// where the cause is not known.
std::string OpenFailure(const Win32SerialControl& serial, const std::string& port,
                        rtu::SerialError error) {
    const rtu::FailureCause cause = rtu::OpenFailureCause(error, serial.DetailsOf(port));
    return cause.Known() ? cause.engineerLine : port + " cannot be opened";
}

using Win32PortLink = cli::SerialPortLink<Win32SerialControl, WaitableTimer, Win32Wait>;

}  // namespace

int CliPlatform::ListPorts(std::ostream& out, std::ostream& err) {
    const std::vector<std::string> ports = ListedComPorts();
    if (ports.empty()) {
        err << "transmitter-cli: the system reports no serial ports\n";
    }
    // Windows tells the adapter's friendly name; maker and serial number stay empty.
    for (const std::string& port : ports) {
        out << port << '\t' << FriendlyNameOf(port) << "\t\t\n";
    }
    return cli::kDone;
}

std::string CliPlatform::AdapterOf(const std::string& port) const {
    return FriendlyNameOf(port);
}

cli::Opening CliPlatform::OpenPort(const std::string& port, const cli::LinkSettings& settings,
                                   rtu::TraceWriter* trace) {
    return cli::OpenLink<Win32PortLink>(port, settings, trace, OpenFailure);
}

cli::Wait& CliPlatform::InterruptibleWait(cli::PortLink& link) {
    Win32Wait& wait = static_cast<Win32PortLink&>(link).Waiting();
    wait.StopOnConsoleEvents();
    return wait;
}

}  // namespace win32
