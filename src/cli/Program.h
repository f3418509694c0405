#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/Exchange.h"
#include "cli/PortRuns.h"
#include "cli/Wait.h"
#include "link/PortName.h"
#include "link/TraceWriter.h"

namespace cli {

// What the program needs of the system it runs on: its ports, and a link on one of them.
class Platform {
public:
    virtual ~Platform() = default;
    virtual rtu::PortNaming Naming() const = 0;
    // `ports`: one port a line, its name, description, manufacturer and serial number separated
    // by tabs.
    virtual int ListPorts(std::ostream& out, std::ostream& err) = 0;
    // The same text for two names of one port.
    virtual std::string SamePortKey(const std::string& port) const = 0;
    // What the report names the port's adapter by, where the system tells.
    virtual std::string AdapterOf(const std::string& port) const = 0;
    // Opens the port on the calling thread, which then uses the link and lets it go.
    virtual Opening OpenPort(const std::string& port, const LinkSettings& settings,
                             rtu::TraceWriter* trace) = 0;
    // The wait of a link this platform opened, from now on ended by Ctrl+C (and on Unix by
    // SIGTERM) instead of the program being killed: watch closes the port and its output.
    virtual Wait& InterruptibleWait(PortLink& link) = 0;
};

// The program after its name: the command line read, the command run on its ports. Returns the
// exit status.
int RunProgram(const std::vector<std::string>& arguments, Platform& platform, std::istream& in,
               std::ostream& out, std::ostream& err);

}  // namespace cli
