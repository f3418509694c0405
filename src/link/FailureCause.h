#pragma once

#include <string>

#include "link/PortDetails.h"
#include "link/SerialControl.h"

namespace rtu {

// Why the port could not be opened or failed while open, told twice: one Chinese line for the
// operator, under "串口错误" in the message box, and one English line for the engineer on stderr.
// Both are empty when the cause is not known.
struct FailureCause {
    std::string operatorLine;
    std::string engineerLine;
    bool Known() const { return !operatorLine.empty(); }
};

// An open of the port `details` describes failed with `error` (None gives no cause).
FailureCause OpenFailureCause(SerialError error, const PortDetails& details);
// The open port `details` describes failed at run time with `error`.
FailureCause RunTimeFailureCause(SerialError error, const PortDetails& details);
// The port chooser named no port.
FailureCause NoPortChosenCause();
// The start-up probe found ports that this user may not open: one hint for the first of them.
FailureCause PermissionHint(const PortDetails& refused);

}  // namespace rtu
