#pragma once

#include <cstdint>
#include <optional>
#include <ostream>

#include "ConfigKeys.h"
#include "Exchange.h"
#include "Wait.h"

namespace cli {

// The program's exit status.
inline constexpr int kDone = 0;
inline constexpr int kDeviceFailed = 1;  // no answer, an exception, a failed verify
inline constexpr int kRefused = 2;       // usage error or a refused value; nothing written

// The commands, over an open port. JSON and readings go to `out`; messages for the engineer, in
// English, to `err`. Each returns the exit status.

// Reads the configuration, the status words, the live position and the firmware version, in the
// window's order, and prints them as one JSON object. The object is printed whenever the
// configuration came; what could not be had is null (the status "Unknow"), and the status is 1.
int RunRead(Exchange& exchange, std::ostream& out, std::ostream& err);

// Reads the configuration, replaces the values given in `changes`, writes registers 0-18 with the
// window's save request and, when `verify`, reads them back and compares them register by
// register. A device value the window cannot show and that `changes` does not replace stops the
// save before anything is written.
int RunSave(Exchange& exchange, const ConfigValues& changes, bool verify, std::ostream& err);

// Writes the preset position with the window's preset request.
int RunPreset(Exchange& exchange, std::int32_t position, std::ostream& err);

// Prints the live position, one number a line, every 200 ms, until `count` readings have been
// printed or the operator interrupts (status 0), or a reading fails (status 1).
int RunWatch(Exchange& exchange, Wait& wait, std::optional<std::int64_t> count, std::ostream& out,
             std::ostream& err);

}  // namespace cli
