#include "app/CommandLine.h"

namespace app {
namespace {

constexpr std::string_view kHelpBeforePort =
    "Configuration tool for the RS485 rotary position transmitter (Modbus RTU master, 115200 "
    "8N1, slave address 0).\n"
    "\n"
    "Options:\n"
    "  -h, --help      Displays help on commandline options.\n"
    "  -v, --version   Displays version information.\n"
    "  --demo          Talk to the built-in simulated transmitter.\n";
constexpr std::string_view kUnixPort =
    "  --port <NAME>   Offer the serial port NAME (a system name such as ttyUSB0, or\n"
    "                  a device path) first, selected.\n"
    "                  A serial server: tcp://HOST:PORT or rfc2217://HOST:PORT.\n";
constexpr std::string_view kWindowsPort =
    "  --port <NAME>   Offer the serial port NAME (COM3, \\\\.\\COM12) first, selected.\n"
    "                  A serial server: tcp://HOST:PORT or rfc2217://HOST:PORT.\n";
constexpr std::string_view kHelpAfterPort =
    "  --trace <FILE>  Append every frame sent and received, and the port's opening,\n"
    "                  closing and errors, to FILE (- for standard error).\n";

}  // namespace

CommandLine ParseArguments(std::string_view program, std::span<const std::string> arguments,
                           rtu::PortNaming naming) {
    CommandLine result;
    result.helpText = "Usage: " + std::string(program) + " [options]\n" +
                      std::string(kHelpBeforePort) +
                      std::string(naming == rtu::PortNaming::Windows ? kWindowsPort : kUnixPort) +
                      std::string(kHelpAfterPort);
    bool portGiven = false;
    bool traceGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view arg = arguments[i];
        std::string_view name = arg;
        std::string value;
        bool inlineValue = false;
        if (const auto equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            inlineValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (inlineValue) {
                return true;
            }
            if (i + 1 >= arguments.size()) {
                result.error = "Missing value after '" + std::string(name) + "'.";
                return false;
            }
            value = arguments[++i];
            return true;
        };
        if (name == "-h" || name == "--help" || name == "--help-all") {
            result.help = true;
        } else if (name == "-v" || name == "--version") {
            result.version = true;
        } else if (name == "--demo" && !inlineValue) {
            result.demo = true;
        } else if (name == "--port") {
            if (!takeValue()) {
                break;
            }
            portGiven = true;
            result.port = value;
        } else if (name == "--trace") {
            if (!takeValue()) {
                break;
            }
            traceGiven = true;
            result.trace = value;
        } else if (arg.starts_with("-")) {
            result.error =
                "Unknown option '" + std::string(name.substr(name.find_first_not_of('-'))) + "'.";
            break;
        } else if (result.error.empty()) {
            result.error = "unexpected argument: " + std::string(arg);
        }
    }
    if (result.help || result.version) {
        result.error.clear();
        return result;
    }
    const auto blank = result.port.find_first_not_of(" \t");
    result.port = blank == std::string::npos
                      ? std::string()
                      : result.port.substr(blank, result.port.find_last_not_of(" \t") - blank + 1);
    if (result.error.empty() && portGiven && result.port.empty()) {
        result.error = "--port needs a port name";
    }
    if (result.error.empty() && traceGiven && result.trace.empty()) {
        result.error = "--trace needs a file name (- for standard error)";
    }
    return result;
}

}  // namespace app
