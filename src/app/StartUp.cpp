#include "app/StartUp.h"

#include <ostream>

#include "product/Version.h"

namespace app {

std::optional<int> StartUp::Answer(std::ostream& out, std::ostream& err) const {
    if (line_.help) {
        out << line_.helpText;
        return 0;
    }
    if (line_.version) {
        out << "transmitter-config " << product::kVersion << "\n";
        return 0;
    }
    if (!line_.error.empty()) {
        err << line_.error << "\n\n" << line_.helpText;
        return 2;
    }
    return std::nullopt;
}

bool StartUp::OpenTrace(std::ostream& err) {
    if (line_.trace.empty()) {
        return true;
    }
    std::string error;
    trace_ = rtu::TraceWriter::Open(line_.trace, error);
    if (!trace_) {
        err << "transmitter-config: cannot write the trace file " << line_.trace << ": " << error
            << "\n";
        return false;
    }
    return true;
}

}  // namespace app
