#include "cli/Program.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/Assignments.h"
#include "cli/Commands.h"
#include "cli/ConfigJson.h"
#include "cli/InputFile.h"
#include "cli/Options.h"
#include "cli/Report.h"
#include "link/NetworkAddress.h"
#include "product/Version.h"

namespace cli {
namespace {

int Refuse(std::ostream& err, const std::string& message) {
    err << "transmitter-cli: " << message << "\n";
    return kRefused;
}

// A JSON file (or standard input) applied to `values`; the refusal names the file.
std::optional<Refusal> ReadJsonFile(const std::string& file, std::istream& in, ConfigValues& values,
                                    std::vector<std::string>* nullKeys) {
    std::string json;
    if (const auto why = ReadInputFile(file, in, json)) {
        return Refusal{"", "cannot read " + file + ": " + *why};
    }
    auto refused = ApplyConfigJson(json, values, nullKeys);
    if (refused && refused->key.empty()) {
        refused->reason = file + ": " + refused->reason;
    }
    return refused;
}

// save's input: the file (or standard input), then the pairs. Checked before the port is opened.
// A configuration key the file gives as null was unreadable on the device it came from: refused,
// unless a pair gives it or --partial keeps the target's own value on purpose.
std::optional<Refusal> ReadSaveInput(const Options& options, std::istream& in,
                                     ConfigValues& changes) {
    std::vector<std::string> nullKeys;
    if (options.file) {
        if (auto refused = ReadJsonFile(*options.file, in, changes, &nullKeys)) {
            return refused;
        }
    }
    if (auto refused = ParseAssignments(options.assignments, changes)) {
        return refused;
    }
    std::string unset;
    for (std::size_t i = 0; i < kConfigKeyCount; ++i) {
        const std::string_view key = kConfigKeys[i].name;
        if (!changes[i] && std::find(nullKeys.begin(), nullKeys.end(), key) != nullKeys.end()) {
            unset += (unset.empty() ? "" : ", ") + std::string(key);
        }
    }
    if (!unset.empty() && !options.partial) {
        return Refusal{"", *options.file + ": null for " + unset +
                               " (not read from the device it came from); give KEY=VALUE, "
                               "or --partial to keep the target's own"};
    }
    return std::nullopt;
}

int Run(const Options& options, Platform& platform, std::istream& in, std::ostream& out,
        std::ostream& err) {
    ConfigValues changes{};
    std::int32_t position = 0;
    switch (options.command) {
        case Command::Help:
            out << kUsage;
            return kDone;
        case Command::Version:
            out << "transmitter-cli " << product::kVersion << "\n";
            return kDone;
        case Command::Ports:
            return platform.ListPorts(out, err);
        case Command::Save:
            if (const auto refused = ReadSaveInput(options, in, changes)) {
                return Refuse(err, refused->Message() + "; nothing written");
            }
            break;
        case Command::Diff:
            if (const auto refused = ReadJsonFile(*options.file, in, changes, nullptr)) {
                return Refuse(err, refused->Message() + "; nothing compared");
            }
            break;
        case Command::Preset: {
            const auto index = ConfigKeyIndex("PresetPosition");
            if (const auto refused = Assign(changes, "PresetPosition", options.position)) {
                return Refuse(err, refused->Message() + "; nothing written");
            }
            position = *changes[*index];
            break;
        }
        case Command::Read:
        case Command::Watch:
            break;
    }

    std::vector<PortJob> jobs;
    std::set<std::string> seen;
    for (const std::string& port : options.ports) {
        const auto path = rtu::PortToOpen(port, platform.Naming());
        if (!path) {
            return Refuse(err, "\"" + port + "\" names no port");
        }
        const auto server = rtu::ParseNetworkAddress(*path);
        if (rtu::IsNetworkPortName(*path) && !server) {
            return Refuse(err, "\"" + port + "\" is not tcp://HOST:PORT or rfc2217://HOST:PORT");
        }
        if (!seen.insert(server ? rtu::NameOf(*server) : platform.SamePortKey(*path)).second) {
            return Refuse(err, "the port " + port + " is given twice");
        }
        jobs.push_back({port, {}});
    }

    // Opened before the port: a trace or report that cannot be written is a usage error, found
    // at once, with nothing sent.
    std::unique_ptr<rtu::TraceWriter> trace;
    if (!options.trace.empty()) {
        std::string reason;
        trace = rtu::TraceWriter::Open(options.trace, reason);
        if (!trace) {
            return Refuse(err, "cannot write the trace file " + options.trace + ": " + reason);
        }
    }
    std::unique_ptr<ReportFile> report;
    if (!options.report.empty()) {
        std::string reason;
        report = ReportFile::Open(options.report, reason);
        if (!report) {
            return Refuse(err, "cannot write the report file " + options.report + ": " + reason);
        }
        for (PortJob& job : jobs) {
            // A serial server's port has no adapter the system could tell of.
            const std::string path = *rtu::PortToOpen(job.port, platform.Naming());
            job.adapter = rtu::IsNetworkPortName(path) ? "" : platform.AdapterOf(path);
        }
    }

    if (options.command == Command::Watch) {
        Opening opening = platform.OpenPort(*rtu::PortToOpen(jobs.front().port, platform.Naming()),
                                            options.link, trace.get());
        if (!opening.link) {
            err << "transmitter-cli: " << opening.message << "\n";
            return kDeviceFailed;
        }
        Wait& wait = platform.InterruptibleWait(*opening.link);
        return RunWatch(opening.link->Link(), wait, options.count, out, err);
    }

    const std::string file = options.file && *options.file == "-" ? "standard input"
                             : options.file                       ? *options.file
                                                                  : "";
    const DeviceCommand command = [&](DeviceRun& run) {
        switch (options.command) {
            case Command::Read:
                return RunRead(run);
            case Command::Save:
                return RunSave(run, changes, options.verify);
            case Command::Preset:
                return RunPreset(run, position);
            case Command::Diff:
                return RunDiff(run, changes, file);
            default:
                return kRefused;
        }
    };
    const PortOpener open = [&](const std::string& port) {
        return platform.OpenPort(*rtu::PortToOpen(port, platform.Naming()), options.link,
                                 trace.get());
    };
    return RunOnPorts(jobs, options.command, report != nullptr, open, command, report.get(), out,
                      err);
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments, Platform& platform, std::istream& in,
               std::ostream& out, std::ostream& err) {
    std::string error;
    const auto options = ParseOptions(arguments, error);
    if (!options) {
        err << "transmitter-cli: " << error << "\n\n" << kUsage;
        return kRefused;
    }
    try {
        return Run(*options, platform, in, out, err);
    } catch (const std::exception& e) {
        err << "transmitter-cli: failed: " << e.what() << "\n";
        return kDeviceFailed;
    }
}

}  // namespace cli
