// The traffic trace written by the window's logic, in virtual time, against the simulated
// transmitter behind an adapter that echoes every request.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "harness/Rig.h"
#include "harness/SimulatedDevice.h"
#include "harness/TempDir.h"
#include "link/TraceWriter.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Ms;
using harness::Sealed;
using ui::Widget;

// "00 03 ..." for the bytes, formatted here on its own so as not to lean on the writer.
std::string HexText(const Bytes& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += (text.empty() ? "" : " ") + std::string(digits);
    }
    return text;
}

class Traced : public testing::Test {
protected:
    ~Traced() override { std::fclose(file); }

    std::vector<std::string> Lines() {
        std::fflush(file);
        std::rewind(file);
        std::vector<std::string> lines;
        std::string line;
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += static_cast<char>(c);
            }
        }
        EXPECT_TRUE(line.empty()) << "unterminated line: " << line;
        return lines;
    }

    const harness::TempDir dir;
    std::FILE* file = dir.Open("trace", "w+b");
    rtu::TraceWriter writer{file, [this] { return rig.clock.Now(); }};
    harness::Rig rig{rtu::PortNaming::Unix, &writer};
};

TEST_F(Traced, LoadThroughAnEchoingAdapterIsTracedFrameByFrame) {
    harness::SimulatedDevice device(rig.clock, rig.serial);
    device.Device().SetFaults({.echo = true});
    rig.LoadAndOpen("ttyUSB0");
    rig.clock.AdvanceTo(Ms(700));
    ASSERT_TRUE(rig.Click(Widget::Command1));

    // The factory configuration, registers 0-20.
    const Bytes config = Sealed(Hex(
        "00 03 2A 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC 00 00 00 00 10 00 "
        "00 00 10 00 00 00 10 00 00 00 00 00 00 00 00 00"));
    const Bytes status = Sealed(Hex("00 03 06 00 01 00 00 00 00"));
    const Bytes position = Sealed(Hex("00 03 04 00 00 00 00"));
    const std::string readAll = "00 03 00 00 00 15 85 D4";
    const std::string readStatus = "00 03 00 17 00 03 B4 1E";
    const std::string readPosition = "00 03 00 15 00 02 D4 1E";
    const std::string readVersion = "00 03 00 1B 00 01 F5 DC";
    // Each request crosses the line in 695 us and comes straight back; each reply is judged 50 ms
    // after its last byte: 47 bytes 4080 us, 11 bytes 955 us, 9 bytes 782 us, 7 bytes 608 us.
    const std::vector<std::string> expected = {
        "0.000000 open ttyUSB0",
        "0.200000 tx " + readAll,
        "0.254775 rx " + readAll + " echo",
        "0.254775 rx " + HexText(config) + " ok",
        "0.254775 tx " + readStatus,
        "0.306425 rx " + readStatus + " echo",
        "0.306425 rx " + HexText(status) + " ok",
        "0.400000 tx " + readPosition,
        "0.451477 rx " + readPosition + " echo",
        "0.451477 rx " + HexText(position) + " ok",
        "0.600000 tx " + readVersion,
        "0.651303 rx " + readVersion + " echo",
        "0.651303 rx 00 03 02 01 02 05 D5 ok",
        "0.700000 close",
    };
    EXPECT_EQ(Lines(), expected);
    // The echo took nothing from the load.
    EXPECT_EQ(rig.Caption(Widget::Label20), "Ver0258");
    EXPECT_EQ(rig.Caption(Widget::Text4), "3600");
    EXPECT_TRUE(rig.message.Messages().empty());
}

TEST_F(Traced, PortFailuresAreTracedWithTheirCauseAndTheClose) {
    rig.serial.AddPort("ttyUSB0");
    rig.serial.AddPort("ttyUSB1");
    rig.serial.SetBusy("ttyUSB1", true);
    rig.form.Form_Load();
    const auto open = [this](const std::string& port) {
        rig.window.SetText(Widget::Combo1, port);
        ASSERT_TRUE(rig.Click(Widget::Command1));
    };
    open("ttyUSB9");
    open("ttyUSB1");
    open(" ");
    open("ttyUSB0");
    rig.serial.FailWrites(true);
    rig.clock.AdvanceTo(Ms(250));
    rig.serial.FailWrites(false);
    open("ttyUSB0");
    rig.clock.AdvanceTo(Ms(300));
    rig.serial.RaiseError(rtu::SerialError::DeviceGone);

    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "0.000000 error open ttyUSB9: no such port",
                           "0.000000 error open ttyUSB1: port held by another program",
                           "0.000000 error open: no port chosen",
                           "0.000000 open ttyUSB0",
                           "0.200000 error write failed",
                           "0.200000 close",
                           "0.250000 open ttyUSB0",
                           "0.300000 error device gone",
                           "0.300000 close",
                       }));
    EXPECT_EQ(rig.message.Messages().size(), 5u);
}

}  // namespace
