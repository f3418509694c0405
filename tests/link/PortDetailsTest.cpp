// What the port chooser says about a port: its tooltip and short names.
#include <gtest/gtest.h>

#include "link/PortAliases.h"
#include "link/PortDetails.h"

namespace {

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
