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
#include "link/FailureCause.h"
#include "link/TraceWriter.h"
#include "posix/DeviceFile.h"
#include "qt/QtPortCatalogue.h"
#include "qt/QtSerialControl.h"
#include "qt/QtTimer.h"

namespace {

constexpr int kSilenceMs = 50;  // a reply is complete after 50 ms without a byte, as in the window

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

// One port's link on Qt: its serial port, the 50 ms timer and the wait, on the thread that made
// them. Closing it closes the port and ends its trace.
class QtPortLink : public cli::PortLink {
public:
    QtPortLink(const cli::LinkSettings& settings, rtu::TraceWriter* trace)
        : timer1_(kSilenceMs), exchange_(serial_, timer1_, wait_, settings, trace), trace_(trace) {
        timer1_.OnTick([this] { exchange_.Timer1_Timer(); });
    }
    ~QtPortLink() override {
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
    QtPortLink(const QtPortLink&) = delete;
    QtPortLink& operator=(const QtPortLink&) = delete;

    // Opens the port, or says why not.
    rtu::SerialError Open(const std::string& path, std::string& failure) {
        serial_.SelectPort(path);
        serial_.SetLineSettings(rtu::kLineSettings);
        if (const rtu::SerialError opened = serial_.Open(); opened != rtu::SerialError::None) {
            if (trace_ != nullptr) {
                trace_->Error(rtu::ErrorWords(opened));
            }
            failure = OpenFailure(serial_, path, opened);
            return opened;
        }
        if (trace_ != nullptr) {
            trace_->Open(serial_.SelectedPath());
        }
        serial_.SetListener(&exchange_);
        return rtu::SerialError::None;
    }

    cli::Exchange& Link() override { return exchange_; }
    cli::QtWait& Waiting() { return wait_; }

private:
    // First: on a thread of its own, its event loop brings the event dispatcher that the port's
    // notifier and the timer need.
    cli::QtWait wait_;
    rtu::QtSerialControl serial_;
    app::QtTimer timer1_;
    cli::Exchange exchange_;
    rtu::TraceWriter* trace_;
};

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
        opening.error = link->Open(port, opening.message);
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
