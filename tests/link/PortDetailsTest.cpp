// What the port chooser says about a port: its tooltip, its by-id links and short names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "link/ByIdLinks.h"
#include "link/PortAliases.h"
#include "link/PortDetails.h"

namespace {

namespace fs = std::filesystem;

rtu::PortDetails Details(std::string path, std::string description = "",
                         std::string manufacturer = "", std::string serialNumber = "",
                         std::vector<std::string> byIdLinks = {}) {
    rtu::PortDetails d;
    d.path = std::move(path);
    d.description = std::move(description);
    d.manufacturer = std::move(manufacturer);
    d.serialNumber = std::move(serialNumber);
    d.byIdLinks = std::move(byIdLinks);
    d.group = "dialout";  // never shown
    return d;
}

TEST(PortToolTip, ListsWhatIsKnownOneToALine) {
    struct Case {
        const char* name;
        rtu::PortDetails details;
        std::string tip;
    };
    const Case cases[] = {
        {"path only", Details("/dev/ttyS0"), "/dev/ttyS0"},
        {"USB adapter",
         Details("/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K1B2C",
                 {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1B2C-if00-port0"}),
         "/dev/ttyUSB0\nFT232R USB UART（FTDI）\n序列号 A10K1B2C\n"
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1B2C-if00-port0"},
        {"maker without product", Details("/dev/ttyACM0", "", "Arduino"), "/dev/ttyACM0\nArduino"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rtu::ToolTipOf(c.details), c.tip) << c.name;
    }
}

class ByIdLinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/byid-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "by-id");
        std::ofstream(root_ / "ttyUSB0").put('x');
        std::ofstream(root_ / "ttyUSB1").put('x');
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_F(ByIdLinksTest, FindsTheLinksThatLeadToTheDeviceInNameOrder) {
    fs::create_symlink("../ttyUSB0", root_ / "by-id" / "usb-b-port0");
    fs::create_symlink(root_ / "ttyUSB0", root_ / "by-id" / "usb-a-port0");
    fs::create_symlink("../ttyUSB1", root_ / "by-id" / "usb-other-port0");
    fs::create_symlink("../ttyUSB7", root_ / "by-id" / "usb-dangling-port0");
    const std::string dir = (root_ / "by-id").string();

    EXPECT_EQ(rtu::ByIdLinks(dir, (root_ / "ttyUSB0").string()),
              (std::vector<std::string>{dir + "/usb-a-port0", dir + "/usb-b-port0"}));
    EXPECT_EQ(rtu::ByIdLinks(dir, (root_ / "ttyUSB1").string()),
              (std::vector<std::string>{dir + "/usb-other-port0"}));
    // A by-id link itself, typed into the chooser, finds its siblings too.
    EXPECT_EQ(rtu::ByIdLinks(dir, dir + "/usb-b-port0").size(), 2u);
    EXPECT_TRUE(rtu::ByIdLinks(dir, (root_ / "ttyUSB7").string()).empty());
    EXPECT_TRUE(rtu::ByIdLinks((root_ / "none").string(), (root_ / "ttyUSB0").string()).empty());
}

TEST(PortAliases, ResolvesShortNamesWithoutRegardToCaseAndNothingElse) {
    rtu::PortAliases aliases;
    ASSERT_TRUE(aliases.Add("SIM1", "/dev/pts/5", "demo"));
    EXPECT_EQ(aliases.Resolve("SIM1"), "/dev/pts/5");
    EXPECT_EQ(aliases.Resolve("sim1"), "/dev/pts/5");
    EXPECT_EQ(aliases.Resolve("SIM2"), "SIM2");
    EXPECT_EQ(aliases.Resolve("/dev/pts/5"), "/dev/pts/5");
    ASSERT_TRUE(aliases.Add("sim1", "/dev/pts/9", "demo"));  // replaced, not added
    EXPECT_EQ(aliases.Resolve("SIM1"), "/dev/pts/9");
    EXPECT_FALSE(aliases.Add("", "/dev/pts/1", ""));
    for (std::size_t i = 1; i < rtu::PortAliases::kCapacity; ++i) {
        EXPECT_TRUE(aliases.Add("X" + std::to_string(i), "/dev/null", ""));
    }
    EXPECT_FALSE(aliases.Add("ONE-TOO-MANY", "/dev/null", "")) << "the table is full";
    EXPECT_EQ(aliases.Resolve("SIM1"), "/dev/pts/9");
}

}  // namespace
