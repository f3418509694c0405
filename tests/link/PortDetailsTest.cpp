// What the port chooser says about a port: its tooltip.
#include <gtest/gtest.h>

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

}  // namespace
