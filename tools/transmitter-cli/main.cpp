// transmitter-cli: the configuration window's requests from the command line, for scripts and
// the production line. Qt Core and Qt SerialPort only: it needs no display.

#include <QCoreApplication>
#include <QSerialPortInfo>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "Assignments.h"
#include "Commands.h"
#include "ConfigJson.h"
#include "Exchange.h"
#include "InputFile.h"
#include "Options.h"
#include "PortRuns.h"
#include "ProgramVersion.h"
#include "QtWait.h"
#include "Report.h"
#include "link/FailureCause.h"
#include "link/PortName.h"
#include "link/TraceWriter.h"
#include "posix/DeviceFile.h"
#include "qt/QtPortCatalogue.h"
#include "qt/QtSerialControl.h"
#include "qt/QtTimer.h"

namespace {

constexpr int kSilenceMs = 50;  // a reply is complete after 50 ms without a byte, as in the window

int Refuse(const std::string& message) {
    std::cerr << "transmitter-cli: " << message << "\n";
    return cli::kRefused;
}

int ListPorts() {
    const auto ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty()) {
        std::cerr << "transmitter-cli: the system reports no serial ports\n";
    }
    // One port a line: name, description, manufacturer, serial number, separated by tabs.
    for (const QSerialPortInfo& info : ports) {
        std::cout << info.portName().toStdString() << '\t' << info.description().toStdString()
                  << '\t' << info.manufacturer().toStdString() << '\t'
                  << info.serialNumber().toStdString() << '\n';
    }
    return cli::kDone;
}

// A JSON file (or standard input) applied to `values`; the refusal names the file.
std::optional<cli::Refusal> ReadJsonFile(const std::string& file, cli::ConfigValues& values,
                                         std::vector<std::string>* nullKeys) {
    std::string json;
    if (const auto why = cli::ReadInputFile(file, std::cin, json)) {
        return cli::Refusal{"", "cannot read " + file + ": " + *why};
    }
    auto refused = cli::ApplyConfigJson(json, values, nullKeys);
    if (refused && refused->key.empty()) {
        refused->reason = file + ": " + refused->reason;
    }
    return refused;
}

// save's input: the file (or standard input), then the pairs. Checked before the port is opened.
// A configuration key the file gives as null was unreadable on the device it came from: refused,
// unless a pair gives it or --partial keeps the target's own value on purpose.
std::optional<cli::Refusal> ReadSaveInput(const cli::Options& options, cli::ConfigValues& changes) {
    std::vector<std::string> nullKeys;
    if (options.file) {
        if (auto refused = ReadJsonFile(*options.file, changes, &nullKeys)) {
            return refused;
        }
    }
    if (auto refused = cli::ParseAssignments(options.assignments, changes)) {
        return refused;
    }
    std::string unset;
    for (std::size_t i = 0; i < cli::kConfigKeyCount; ++i) {
        const std::string_view key = cli::kConfigKeys[i].name;
        if (!changes[i] && std::find(nullKeys.begin(), nullKeys.end(), key) != nullKeys.end()) {
            unset += (unset.empty() ? "" : ", ") + std::string(key);
        }
    }
    if (!unset.empty() && !options.partial) {
        return cli::Refusal{"", *options.file + ": null for " + unset +
                                    " (not read from the device it came from); give KEY=VALUE, "
                                    "or --partial to keep the target's own"};
    }
    return std::nullopt;
}

// The window's own words for a port that would not open (the group to join when permission is
// missing), or the path and "cannot be opened" where the cause is not known.
std::string OpenFailure(const rtu::QtSerialControl& serial, const std::string& port,
                        rtu::SerialError error) {
    // Several ports' threads may fail at once; the port's details ask the system through calls
    // that are not thread-safe (getgrgid for the group to join).
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    const rtu::FailureCause cause = rtu::OpenFailureCause(error, serial.DetailsOf(port));
    return cause.Known() ? cause.engineerLine : serial.SelectedPath() + " cannot be opened";
}

// One port's link on Qt: its serial port, the 50 ms timer and the wait, on the thread that made
// them. Closing it closes the port and ends its trace.
class QtPortLink : public cli::PortLink {
public:
    QtPortLink(const cli::LinkSettings& settings, rtu::TraceWriter* trace)
        : timer1_(kSilenceMs), exchange_(serial_, timer1_, wait_, settings, trace), trace_(trace) {
        timer1_.OnTick([this] { exchange_.Timer1_Timer(); });
    }
    ~QtPortLink() override {
        serial_.SetListener(nullptr);
        if (!serial_.IsOpen()) {
            return;
        }
        if (trace_ != nullptr && exchange_.PortError() != rtu::SerialError::None) {
            trace_->Error(rtu::ErrorWords(exchange_.PortError()));
        }
        serial_.Close();
        if (trace_ != nullptr) {
            trace_->Close();
        }
    }
    QtPortLink(const QtPortLink&) = delete;
    QtPortLink& operator=(const QtPortLink&) = delete;

    // Opens the port, or says why not.
    rtu::SerialError Open(const std::string& path, std::string& failure) {
        serial_.SelectPort(path);
        serial_.SetLineSettings(rtu::kLineSettings);
        if (const rtu::SerialError opened = serial_.Open(); opened != rtu::SerialError::None) {
            if (trace_ != nullptr) {
                trace_->Error(rtu::ErrorWords(opened));
            }
            failure = OpenFailure(serial_, path, opened);
            return opened;
        }
        if (trace_ != nullptr) {
            trace_->Open(serial_.SelectedPath());
        }
        serial_.SetListener(&exchange_);
        return rtu::SerialError::None;
    }

    cli::Exchange& Link() override { return exchange_; }
    cli::QtWait& Waiting() { return wait_; }

private:
    // First: on a thread of its own, its event loop brings the event dispatcher that the port's
    // notifier and the timer need.
    cli::QtWait wait_;
    rtu::QtSerialControl serial_;
    app::QtTimer timer1_;
    cli::Exchange exchange_;
    rtu::TraceWriter* trace_;
};

cli::Opening OpenPort(const std::string& given, const cli::LinkSettings& settings,
                      rtu::TraceWriter* trace) {
    cli::Opening opening;
    auto link = std::make_unique<QtPortLink>(settings, trace);
    opening.error = link->Open(*rtu::PortToOpen(given, rtu::PortNaming::Unix), opening.message);
    if (opening.error == rtu::SerialError::None) {
        opening.link = std::move(link);
    }
    return opening;
}

// The device file a port name stands for, links followed: two names for one port are one port.
std::string SamePortKey(const std::string& path) {
    std::error_code error;
    const std::string device = posix::DevicePath(path);
    const auto canonical = std::filesystem::canonical(device, error);
    return error ? device : canonical.string();
}

// What the report names the adapter by: its by-id link, else its serial number.
std::string AdapterOf(const rtu::QtPortCatalogue& catalogue, const std::string& path) {
    const rtu::PortDetails details = catalogue.DetailsOf(path);
    return details.byIdLinks.empty() ? details.serialNumber : details.byIdLinks.front();
}

int Run(const cli::Options& options) {
    cli::ConfigValues changes{};
    std::int32_t position = 0;
    switch (options.command) {
        case cli::Command::Help:
            std::cout << cli::kUsage;
            return cli::kDone;
        case cli::Command::Version:
            std::cout << "transmitter-cli " << kProgramVersion << "\n";
            return cli::kDone;
        case cli::Command::Ports:
            return ListPorts();
        case cli::Command::Save:
            if (const auto refused = ReadSaveInput(options, changes)) {
                return Refuse(refused->Message() + "; nothing written");
            }
            break;
        case cli::Command::Diff:
            if (const auto refused = ReadJsonFile(*options.file, changes, nullptr)) {
                return Refuse(refused->Message() + "; nothing compared");
            }
            break;
        case cli::Command::Preset: {
            const auto index = cli::ConfigKeyIndex("PresetPosition");
            if (const auto refused = cli::Assign(changes, "PresetPosition", options.position)) {
                return Refuse(refused->Message() + "; nothing written");
            }
            position = *changes[*index];
            break;
        }
        case cli::Command::Read:
        case cli::Command::Watch:
            break;
    }

    std::vector<cli::PortJob> jobs;
    std::set<std::string> seen;
    for (const std::string& port : options.ports) {
        const auto path = rtu::PortToOpen(port, rtu::PortNaming::Unix);
        if (!path) {
            return Refuse("\"" + port + "\" names no port");
        }
        if (!seen.insert(SamePortKey(*path)).second) {
            return Refuse("the port " + port + " is given twice");
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
            return Refuse("cannot write the trace file " + options.trace + ": " + reason);
        }
    }
    std::unique_ptr<cli::ReportFile> report;
    if (!options.report.empty()) {
        std::string reason;
        report = cli::ReportFile::Open(options.report, reason);
        if (!report) {
            return Refuse("cannot write the report file " + options.report + ": " + reason);
        }
        const rtu::QtPortCatalogue catalogue;
        for (cli::PortJob& job : jobs) {
            job.adapter = AdapterOf(catalogue, *rtu::PortToOpen(job.port, rtu::PortNaming::Unix));
        }
    }

    if (options.command == cli::Command::Watch) {
        auto link = std::make_unique<QtPortLink>(options.link, trace.get());
        std::string failure;
        if (link->Open(*rtu::PortToOpen(jobs.front().port, rtu::PortNaming::Unix), failure) !=
            rtu::SerialError::None) {
            std::cerr << "transmitter-cli: " << failure << "\n";
            return cli::kDeviceFailed;
        }
        link->Waiting().StopOnSignals();
        return cli::RunWatch(link->Link(), link->Waiting(), options.count, std::cout, std::cerr);
    }

    const std::string file = options.file && *options.file == "-" ? "standard input"
                             : options.file                       ? *options.file
                                                                  : "";
    const cli::DeviceCommand command = [&](cli::DeviceRun& run) {
        switch (options.command) {
            case cli::Command::Read:
                return cli::RunRead(run);
            case cli::Command::Save:
                return cli::RunSave(run, changes, options.verify);
            case cli::Command::Preset:
                return cli::RunPreset(run, position);
            case cli::Command::Diff:
                return cli::RunDiff(run, changes, file);
            default:
                return cli::kRefused;
        }
    };
    const cli::PortOpener open = [&](const std::string& port) {
        return OpenPort(port, options.link, trace.get());
    };
    return cli::RunOnPorts(jobs, options.command, report != nullptr, open, command, report.get(),
                           std::cout, std::cerr);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    const auto options = cli::ParseOptions(arguments, error);
    if (!options) {
        std::cerr << "transmitter-cli: " << error << "\n\n" << cli::kUsage;
        return cli::kRefused;
    }
    try {
        return Run(*options);
    } catch (const std::exception& e) {
        std::cerr << "transmitter-cli: failed: " << e.what() << "\n";
        return cli::kDeviceFailed;
    }
}
