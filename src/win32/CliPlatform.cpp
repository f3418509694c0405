#include "win32/CliPlatform.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/SerialPortLink.h"
#include "link/FailureCause.h"
#include "link/NetworkAddress.h"
#include "link/NetworkPort.h"
#include "win32/ComPorts.h"
#include "win32/WaitableTimer.h"
#include "win32/Win32SerialControl.h"
#include "win32/Win32Wait.h"
#include "win32/WinsockSocket.h"

namespace win32 {
namespace {

using Win32PortLink = cli::SerialPortLink<Win32SerialControl, WaitableTimer, Win32Wait>;
using Win32NetworkLink =
    cli::SerialPortLink<rtu::NetworkPortWith<WinsockSocket>, WaitableTimer, Win32Wait>;

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
    if (rtu::IsNetworkPortName(port)) {
        return cli::OpenLink<Win32NetworkLink>(port, settings, trace, cli::OpenFailureText);
    }
    return cli::OpenLink<Win32PortLink>(port, settings, trace, cli::OpenFailureText);
}

cli::Wait& CliPlatform::InterruptibleWait(cli::PortLink& link) {
    Win32Wait& wait = static_cast<cli::LinkWithWait<Win32Wait>&>(link).Waiting();
    wait.StopOnConsoleEvents();
    return wait;
}

}  // namespace win32
