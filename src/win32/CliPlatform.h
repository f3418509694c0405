#pragma once

#include "cli/Program.h"

namespace win32 {

// transmitter-cli's system on Windows: the COM ports Windows lists, each link on the thread's
// message queue with a waitable timer, the wait ended by Ctrl+C, Ctrl+Break and the console
// closing.
class CliPlatform : public cli::Platform {
public:
    rtu::PortNaming Naming() const override { return rtu::PortNaming::Windows; }
    int ListPorts(std::ostream& out, std::ostream& err) override;
    // COM names are the port's own: PortToOpen has made them "COM" and the number.
    std::string SamePortKey(const std::string& port) const override { return port; }
    std::string AdapterOf(const std::string& port) const override;
    cli::Opening OpenPort(const std::string& port, const cli::LinkSettings& settings,
                          rtu::TraceWriter* trace) override;
    cli::Wait& InterruptibleWait(cli::PortLink& link) override;
};

}  // namespace win32
