#include "link/PortList.h"

namespace rtu {

void FillPortList(SerialControl& serial, ui::WindowOperations& window,
                  std::span<const std::string> candidates) {
    window.ClearItems(ui::Widget::Combo1);
    for (const std::string& name : candidates) {
        serial.SelectPort(name);
        if (serial.IsOpen()) {
            continue;
        }
        if (serial.Open() != SerialError::None || !serial.IsOpen()) {
            continue;
        }
        serial.Close();
        window.AddItem(ui::Widget::Combo1, name);
    }
    // Fails harmlessly when the list is empty: nothing is selected then.
    (void)window.SetSelectedIndex(ui::Widget::Combo1, 0);
}

}  // namespace rtu
