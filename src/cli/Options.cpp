#include "cli/Options.h"

#include <charconv>

namespace cli {

const char* const kUsage = R"(Usage:
  transmitter-cli ports
  transmitter-cli read   --port NAME... [options]
  transmitter-cli save   --port NAME... [FILE|-] [KEY=VALUE...] [--no-verify] [--partial] [options]
  transmitter-cli preset --port NAME... POSITION [options]
  transmitter-cli diff   --port NAME... FILE|- [options]
  transmitter-cli watch  --port NAME [--count N] [options]

Talks Modbus RTU to the rotary position transmitter at 115200 8N1, with the requests the
configuration window sends.

  ports    lists the serial ports with their descriptions
  read     prints the configuration (registers 0-20), the live position, the status and the
           firmware version as one JSON object
  save     reads the configuration, applies FILE (JSON as read prints it; - for standard input)
           and then the KEY=VALUE pairs, writes registers 0-18 and reads them back to compare
  preset   writes the preset position (registers 19-20)
  diff     prints each key whose value on the device differs from FILE (Key: device X, file Y)
  watch    prints the live position every 200 ms until interrupted

Read, save, preset and diff work on several ports at once (--port given more than once, or a
comma list), each device on its own port: read prints one JSON object a line with its "Port",
the others one line a port with its result.

Options:
  --port NAME       serial port: a system name such as ttyUSB0, or a device path
                    (COM3 on Windows), or a serial server: tcp://HOST:PORT or
                    rfc2217://HOST:PORT
  --report FILE     append a CSV row per device to FILE: time, port, adapter, firmware, status,
                    result, what changed, milliseconds
  --partial         save: pass over keys the file gives as null (else refused)
  --address N       slave address, 0..247 (default 0)
  --timeout-ms N    wait for each reply, 1..60000 ms (default 500)
  --retries N       further attempts after a request gets no answer, 0..100 (default 2)
  --no-verify       save: do not read the registers back
  --count N         watch: stop after N readings
  --trace FILE      append every frame sent and received to FILE (- for standard error);
                    with one --port only
  --help, --version

Exit status: 0 done, on every port; 1 a port could not be opened, a device did not answer,
refused a request, a verify failed or diff found a difference; 2 usage error or a refused
value (nothing is written then).
)";

namespace {

std::optional<std::int64_t> WholeNumber(std::string_view text, std::int64_t min, std::int64_t max) {
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<Command> CommandNamed(std::string_view name) {
    if (name == "ports")
        return Command::Ports;
    if (name == "read")
        return Command::Read;
    if (name == "save")
        return Command::Save;
    if (name == "preset")
        return Command::Preset;
    if (name == "watch")
        return Command::Watch;
    if (name == "diff")
        return Command::Diff;
    return std::nullopt;
}

bool TakesManyPorts(Command command) {
    return command == Command::Read || command == Command::Save || command == Command::Preset ||
           command == Command::Diff;
}

}  // namespace

std::optional<Options> ParseOptions(std::span<const std::string> arguments, std::string& error) {
    Options options;
    std::optional<Command> command;
    std::vector<std::string_view> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view arg = arguments[i];
        if (arg == "--help" || arg == "-h") {
            options.command = Command::Help;
            return options;
        }
        if (arg == "--version") {
            options.command = Command::Version;
            return options;
        }
        if (!arg.starts_with("--")) {
            if (!command) {
                command = CommandNamed(arg);
                if (!command) {
                    error = "unknown command \"" + std::string(arg) + "\"";
                    return std::nullopt;
                }
            } else {
                positional.push_back(arg);
            }
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name == "--no-verify" && !value) {
            options.verify = false;
            continue;
        }
        if (name == "--partial" && !value) {
            options.partial = true;
            continue;
        }
        if (name != "--port" && name != "--address" && name != "--timeout-ms" &&
            name != "--retries" && name != "--count" && name != "--trace" && name != "--report") {
            error = "unknown option " + std::string(name);
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            value = arguments[++i];
        }
        const auto number = [&](std::int64_t min, std::int64_t max) {
            const auto n = WholeNumber(*value, min, max);
            if (!n) {
                error = std::string(name) + ": expected a whole number from " +
                        std::to_string(min) + " to " + std::to_string(max) + ", not \"" +
                        std::string(*value) + "\"";
            }
            return n;
        };
        if (name == "--port") {
            std::string_view list = *value;
            for (;;) {
                const auto comma = list.find(',');
                const std::string_view one = list.substr(0, comma);
                if (one.empty()) {
                    error = "--port needs a port name";
                    return std::nullopt;
                }
                options.ports.emplace_back(one);
                if (comma == std::string_view::npos) {
                    break;
                }
                list.remove_prefix(comma + 1);
            }
        } else if (name == "--report") {
            options.report = *value;
            if (options.report.empty()) {
                error = "--report needs a file name";
                return std::nullopt;
            }
        } else if (name == "--trace") {
            options.trace = *value;
            if (options.trace.empty()) {
                error = "--trace needs a file name";
                return std::nullopt;
            }
        } else if (name == "--address") {
            const auto n = number(0, 247);
            if (!n)
                return std::nullopt;
            options.link.address = static_cast<std::uint8_t>(*n);
        } else if (name == "--timeout-ms") {
            const auto n = number(1, 60000);
            if (!n)
                return std::nullopt;
            options.link.timeoutMs = static_cast<int>(*n);
        } else if (name == "--retries") {
            const auto n = number(0, 100);
            if (!n)
                return std::nullopt;
            options.link.retries = static_cast<int>(*n);
        } else {
            options.count = number(1, 1'000'000'000);
            if (!options.count)
                return std::nullopt;
        }
    }

    if (!command) {
        error = "no command given";
        return std::nullopt;
    }
    options.command = *command;
    if (options.command != Command::Ports && options.ports.empty()) {
        error = "--port NAME is needed";
        return std::nullopt;
    }
    if (options.ports.size() > 1 && !TakesManyPorts(options.command)) {
        error = "one --port only: read, save, preset and diff take several";
        return std::nullopt;
    }
    if (options.ports.size() > 1 && !options.trace.empty()) {
        error = "--trace records one port: give one --port with it";
        return std::nullopt;
    }
    if (!options.report.empty() && !TakesManyPorts(options.command)) {
        error = "--report is for read, save, preset and diff";
        return std::nullopt;
    }
    if (options.partial && options.command != Command::Save) {
        error = "--partial is for save only";
        return std::nullopt;
    }
    if (options.count && options.command != Command::Watch) {
        error = "--count is for watch only";
        return std::nullopt;
    }
    if (!options.verify && options.command != Command::Save) {
        error = "--no-verify is for save only";
        return std::nullopt;
    }
    for (const std::string_view arg : positional) {
        if (options.command == Command::Save) {
            if (arg.find('=') != std::string_view::npos) {
                options.assignments.emplace_back(arg);
                continue;
            }
            if (!options.file) {
                options.file = std::string(arg);
                continue;
            }
        } else if (options.command == Command::Preset && options.position.empty()) {
            options.position = arg;
            continue;
        } else if (options.command == Command::Diff) {
            if (arg.find('=') != std::string_view::npos) {
                error = "diff compares with a FILE; KEY=VALUE pairs are for save";
                return std::nullopt;
            }
            if (!options.file) {
                options.file = std::string(arg);
                continue;
            }
        }
        error = "unexpected argument \"" + std::string(arg) + "\"";
        return std::nullopt;
    }
    if (options.command == Command::Preset && options.position.empty()) {
        error = "preset needs a POSITION";
        return std::nullopt;
    }
    if (options.command == Command::Diff && !options.file) {
        error = "diff needs a FILE";
        return std::nullopt;
    }
    return options;
}

}  // namespace cli
