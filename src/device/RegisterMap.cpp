#include "device/RegisterMap.h"

#include <algorithm>

#include "link/Crc16.h"

namespace device {

using ui::Widget;

std::uint16_t Decode16(const rtu::RxBufferBytes& rx, std::size_t i) {
    return static_cast<std::uint16_t>(rx[i] * 256 + rx[i + 1]);
}

std::optional<std::int32_t> Decode32(const rtu::RxBufferBytes& rx, std::size_t i) {
    if (rx[i] >= 0x80) {
        return std::nullopt;
    }
    std::int32_t v = rx[i];
    v = v * 256 + rx[i + 1];
    v = v * 256 + rx[i + 2];
    v = v * 256 + rx[i + 3];
    return v;
}

int ProtocolIndex(std::uint8_t value) {
    return value <= 2 ? value : value - 3;
}

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

namespace {

// Splits n into high and low byte at frame[at], frame[at+1]; 0..65535 only.
bool Put16(std::span<std::uint8_t> frame, std::size_t at, std::int32_t n) {
    if (n < 0 || n > 65535) {
        return false;
    }
    frame[at] = static_cast<std::uint8_t>(n / 256);
    frame[at + 1] = static_cast<std::uint8_t>(n % 256);
    return true;
}

// Four bytes, most significant first; 0..2147483647 only.
bool Put32(std::span<std::uint8_t> frame, std::size_t at, std::int32_t n) {
    if (n < 0) {
        return false;
    }
    frame[at] = static_cast<std::uint8_t>(n / 16777216);
    frame[at + 1] = static_cast<std::uint8_t>((n / 65536) % 256);
    frame[at + 2] = static_cast<std::uint8_t>((n / 256) % 256);
    frame[at + 3] = static_cast<std::uint8_t>(n % 256);
    return true;
}

struct NumberField {
    Widget field;
    std::size_t at;
    bool wide;  // a 32-bit register pair
};

// In the order the fields are converted; the first that fails is the one the operator is shown.
constexpr std::array<NumberField, 8> kSaveNumbers{{
    {Widget::Text1, 7, false},
    {Widget::Text2, 29, true},
    {Widget::Text3, 33, true},
    {Widget::Text4, 21, false},
    {Widget::Text5, 25, false},
    {Widget::Text6, 27, false},
    {Widget::Text7, 37, true},
    {Widget::Text8, 41, true},
}};

struct ListField {
    Widget field;
    std::size_t at;  // the register's high byte; the index goes in the byte after it
};

// In register order: 1 baud rate, 2 parity, 3 protocol, 4 turn mode, 5 work mode, 6 direction,
// 8 gear.
constexpr std::array<ListField, 7> kSaveLists{{
    {Widget::Combo2, 9},
    {Widget::Combo8, 11},
    {Widget::Combo3, 13},
    {Widget::Combo4, 15},
    {Widget::Combo5, 17},
    {Widget::Combo6, 19},
    {Widget::Combo7, 23},
}};

}  // namespace

std::optional<Widget> FillSaveConfigFrame(rtu::SaveConfigFrameBytes& frame,
                                          const ui::WindowOperations& window) {
    rtu::SaveConfigFrameBytes draft = frame;
    for (const NumberField& f : kSaveNumbers) {
        const auto n = TextToInt32(window.Text(f.field));
        if (!n || !(f.wide ? Put32(draft, f.at, *n) : Put16(draft, f.at, *n))) {
            return f.field;
        }
    }
    for (const ListField& f : kSaveLists) {
        const int index = window.SelectedIndex(f.field);
        // The list's high byte always goes out as 0.
        if (!Put16(draft, f.at, index) || index > 255) {
            return f.field;
        }
    }
    rtu::SealFrame(draft);
    frame = draft;
    return std::nullopt;
}

std::optional<Widget> FillSetPositionFrame(rtu::SetPositionFrameBytes& frame,
                                           const ui::WindowOperations& window) {
    rtu::SetPositionFrameBytes draft = frame;
    const auto n = TextToInt32(window.Text(Widget::Text9));
    if (!n || !Put32(draft, 7, *n)) {
        return Widget::Text9;
    }
    rtu::SealFrame(draft);
    frame = draft;
    return std::nullopt;
}

}  // namespace device
