#pragma once

#include <cstdint>

#include "link/SerialControl.h"

namespace win32 {

// Windows' error codes for a serial port, mapped to the link's in this one place.
// Opening: a missing port is "not found"; ERROR_ACCESS_DENIED means another program holds it
// (Windows has no per-user rights on COM ports in practice); anything else failed to open.
rtu::SerialError OpenError(std::uint32_t code);
// An open port whose I/O fails has gone, whatever the driver says: a pulled USB adapter gives 5,
// 22, 31, 995, 1167 or 1617 depending on the driver, Wine's pty ports 21.
rtu::SerialError RunTimeError(std::uint32_t code);

}  // namespace win32
