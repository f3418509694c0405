#include "link/PortName.h"

#include <gtest/gtest.h>

namespace {

using rtu::PortNaming;

struct ChooserCase {
    const char* text;
    PortNaming naming;
    std::optional<std::string> port;
};

class PortToOpen : public testing::TestWithParam<ChooserCase> {};

TEST_P(PortToOpen, NamesThePortOrNone) {
    EXPECT_EQ(rtu::PortToOpen(GetParam().text, GetParam().naming), GetParam().port)
        << "text '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    WindowsAndUnix, PortToOpen,
    testing::Values(
        // Windows: the number from the fourth character on.
        ChooserCase{"COM12", PortNaming::Windows, "COM12"},
        ChooserCase{"com5", PortNaming::Windows, "COM5"},
        ChooserCase{"COM1", PortNaming::Windows, "COM1"},
        ChooserCase{"XYZ7", PortNaming::Windows, "COM7"},  // the first three are not read
        ChooserCase{"COM 3", PortNaming::Windows, "COM3"},
        ChooserCase{"COM", PortNaming::Windows, std::nullopt},
        ChooserCase{"COMx", PortNaming::Windows, std::nullopt},
        ChooserCase{"CO", PortNaming::Windows, std::nullopt},
        ChooserCase{"", PortNaming::Windows, std::nullopt},
        ChooserCase{"COM0", PortNaming::Windows, std::nullopt},
        ChooserCase{"COM-1", PortNaming::Windows, std::nullopt},
        ChooserCase{"COM99999", PortNaming::Windows, std::nullopt},
        ChooserCase{"COM1x", PortNaming::Windows, std::nullopt},
        ChooserCase{"\\\\.\\COM12", PortNaming::Windows, "COM12"},
        ChooserCase{"\\\\.\\COMx", PortNaming::Windows, std::nullopt},
        ChooserCase{" tcp://10.0.0.5:4001 ", PortNaming::Windows, "tcp://10.0.0.5:4001"},
        ChooserCase{"rfc2217://srv:x", PortNaming::Windows, "rfc2217://srv:x"},
        // Unix: a system name or any device path, as typed.
        ChooserCase{"ttyUSB0", PortNaming::Unix, "ttyUSB0"},
        ChooserCase{"/dev/pts/4", PortNaming::Unix, "/dev/pts/4"},
        ChooserCase{"  ttyACM1 ", PortNaming::Unix, "ttyACM1"},
        ChooserCase{"", PortNaming::Unix, std::nullopt},
        ChooserCase{"   ", PortNaming::Unix, std::nullopt}));

TEST(NaturalOrder, NumbersCompareByValue) {
    auto names = rtu::PortCandidates(PortNaming::Unix, {"ttyUSB10", "ttyS0", "ttyUSB2", "ttyACM0",
                                                        "ttyUSB1", "ttyS10", "ttyS2"});
    EXPECT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyS2", "ttyS10", "ttyUSB1",
                                               "ttyUSB2", "ttyUSB10"}));
}

TEST(PortCandidates, WindowsProbesCom1ToCom20InOrder) {
    const auto names = rtu::PortCandidates(PortNaming::Windows, {"ttyUSB0"});
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(names.front(), "COM1");
    EXPECT_EQ(names[9], "COM10");
    EXPECT_EQ(names.back(), "COM20");
}

// USB adapters often get numbers above 20: the system's listing adds them after COM20, by
// number, once each; its ports up to 20 are probed anyway.
TEST(PortCandidates, WindowsAddsTheSystemsHigherNumberedPortsAfterCom20) {
    const auto names = rtu::PortCandidates(
        PortNaming::Windows, {"COM105", "COM3", "COM21", "COM37", "COM21", "COMx", "LPT22"});
    ASSERT_EQ(names.size(), 23u);
    EXPECT_EQ(names[19], "COM20");
    EXPECT_EQ(std::vector<std::string>(names.begin() + 20, names.end()),
              (std::vector<std::string>{"COM21", "COM37", "COM105"}));
}

}  // namespace
