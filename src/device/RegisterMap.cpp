#include "device/RegisterMap.h"

#include <algorithm>

#include "device/RegisterTable.h"

namespace device {

using ui::Widget;

DecimalText::DecimalText(std::int64_t value, int minDigits) {
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    const auto count = static_cast<std::size_t>(result.ptr - digits.data());
    const std::size_t pad = count < static_cast<std::size_t>(minDigits)
                                ? static_cast<std::size_t>(minDigits) - count
                                : 0;
    std::fill_n(chars_.begin(), pad, '0');
    std::copy_n(digits.begin(), count, chars_.begin() + static_cast<std::ptrdiff_t>(pad));
    length_ = pad + count;
}

std::optional<std::int32_t> TextToInt32(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool ShowField(const rtu::RxBufferBytes& rx, std::uint8_t firstReg, Widget field,
               ui::WindowOperations& window) {
    const ConfigRegister& r = RegisterOf(field);
    const auto value = DecodeValue(rx, firstReg, r);
    if (!value) {
        return false;
    }
    if (r.kind == RegisterKind::List) {
        return window.SetSelectedIndex(field, *value);
    }
    window.SetText(field, DecimalText(*value).View());
    return true;
}

std::optional<Widget> FillSaveConfigFrame(rtu::SaveConfigFrameBytes& frame,
                                          const ui::WindowOperations& window) {
    ConfigValues values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const ConfigRegister& r = kRegisterTable[i];
        if (r.Saved()) {
            values[i] = r.kind == RegisterKind::List ? window.SelectedIndex(r.field)
                                                     : TextToInt32(window.Text(r.field));
        }
    }
    if (const auto refused = FillSaveFrame(frame, values)) {
        return kRegisterTable[*refused].field;
    }
    return std::nullopt;
}

std::optional<Widget> FillSetPositionFrame(rtu::SetPositionFrameBytes& frame,
                                           const ui::WindowOperations& window) {
    const auto position = TextToInt32(window.Text(Widget::Text9));
    if (!position || !FillPresetFrame(frame, *position)) {
        return Widget::Text9;
    }
    return std::nullopt;
}

}  // namespace device
