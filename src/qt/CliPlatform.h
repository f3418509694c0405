#pragma once

#include "cli/Program.h"
#include "qt/QtPortCatalogue.h"

namespace qt {

// transmitter-cli's system on Linux: Qt SerialPort's ports, each link on Qt Core's event loop with
// a timerfd timer, the wait ended by SIGINT and SIGTERM.
class CliPlatform : public cli::Platform {
public:
    rtu::PortNaming Naming() const override { return rtu::PortNaming::Unix; }
    int ListPorts(std::ostream& out, std::ostream& err) override;
    std::string SamePortKey(const std::string& port) const override;
    // Its by-id link, else its serial number.
    std::string AdapterOf(const std::string& port) const override;
    cli::Opening OpenPort(const std::string& port, const cli::LinkSettings& settings,
                          rtu::TraceWriter* trace) override;
    cli::Wait& InterruptibleWait(cli::PortLink& link) override;

private:
    QtPortCatalogue catalogue_;
};

}  // namespace qt
