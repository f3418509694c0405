#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Exchange.h"
#include "cli/Options.h"
#include "cli/Report.h"
#include "link/SerialControl.h"

namespace cli {

// One port, opened by the program; closed when this goes.
class PortLink {
public:
    virtual ~PortLink() = default;
    virtual Exchange& Link() = 0;
};

struct Opening {
    std::unique_ptr<PortLink> link;                   // empty when the port did not open
    rtu::SerialError error = rtu::SerialError::None;  // why not
    std::string message;                              // why not, in the engineer's words
};

// Opens a port by the name given. Called on the thread that then uses the link and lets it go.
using PortOpener = std::function<Opening(const std::string& port)>;
// The command on one device.
using DeviceCommand = std::function<int(DeviceRun& run)>;

struct PortJob {
    std::string port;     // as given on the command line
    std::string adapter;  // for the report: its by-id link or serial number, where known
};

// Runs `command` on the device at each port and returns the worst exit status (0 only when every
// device succeeded). One port runs on the calling thread, with read's JSON and the messages as
// they have always been. Several run at once, each on a thread of its own, and a device that
// fails stops none of the others: messages are whole lines tagged with their port, read prints
// one JSON line per device with its "Port" (or its "Error"), the other commands a line
// "PORT: RESULT" each, in the order they finish. With `report`, a row per device is appended as
// it finishes; `identify` has save, preset and diff read the status and firmware for it.
int RunOnPorts(const std::vector<PortJob>& jobs, Command command, bool identify,
               const PortOpener& open, const DeviceCommand& run, ReportFile* report,
               std::ostream& out, std::ostream& err);

}  // namespace cli
