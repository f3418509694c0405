#include "qt/CliPlatform.h"

#include <QSerialPortInfo>
#include <filesystem>
#include <memory>
#include <mutex>
#include <ostream>
#include <system_error>

#include "cli/SerialPortLink.h"
#include "link/FailureCause.h"
#include "link/NetworkAddress.h"
#include "link/NetworkPort.h"
#include "posix/DeviceFile.h"
#include "qt/QtSerialControl.h"
#include "qt/QtSocket.h"
#include "qt/QtTimer.h"
#include "qt/QtWait.h"

namespace qt {
namespace {

// The window's own words for a port that would not open (the group to join when permission is
// missing), or the path and "cannot be opened" where the cause is not known.
std::string OpenFailure(const QtSerialControl& serial, const std::string& port,
                        rtu::SerialError error) {
    // Several ports' threads may fail at once; the port's details ask the system through calls
    // that are not thread-safe (getgrgid for the group to join).
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    const rtu::FailureCause cause = rtu::OpenFailureCause(error, serial.DetailsOf(port));
    return cause.Known() ? cause.engineerLine : serial.SelectedPath() + " cannot be opened";
}

using QtPortLink = cli::SerialPortLink<QtSerialControl, QtTimer, QtWait>;
using QtNetworkLink = cli::SerialPortLink<rtu::NetworkPortWith<QtSocket>, QtTimer, QtWait>;

}  // namespace

int CliPlatform::ListPorts(std::ostream& out, std::ostream& err) {
    const auto ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty()) {
        err << "transmitter-cli: the system reports no serial ports\n";
    }
    for (const QSerialPortInfo& info : ports) {
        out << info.portName().toStdString() << '\t' << info.description().toStdString() << '\t'
            << info.manufacturer().toStdString() << '\t' << info.serialNumber().toStdString()
            << '\n';
    }
    return cli::kDone;
}

// The device file a port name stands for, links followed: two names for one port are one port.
std::string CliPlatform::SamePortKey(const std::string& port) const {
    std::error_code error;
    const std::string device = posix::DevicePath(port);
    const auto canonical = std::filesystem::canonical(device, error);
    return error ? device : canonical.string();
}

std::string CliPlatform::AdapterOf(const std::string& port) const {
    const rtu::PortDetails details = catalogue_.DetailsOf(port);
    return details.byIdLinks.empty() ? details.serialNumber : details.byIdLinks.front();
}

cli::Opening CliPlatform::OpenPort(const std::string& port, const cli::LinkSettings& settings,
                                   rtu::TraceWriter* trace) {
    if (rtu::IsNetworkPortName(port)) {
        return cli::OpenLink<QtNetworkLink>(port, settings, trace, cli::OpenFailureText);
    }
    return cli::OpenLink<QtPortLink>(port, settings, trace, OpenFailure);
}

cli::Wait& CliPlatform::InterruptibleWait(cli::PortLink& link) {
    QtWait& wait = static_cast<cli::LinkWithWait<QtWait>&>(link).Waiting();
    wait.StopOnSignals();
    return wait;
}

}  // namespace qt
