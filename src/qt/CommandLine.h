#pragma once

#include <QStringList>
#include <string>

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

// Reads the arguments, program name first, as QCoreApplication::arguments() gives them. Needs
// only a QCoreApplication, so that it runs before the window system is brought up.
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace app
