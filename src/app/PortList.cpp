#include "app/PortList.h"

#include <algorithm>

namespace app {
namespace {

struct Probe {
    std::vector<std::string> listed;
    std::vector<std::string> refused;  // left out for want of permission
};

// Empties Combo1 (its text and selection too) and lists the port offered first, then every
// other candidate that can be opened and closed again. Selects nothing.
Probe ProbeInto(rtu::SerialControl& serial, ui::WindowOperations& window,
                std::span<const std::string> candidates, std::string_view offeredFirst) {
    Probe probe;
    window.ClearItems(ui::Widget::Combo1);
    if (!offeredFirst.empty()) {
        window.AddItem(ui::Widget::Combo1, offeredFirst);
        probe.listed.emplace_back(offeredFirst);
    }
    for (const std::string& name : candidates) {
        serial.SelectPort(name);
        if (serial.IsOpen()) {
            continue;
        }
        const rtu::SerialError error = serial.OpenAndClose();
        if (error == rtu::SerialError::PermissionDenied) {
            probe.refused.push_back(name);
        }
        if (error != rtu::SerialError::None || name == offeredFirst) {
            continue;
        }
        window.AddItem(ui::Widget::Combo1, name);
        probe.listed.push_back(name);
    }
    return probe;
}

}  // namespace

std::vector<std::string> FillPortList(rtu::SerialControl& serial, ui::WindowOperations& window,
                                      std::span<const std::string> candidates,
                                      std::string_view offeredFirst) {
    Probe probe = ProbeInto(serial, window, candidates, offeredFirst);
    // Fails harmlessly when the list is empty: nothing is selected then.
    (void)window.SetSelectedIndex(ui::Widget::Combo1, 0);
    return std::move(probe.refused);
}

std::vector<std::string> RefreshPortList(rtu::SerialControl& serial, ui::WindowOperations& window,
                                         std::span<const std::string> candidates,
                                         std::string_view offeredFirst) {
    const std::string text = window.Text(ui::Widget::Combo1);
    const bool picked = window.SelectedIndex(ui::Widget::Combo1) >= 0;
    Probe probe = ProbeInto(serial, window, candidates, offeredFirst);
    const auto entry = std::find(probe.listed.begin(), probe.listed.end(), text);
    if (picked && entry != probe.listed.end()) {
        (void)window.SetSelectedIndex(ui::Widget::Combo1,
                                      static_cast<int>(entry - probe.listed.begin()));
    } else {
        window.SetText(ui::Widget::Combo1, text);
    }
    return std::move(probe.refused);
}

}  // namespace app
