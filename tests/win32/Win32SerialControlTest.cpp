#include "win32/Win32SerialControl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "win32/SignalWatch.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kReadVersion{0x00, 0x03, 0x00, 0x1B, 0x00, 0x01, 0xF5, 0xDC};
const Bytes kVersionReply{0x00, 0x03, 0x02, 0x01, 0x02, 0x05, 0xD5};

// The COM port scripts/windows.sh maps to a simulated transmitter's pseudo-terminal.
std::string PortFromEnvironment(const char* variable) {
    const char* name = std::getenv(variable);
    return name == nullptr ? std::string() : std::string(name);
}

struct Listener : rtu::SerialListener {
    void OnBytesWaiting() override { ++waiting; }
    void OnSerialError(rtu::SerialError error) override { errors.push_back(error); }
    int waiting = 0;
    std::vector<rtu::SerialError> errors;
};

// Reads what the port has each time it says bytes are waiting, until `count` bytes came or a
// second passed, on the message loop.
Bytes Receive(win32::Win32SerialControl& serial, Listener& listener, std::size_t count) {
    Bytes received;
    int heard = 0;
    win32::SignalWatch::PumpUntil(
        [&] {
            if (listener.waiting > heard) {
                heard = listener.waiting;
                std::array<std::uint8_t, 64> chunk{};
                while (const std::size_t n = serial.Read(chunk)) {
                    received.insert(received.end(), chunk.begin(), chunk.begin() + n);
                }
            }
            return received.size() >= count;
        },
        1000);
    return received;
}

class Win32SerialControlOnCom : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = PortFromEnvironment("TRANSMITTER_TEST_COM");
        ASSERT_FALSE(port_.empty()) << "TRANSMITTER_TEST_COM names no port (scripts/windows.sh)";
        serial_.SetListener(&listener_);
    }
    std::string port_;
    win32::Win32SerialControl serial_;
    Listener listener_;
};

// A request goes out byte for byte and the reply comes back byte for byte, announced by "bytes
// waiting"; the port names with and without the device prefix are the same port.
TEST_F(Win32SerialControlOnCom, CarriesARequestAndItsReplyUnchanged) {
    for (const std::string& name : {port_, "\\\\.\\" + port_}) {
        serial_.SelectPort(name);
        ASSERT_EQ(serial_.Open(), rtu::SerialError::None) << name;
        serial_.DiscardInput();
        serial_.DiscardOutput();
        ASSERT_TRUE(serial_.Write(kReadVersion));
        EXPECT_EQ(Receive(serial_, listener_, kVersionReply.size()), kVersionReply) << name;
        EXPECT_GT(listener_.waiting, 0) << name;
        EXPECT_TRUE(listener_.errors.empty()) << name;
        serial_.Close();
        EXPECT_FALSE(serial_.IsOpen());
    }
}

// Discarding the input drops a reply that has come but was not read; a closed port neither takes
// bytes nor has any.
TEST_F(Win32SerialControlOnCom, DiscardingTheInputDropsAReplyNotYetRead) {
    serial_.SelectPort(port_);
    ASSERT_EQ(serial_.Open(), rtu::SerialError::None);
    ASSERT_TRUE(serial_.Write(kReadVersion));
    win32::SignalWatch::PumpUntil([&] { return listener_.waiting > 0; }, 1000);
    ASSERT_GT(listener_.waiting, 0);
    serial_.DiscardInput();
    std::array<std::uint8_t, 16> chunk{};
    EXPECT_EQ(serial_.Read(chunk), 0U);
    serial_.Close();
    EXPECT_FALSE(serial_.Write(kReadVersion));
    EXPECT_EQ(serial_.Read(chunk), 0U);
}

TEST(Win32SerialControl, APortThatDoesNotExistIsNotFound) {
    win32::Win32SerialControl serial;
    for (const char* name : {"COM199", "\\\\.\\COM198"}) {
        serial.SelectPort(name);
        EXPECT_EQ(serial.Open(), rtu::SerialError::NotFound) << name;
        EXPECT_FALSE(serial.IsOpen());
    }
}

// The device's end goes away (scripts/windows.sh's second simulator hangs up after one reply):
// the failure is reported once, as the adapter gone, however long the port stays open after.
TEST(Win32SerialControl, TheOtherEndVanishingIsReportedOnce) {
    const std::string port = PortFromEnvironment("TRANSMITTER_TEST_COM_HANGING_UP");
    ASSERT_FALSE(port.empty()) << "TRANSMITTER_TEST_COM_HANGING_UP names no port";
    win32::Win32SerialControl serial;
    Listener listener;
    serial.SetListener(&listener);
    serial.SelectPort(port);
    ASSERT_EQ(serial.Open(), rtu::SerialError::None);
    ASSERT_TRUE(serial.Write(kReadVersion));
    EXPECT_EQ(Receive(serial, listener, kVersionReply.size()), kVersionReply);
    win32::SignalWatch::PumpUntil([&] { return !listener.errors.empty(); }, 3000);
    win32::SignalWatch::PumpUntil([] { return false; }, 200);
    ASSERT_EQ(listener.errors.size(), 1U);
    EXPECT_EQ(listener.errors.front(), rtu::SerialError::DeviceGone);
    serial.Close();
}

}  // namespace
