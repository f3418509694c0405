// transmitter-cli: the configuration window's requests from the command line, for scripts and
// the production line. Qt Core and Qt SerialPort only: it needs no display.

#include <QCoreApplication>
#include <QSerialPortInfo>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Assignments.h"
#include "Commands.h"
#include "ConfigJson.h"
#include "Exchange.h"
#include "Options.h"
#include "ProgramVersion.h"
#include "QtWait.h"
#include "link/FailureCause.h"
#include "link/PortName.h"
#include "link/TraceWriter.h"
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

// save's input: the file (or standard input), then the pairs. Checked before the port is opened.
std::optional<cli::Refusal> ReadSaveInput(const cli::Options& options, cli::ConfigValues& changes) {
    if (options.file) {
        std::string json;
        if (*options.file == "-") {
            json.assign(std::istreambuf_iterator<char>(std::cin), {});
        } else {
            std::ifstream in(*options.file, std::ios::binary);
            if (!in) {
                return cli::Refusal{"", "cannot read " + *options.file};
            }
            json.assign(std::istreambuf_iterator<char>(in), {});
        }
        if (auto refused = cli::ApplyConfigJson(json, changes)) {
            if (refused->key.empty()) {
                refused->reason = *options.file + ": " + refused->reason;
            }
            return refused;
        }
    }
    return cli::ParseAssignments(options.assignments, changes);
}

// The window's own words for a port that would not open (the group to join when permission is
// missing), or the path and "cannot be opened" where the cause is not known.
std::string OpenFailure(const rtu::QtSerialControl& serial, const std::string& port,
                        rtu::SerialError error) {
    const rtu::FailureCause cause = rtu::OpenFailureCause(error, serial.DetailsOf(port));
    return cause.Known() ? cause.engineerLine : serial.SelectedPath() + " cannot be opened";
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

    cli::ConfigValues changes{};
    std::int32_t position = 0;
    switch (options->command) {
        case cli::Command::Help:
            std::cout << cli::kUsage;
            return cli::kDone;
        case cli::Command::Version:
            std::cout << "transmitter-cli " << kProgramVersion << "\n";
            return cli::kDone;
        case cli::Command::Ports:
            return ListPorts();
        case cli::Command::Save:
            if (const auto refused = ReadSaveInput(*options, changes)) {
                return Refuse(refused->Message() + "; nothing written");
            }
            break;
        case cli::Command::Preset: {
            const auto index = cli::ConfigKeyIndex("PresetPosition");
            if (const auto refused = cli::Assign(changes, "PresetPosition", options->position)) {
                return Refuse(refused->Message() + "; nothing written");
            }
            position = *changes[*index];
            break;
        }
        case cli::Command::Read:
        case cli::Command::Watch:
            break;
    }

    // Opened before the port: a trace that cannot be written is a usage error, found at once.
    std::unique_ptr<rtu::TraceWriter> trace;
    if (!options->trace.empty()) {
        std::string reason;
        trace = rtu::TraceWriter::Open(options->trace, reason);
        if (!trace) {
            return Refuse("cannot write the trace file " + options->trace + ": " + reason);
        }
    }

    const auto path = rtu::PortToOpen(options->port, rtu::PortNaming::Unix);
    if (!path) {
        return Refuse("\"" + options->port + "\" names no port");
    }
    rtu::QtSerialControl serial;
    serial.SelectPort(*path);
    serial.SetLineSettings(rtu::kLineSettings);
    if (const rtu::SerialError opened = serial.Open(); opened != rtu::SerialError::None) {
        if (trace) {
            trace->Error(rtu::ErrorWords(opened));
        }
        std::cerr << "transmitter-cli: " << OpenFailure(serial, *path, opened) << "\n";
        return cli::kDeviceFailed;
    }
    if (trace) {
        trace->Open(serial.SelectedPath());
    }

    app::QtTimer timer1(kSilenceMs);
    cli::QtWait wait;
    cli::Exchange exchange(serial, timer1, wait, options->link, trace.get());
    timer1.OnTick([&exchange] { exchange.Timer1_Timer(); });
    serial.SetListener(&exchange);

    int status = cli::kDone;
    switch (options->command) {
        case cli::Command::Read:
            status = cli::RunRead(exchange, std::cout, std::cerr);
            break;
        case cli::Command::Save:
            status = cli::RunSave(exchange, changes, options->verify, std::cerr);
            break;
        case cli::Command::Preset:
            status = cli::RunPreset(exchange, position, std::cerr);
            break;
        case cli::Command::Watch:
            wait.StopOnSignals();
            status = cli::RunWatch(exchange, wait, options->count, std::cout, std::cerr);
            break;
        default:
            break;
    }
    serial.SetListener(nullptr);
    if (trace && exchange.PortError() != rtu::SerialError::None) {
        trace->Error(rtu::ErrorWords(exchange.PortError()));
    }
    serial.Close();
    if (trace) {
        trace->Close();
    }
    return status;
}
