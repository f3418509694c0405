#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The window program's command line, on Linux and Windows alike.
TEST(ParseArguments, ReadsTheOptionsAndRefusesWhatItDoesNotKnow) {
    struct Case {
        std::vector<std::string> arguments;
        bool help;
        bool version;
        bool demo;
        std::string port;
        std::string trace;
        std::string error;  // its start; empty for none
    };
    const std::vector<Case> cases{
        {{}, false, false, false, "", "", ""},
        {{"--demo"}, false, false, true, "", "", ""},
        {{"--port", "COM3"}, false, false, false, "COM3", "", ""},
        {{"--port=\\\\.\\COM12", "--demo"}, false, false, true, "\\\\.\\COM12", "", ""},
        {{"--port", "  COM7 "}, false, false, false, "COM7", "", ""},
        {{"--port", "/dev/ttyUSB1"}, false, false, false, "/dev/ttyUSB1", "", ""},
        {{"--port=ttyS0", "--demo"}, false, false, true, "ttyS0", "", ""},
        {{"--trace", "-"}, false, false, false, "", "-", ""},
        {{"--trace=C:\\logs\\a.trace"}, false, false, false, "", "C:\\logs\\a.trace", ""},
        {{"-h"}, true, false, false, "", "", ""},
        {{"--help", "--bogus"}, true, false, false, "", "", ""},
        {{"--version"}, false, true, false, "", "", ""},
        {{"-v", "extra"}, false, true, false, "", "", ""},
        {{"--bogus"}, false, false, false, "", "", "Unknown option 'bogus'."},
        {{"--port"}, false, false, false, "", "", "Missing value after '--port'."},
        {{"--port="}, false, false, false, "", "", "--port needs a port name"},
        {{"--port", " "}, false, false, false, "", "", "--port needs a port name"},
        {{"--baud", "9600"}, false, false, false, "", "", "Unknown option 'baud'."},
        {{"--trace="}, false, false, false, "", "", "--trace needs a file name"},
        {{"COM3"}, false, false, false, "", "", "unexpected argument: COM3"},
        {{"--demo=yes"}, false, false, false, "", "", "Unknown option 'demo'."},
    };
    for (const Case& c : cases) {
        const app::CommandLine line =
            app::ParseArguments("transmitter-config.exe", c.arguments, rtu::PortNaming::Windows);
        const std::string what = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(line.help, c.help) << what;
        EXPECT_EQ(line.version, c.version) << what;
        if (c.error.empty()) {
            EXPECT_EQ(line.error, "") << what;
            EXPECT_EQ(line.demo, c.demo) << what;
            EXPECT_EQ(line.port, c.port) << what;
            EXPECT_EQ(line.trace, c.trace) << what;
        } else {
            EXPECT_EQ(line.error.rfind(c.error, 0), 0U) << what << ": " << line.error;
        }
        EXPECT_EQ(line.helpText.rfind("Usage: transmitter-config.exe [options]\n", 0), 0U);
    }
}

}  // namespace
