#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "cli/ConfigKeys.h"
#include "cli/Exchange.h"
#include "cli/Wait.h"

namespace cli {

// The program's exit status.
inline constexpr int kDone = 0;
inline constexpr int kDeviceFailed = 1;  // no answer, an exception, a failed verify, a difference
inline constexpr int kRefused = 2;       // usage error or a refused value; nothing written

// What one device's run came to, for the report and the line each of several ports gets.
struct RunRecord {
    // Empty until something fails, then the first failure in the report's words: no answer,
    // garbled reply, exception N, verify failed, refused value, unreadable value, differs,
    // port error: WORDS. The run's end makes an empty one "ok".
    std::string result;
    std::string firmware;     // "Ver0258", when read
    std::string status;       // "Pass", "Fail" or "Unknow", when read
    std::string changes;      // save, preset: "Key old->new" for each key written with a new value
    std::string differences;  // diff: "Key: device X, file Y" for each, separated by "; "
};

// One device's command: its link, where its output goes, and what it came to.
struct DeviceRun {
    DeviceRun(Exchange& link, std::ostream& output, std::ostream& messages,
              std::string lineTag = "transmitter-cli: ")
        : exchange(link), out(output), err(messages), tag(std::move(lineTag)) {}

    Exchange& exchange;
    std::ostream& out;  // JSON, readings, differences
    std::ostream& err;  // messages for the engineer, in English, each line starting with `tag`
    std::string tag;
    // Set when read is one of several: its JSON is then one line with this as "Port".
    std::optional<std::string> port;
    // Also read the status and the firmware version before save, preset or diff, for the report.
    bool identify = false;
    RunRecord record;
};

// The commands, over an open port. Each returns the exit status.

// Reads the configuration, the status words, the live position and the firmware version, in the
// window's order, and prints them as one JSON object. The object is printed whenever the
// configuration came; what could not be had is null (the status "Unknow"), and the status is 1.
// As one of several ports, a device whose configuration did not come gets {"Port", "Error"}.
int RunRead(DeviceRun& run);

// Reads the configuration, replaces the values given in `changes`, writes registers 0-18 with the
// window's save request and, when `verify`, reads them back and compares them register by
// register. A device value the window cannot show and that `changes` does not replace stops the
// save before anything is written.
int RunSave(DeviceRun& run, const ConfigValues& changes, bool verify);

// Writes the preset position with the window's preset request. With `identify`, reads the
// configuration first, so that the preset's old value is known.
int RunPreset(DeviceRun& run, std::int32_t position);

// Reads the configuration and prints, a line each, the keys save writes whose value on the
// device differs from `reference`: "Key: device X, file Y". Keys without a reference value are
// not compared. 0 when they agree, 1 when they differ or the device fails.
int RunDiff(DeviceRun& run, const ConfigValues& reference, const std::string& file);

// Prints the live position, one number a line, every 200 ms, until `count` readings have been
// printed or the operator interrupts (status 0), or a reading fails (status 1).
int RunWatch(Exchange& exchange, Wait& wait, std::optional<std::int64_t> count, std::ostream& out,
             std::ostream& err);

}  // namespace cli
