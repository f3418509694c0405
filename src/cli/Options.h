#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Exchange.h"

namespace cli {

enum class Command : std::uint8_t { Help, Version, Ports, Read, Save, Preset, Watch, Diff };

// What the command line asks for.
struct Options {
    Command command = Command::Help;
    // As given, in order: --port taken more than once or as a comma list. Read, save, preset and
    // diff take several; the others one.
    std::vector<std::string> ports;
    LinkSettings link;
    std::optional<std::string> file;       // save, diff: a JSON file, or "-" for standard input
    std::vector<std::string> assignments;  // save: KEY=VALUE pairs, in order
    bool verify = true;                    // save: read back and compare
    bool partial = false;                  // save: pass over the file's null values
    std::string position;                  // preset: the position, as given
    std::optional<std::int64_t> count;     // watch: stop after this many readings
    std::string trace;   // the traffic trace's file, "-" for stderr; none if empty
    std::string report;  // the CSV file a row per device is appended to; none if empty
};

// The command line without the program's name. Returns the options, or in `error` what is wrong
// with them (an unknown command or option, a missing or out-of-range value, a missing port).
// Values are checked here as far as they can be without the device; a preset position is
// checked by the caller with the register limits.
std::optional<Options> ParseOptions(std::span<const std::string> arguments, std::string& error);

extern const char* const kUsage;

}  // namespace cli
