// transmitter-cli on Linux: the program's flow on Qt Core's event loop and Qt SerialPort's
// ports, for scripts and the production line. It needs no display.

#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Program.h"
#include "qt/CliPlatform.h"

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    qt::CliPlatform platform;
    return cli::RunProgram(std::vector<std::string>(argv + 1, argv + argc), platform, std::cin,
                           std::cout, std::cerr);
}
