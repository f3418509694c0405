#pragma once

#include <span>
#include <string>
#include <string_view>

#include "link/PortName.h"

namespace app {

// What the program was asked to do on its command line.
struct CommandLine {
    bool help = false;     // --help, --help-all, -h: print helpText and exit
    bool version = false;  // --version, -v: print the program's name and version and exit
    bool demo = false;     // --demo: talk to the built-in simulated transmitter
    std::string port;      // --port NAME: offered first in the port chooser and selected
    std::string trace;     // --trace FILE: the port's traffic appended to FILE, "-" for stderr
    std::string helpText;
    std::string error;  // not empty when the command line was not understood
};

// Reads the arguments after the program's name, on every platform: --opt VALUE and --opt=VALUE,
// -h and -v; help and the version answer whatever else the line says. `program` names the program
// in the usage line; `naming` gives the help's examples of port names.
CommandLine ParseArguments(std::string_view program, std::span<const std::string> arguments,
                           rtu::PortNaming naming);

}  // namespace app
