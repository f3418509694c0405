#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/CommandLine.h"
#include "link/PortName.h"
#include "link/TraceWriter.h"

namespace app {

// The window program's start on any platform, before a window exists: the command line read,
// help, the version or a usage error answered, and the traffic trace opened.
class StartUp {
public:
    // `program` names the program in the usage line.
    StartUp(std::string_view program, std::span<const std::string> arguments,
            rtu::PortNaming naming)
        : line_(ParseArguments(program, arguments, naming)) {}

    // Help or the version on `out`, or the usage error with the usage text on `err`, and the
    // status to exit with (0 or 2); nothing when the program goes on.
    std::optional<int> Answer(std::ostream& out, std::ostream& err) const;

    // Opens the trace file the command line names, if any, before anything else starts: one that
    // cannot be written is a usage error now, never a surprise mid-run. False, with the reason
    // on `err`, when it cannot be opened.
    bool OpenTrace(std::ostream& err);

    const CommandLine& Line() const { return line_; }
    rtu::TraceWriter* Trace() const { return trace_.get(); }

private:
    CommandLine line_;
    std::unique_ptr<rtu::TraceWriter> trace_;
};

}  // namespace app
