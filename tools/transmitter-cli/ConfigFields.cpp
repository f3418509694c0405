#include "ConfigFields.h"

#include "device/RegisterMap.h"
#include "ui/WindowModel.h"

namespace cli {

ConfigValues DecodeConfiguration(const rtu::RxBufferBytes& reply) {
    ConfigValues values{};
    ui::WindowModel window;
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        const ConfigKey& key = kConfigKeys[i];
        if (!device::ShowField(reply, 0, key.field, window)) {
            continue;
        }
        values[i] = key.kind == KeyKind::List ? window.SelectedIndex(key.field)
                                              : device::TextToInt32(window.Text(key.field));
    }
    return values;
}

std::optional<std::size_t> FillSaveFrame(const ConfigValues& values,
                                         rtu::SaveConfigFrameBytes& frame) {
    ui::WindowModel window;
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        const ConfigKey& key = kConfigKeys[i];
        if (!key.Saved()) {
            continue;
        }
        if (!values[i]) {
            return i;
        }
        if (key.kind == KeyKind::List) {
            if (!window.SetSelectedIndex(key.field, *values[i])) {
                return i;
            }
        } else {
            window.SetText(key.field, device::DecimalText(*values[i]).View());
        }
    }
    if (const auto refused = device::FillSaveConfigFrame(frame, window)) {
        for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
            if (kConfigKeys[i].field == *refused) {
                return i;
            }
        }
    }
    return std::nullopt;
}

bool FillPresetFrame(std::int32_t position, rtu::SetPositionFrameBytes& frame) {
    ui::WindowModel window;
    window.SetText(ui::Widget::Text9, device::DecimalText(position).View());
    return !device::FillSetPositionFrame(frame, window);
}

}  // namespace cli
