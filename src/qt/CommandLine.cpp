#include "qt/CommandLine.h"

#include <QCommandLineParser>

namespace app {

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configuration tool for the RS485 rotary position transmitter "
                       "(Modbus RTU master, 115200 8N1, slave address 0)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Talk to the built-in simulated transmitter."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Offer the serial port NAME (a system name such as "
                       "ttyUSB0, or a device path) first, selected."),
        QStringLiteral("NAME"));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Append every frame sent and received, and the port's opening, closing "
                       "and errors, to FILE (- for standard error)."),
        QStringLiteral("FILE"));
    parser.addOption(demo);
    parser.addOption(port);
    parser.addOption(trace);

    CommandLine result;
    result.helpText = parser.helpText().toStdString();
    if (!parser.parse(arguments)) {
        result.error = parser.errorText().toStdString();
        return result;
    }
    // Help and the version answer whatever else the command line says.
    result.help = parser.isSet(help) || parser.isSet(QStringLiteral("help-all"));
    result.version = parser.isSet(version);
    if (result.help || result.version) {
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = "unexpected argument: " + parser.positionalArguments().front().toStdString();
        return result;
    }
    result.demo = parser.isSet(demo);
    result.port = parser.value(port).trimmed().toStdString();
    if (parser.isSet(port) && result.port.empty()) {
        result.error = "--port needs a port name";
    }
    result.trace = parser.value(trace).toStdString();
    if (parser.isSet(trace) && result.trace.empty()) {
        result.error = "--trace needs a file name (- for standard error)";
    }
    return result;
}

}  // namespace app
