// transmitter-cli on Linux: the program's flow on Qt Core's event loop and Qt SerialPort's
// ports, for scripts and the production line. It needs no display.

#include <QCoreApplication>
#include <QSerialPortInfo>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "Program.h"
#include "QtWait.h"
#include "SerialPortLink.h"
#include "link/FailureCause.h"
#include "link/TraceWriter.h"
#include "posix/DeviceFile.h"
#include "qt/QtPortCatalogue.h"
#include "qt/QtSerialControl.h"
#include "qt/QtTimer.h"

namespace {

// The window's own words for a port that would not open (the group to join when permission is
// missing), or the path and "cannot be opened" where the cause is not known.
std::string OpenFailure(const rtu::QtSerialControl& serial, const std::string& port,
                        rtu::SerialError error) {
    // Several ports' threads may fail at once; the port's details ask the system through calls
    // that are not thread-safe (getgrgid for the group to join).
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    const rtu::FailureCause cause = rtu::OpenFailureCause(error, serial.DetailsOf(port));
    return cause.Known() ? cause.engineerLine : serial.SelectedPath() + " cannot be opened";
}

using QtPortLink = cli::SerialPortLink<rtu::QtSerialControl, app::QtTimer, cli::QtWait>;

// The device file a port name stands for, links followed: two names for one port are one port.
std::string DeviceKey(const std::string& path) {
    std::error_code error;
    const std::string device = posix::DevicePath(path);
    const auto canonical = std::filesystem::canonical(device, error);
    return error ? device : canonical.string();
}

class QtPlatform : public cli::Platform {
public:
    rtu::PortNaming Naming() const override { return rtu::PortNaming::Unix; }

    int ListPorts(std::ostream& out, std::ostream& err) override {
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

    std::string SamePortKey(const std::string& port) const override { return DeviceKey(port); }

    // Its by-id link, else its serial number.
    std::string AdapterOf(const std::string& port) const override {
        const rtu::PortDetails details = catalogue_.DetailsOf(port);
        return details.byIdLinks.empty() ? details.serialNumber : details.byIdLinks.front();
    }

    cli::Opening OpenPort(const std::string& port, const cli::LinkSettings& settings,
                          rtu::TraceWriter* trace) override {
        cli::Opening opening;
        auto link = std::make_unique<QtPortLink>(settings, trace);
        opening.error = link->Open(port, opening.message, OpenFailure);
        if (opening.error == rtu::SerialError::None) {
            opening.link = std::move(link);
        }
        return opening;
    }

    cli::Wait& InterruptibleWait(cli::PortLink& link) override {
        cli::QtWait& wait = static_cast<QtPortLink&>(link).Waiting();
        wait.StopOnSignals();
        return wait;
    }

private:
    rtu::QtPortCatalogue catalogue_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QtPlatform platform;
    return cli::RunProgram(std::vector<std::string>(argv + 1, argv + argc), platform, std::cin,
                           std::cout, std::cerr);
}
